#include "link/linkfakes.h"
#include "remote/alerts/alertfanout.h"
#include "remote/history/alarmwatch.h"

#include <gtest/gtest.h>

#include <stdexcept>

using remote::alerts::AlertFanout;
using remote::history::AlarmRecord;

TEST(AlertFanout, EverySinkGetsTheAlarmInTheOrderItWasAdded) {
    AlertFanout fanout;
    std::vector<std::string> calls;
    for (const char* name : {"history", "notification", "command"}) {
        fanout.add(name, [&calls, name](const AlarmRecord& a) {
            calls.push_back(std::string(name) + ":" + std::to_string(a.channel));
        });
    }
    fanout.add("nothing", {}); // an empty sink is not kept
    fanout.deliver(AlarmRecord{0, 1, 0, 3, "Ext2(CH2) :", {}});
    EXPECT_EQ(calls, (std::vector<std::string>{"history:3", "notification:3", "command:3"}));
    EXPECT_EQ(fanout.names(), (std::vector<std::string>{"history", "notification", "command"}));
}

// A sink that fails is said once; the ones after it still get every alarm, and a new
// failure after it worked again is said again.
TEST(AlertFanout, AFailingSinkIsReportedOnceAndTheOthersGoOn) {
    AlertFanout fanout;
    std::vector<std::string> reports;
    fanout.setReporter([&](const std::string& m) { reports.push_back(m); });
    bool fail = true;
    int after = 0;
    fanout.add("history", [](const AlarmRecord&) {});
    fanout.add("tone", [&](const AlarmRecord&) {
        if (fail) {
            throw std::runtime_error("device busy");
        }
    });
    fanout.add("odd", [&](const AlarmRecord& a) {
        if (a.channel == 7) {
            throw 42;
        }
    });
    fanout.add("command", [&](const AlarmRecord&) { ++after; });
    for (int i = 0; i < 3; ++i) {
        fanout.deliver(AlarmRecord{});
    }
    EXPECT_EQ(after, 3);
    EXPECT_EQ(reports, (std::vector<std::string>{"Alarm tone failed: device busy"}));
    fail = false;
    fanout.deliver(AlarmRecord{});
    fail = true;
    fanout.deliver(AlarmRecord{});
    AlarmRecord seven;
    seven.channel = 7;
    fanout.deliver(seven);
    fanout.deliver(seven);
    EXPECT_EQ(after, 7);
    EXPECT_EQ(reports, (std::vector<std::string>{"Alarm tone failed: device busy",
                                                 "Alarm tone failed: device busy",
                                                 "Alarm odd failed: unknown error"}));
}

// The tone repeats while any label is red: the watch between the link and the window tells.
TEST(AlarmWatchLabels, AnyRedHoldsWhileOneLabelIsRedAndEndsWhenAllAreBlack) {
    using remote::link::protocol::AlarmColour;
    using remote::link::protocol::IdleLabelColour;
    linktest::RecordingView view;
    int alarms = 0;
    remote::history::AlarmWatch watch(view, {}, [&](const AlarmRecord&) { ++alarms; });
    EXPECT_FALSE(watch.anyRed());
    watch.setEventLabelColor(1, AlarmColour);
    watch.setEventLabelColor(6, AlarmColour);
    EXPECT_TRUE(watch.anyRed());
    watch.setEventLabelColor(1, IdleLabelColour);
    EXPECT_TRUE(watch.anyRed());
    watch.setEventLabelColor(6, IdleLabelColour);
    EXPECT_FALSE(watch.anyRed());
    watch.setRecording(false);
    watch.setEventLabelColor(0, AlarmColour);
    EXPECT_TRUE(watch.anyRed()) << "a replayed alarm is red all the same";
    EXPECT_EQ(alarms, 2);
}
