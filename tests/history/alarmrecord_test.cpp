#include "remote/history/alarmrecord.h"

#include <gtest/gtest.h>

#include <climits>

using namespace remote::history;

TEST(AlarmTime, LocalTimeWithOffsetToTheMillisecond) {
    struct Case {
        std::int64_t utcMs;
        int offset;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "1970-01-01T00:00:00.000+00:00"},
        {1'798'000'000'123, 3600, "2026-12-23T05:26:40.123+01:00"},
        {1'798'000'000'123, -19800, "2026-12-22T22:56:40.123-05:30"},
        {951'782'400'000, 0, "2000-02-29T00:00:00.000+00:00"}, // leap day
        {-1, 0, "1969-12-31T23:59:59.999+00:00"},              // before the epoch
        {1'798'000'000'999, 0, "2026-12-23T04:26:40.999+00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isoLocalTime(c.utcMs, c.offset), c.text);
        EXPECT_EQ(parseIsoTime(c.text), c.utcMs) << c.text;
    }
}

TEST(AlarmTime, ParsesShortFormsAndRefusesNonsense) {
    EXPECT_EQ(parseIsoTime("1970-01-02"), 86'400'000);
    EXPECT_EQ(parseIsoTime("1970-01-01T00:01Z"), 60'000);
    EXPECT_EQ(parseIsoTime("1970-01-01 00:00:01"), 1000);
    EXPECT_EQ(parseIsoTime("1970-01-01T01:00:00+01:00"), 0);
    for (const char* bad :
         {"", "yesterday", "1970-13-01", "1970-01-01T25:00", "1970-01-01T", "1970-01-01T00:00:00+1",
          "1970-01-01T00:00:00.1", "1970-01-01x", "1970-01-01T00:00:00Zjunk"}) {
        EXPECT_FALSE(parseIsoTime(bad)) << bad;
    }
}

TEST(AlarmTime, TheEndsOfTheRangeAreWrittenWithoutOverflow) {
    // A crafted file or a script's range may name any time; the sanitizer build checks
    // that no arithmetic wraps.
    for (const std::int64_t ms : {INT64_MIN, INT64_MIN + 1, INT64_MAX}) {
        for (const int offset : {-50'400, 0, 50'400}) {
            const std::string text = isoLocalTime(ms, offset);
            EXPECT_EQ(text.find('T'), text.size() - 19) << text;
        }
    }
}
