#include "core/linerecording.h"
#include "recordingfile.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace detectorsim;
using namespace simtest;
using namespace std::chrono_literals;

namespace {

std::optional<LineRecording> read(const Bytes& file, std::string& error) {
    std::istringstream in(std::string(file.begin(), file.end()));
    return readLineRecording(in, error);
}

// Three received chunks around a sent one, as a station recording holds them.
Bytes sampleRecording() {
    Bytes file = recordingHeader();
    putRecord(file, 1000, 'R', bytesOf("STS,"));
    putRecord(file, 2000, 'S', bytesOf("REMOTE1"));
    putRecord(file, 5000, 'R', Bytes{0x00, 0xFF, 0x0D});
    putRecord(file, 5000, 'R', Bytes{});
    putRecord(file, 105000, 'R', bytesOf("FBC"));
    return file;
}

} // namespace

TEST(LineRecording, KeepsTheReceivedChunksInOrderAndSkipsTheSentOnes) {
    std::string error;
    const auto recording = read(sampleRecording(), error);
    ASSERT_TRUE(recording) << error;
    EXPECT_FALSE(recording->cutOff);
    EXPECT_EQ(recording->sentRecords, 1u);
    ASSERT_EQ(recording->received.size(), 4u);
    EXPECT_EQ(recording->received[0].timeUs, 1000u);
    EXPECT_EQ(recording->received[0].bytes, bytesOf("STS,"));
    EXPECT_EQ(recording->received[1].bytes, (Bytes{0x00, 0xFF, 0x0D}));
    EXPECT_TRUE(recording->received[2].bytes.empty());
    EXPECT_EQ(recording->received[3].timeUs, 105000u);
}

// Cutting the file anywhere inside the last record leaves the records before it, marked as
// cut; cutting at a record boundary is a complete file.
TEST(LineRecording, ACutOffLastRecordIsIgnoredWhereverTheCutFalls) {
    const Bytes whole = sampleRecording();
    const std::size_t lastStart = whole.size() - (13 + 3);
    for (std::size_t cut = lastStart; cut < whole.size(); ++cut) {
        std::string error;
        const auto recording = read(Bytes(whole.begin(), whole.begin() + long(cut)), error);
        ASSERT_TRUE(recording) << "cut at " << cut << ": " << error;
        EXPECT_EQ(recording->cutOff, cut != lastStart) << cut;
        EXPECT_EQ(recording->received.size(), 3u) << cut;
    }
}

TEST(LineRecording, RefusesADamagedFileSayingWhy) {
    Bytes badDirection = recordingHeader();
    putRecord(badDirection, 0, 'R', bytesOf("ok"));
    putRecord(badDirection, 10, 'X', bytesOf("no"));
    Bytes tooLong = recordingHeader();
    putLittle(tooLong, 0, 8);
    tooLong.push_back('R');
    putLittle(tooLong, MaxRecordBytes + 1, 4);
    const Bytes header = recordingHeader();
    Bytes wrongMagic = header;
    wrongMagic[0] = 'X';

    const struct {
        const char* name;
        Bytes file;
        const char* says;
    } cases[] = {
        {"empty", {}, "not a line recording"},
        {"short header", Bytes(header.begin(), header.begin() + 10), "not a line recording"},
        {"wrong magic", wrongMagic, "not a line recording"},
        {"version 2", recordingHeader(2), "version 2"},
        {"unknown direction", badDirection, "unknown direction byte 88 in the record at byte 31"},
        {"length above the limit", tooLong, "claims 1048577 bytes"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(read(c.file, error)) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
    }
}

// Time is driven by hand: each chunk comes out when its spacing from the first, divided by
// the speed, has passed, and not before.
TEST(RecordingPlayer, KeepsTheOriginalSpacingScaledBySpeed) {
    for (const double speed : {1.0, 4.0}) {
        std::string error;
        RecordingPlayer player(*read(sampleRecording(), error), speed);
        const Moment t0 = Moment() + 1h;
        EXPECT_FALSE(player.next(t0));
        EXPECT_FALSE(player.untilNext(t0));
        player.start(t0);
        auto at = [&](std::int64_t us) {
            return t0 + std::chrono::microseconds(static_cast<std::int64_t>(us / speed));
        };
        auto bytes = [](std::optional<std::span<const Byte>> chunk) {
            return chunk ? Bytes(chunk->begin(), chunk->end()) : bytesOf("(none)");
        };
        EXPECT_EQ(bytes(player.next(t0)), bytesOf("STS,"));
        EXPECT_EQ(player.untilNext(t0),
                  std::chrono::duration_cast<std::chrono::microseconds>(at(4000) - t0));
        EXPECT_EQ(bytes(player.next(at(4000) - 1us)), bytesOf("(none)"));
        EXPECT_EQ(bytes(player.next(at(4000))), (Bytes{0x00, 0xFF, 0x0D}));
        EXPECT_EQ(bytes(player.next(at(4000))), Bytes{});
        EXPECT_EQ(bytes(player.next(at(104000) - 1us)), bytesOf("(none)"));
        EXPECT_FALSE(player.finished());
        EXPECT_EQ(bytes(player.next(at(200000))), bytesOf("FBC"));
        EXPECT_TRUE(player.finished());
        EXPECT_FALSE(player.next(at(300000)));
        EXPECT_FALSE(player.untilNext(at(300000)));
    }
}

TEST(RecordingPlayer, AsFastAsPossibleGivesEverythingAtOnceAndTimeNeverRunsBack) {
    Bytes file = recordingHeader();
    putRecord(file, 9000000, 'R', bytesOf("a"));
    putRecord(file, 1000, 'R', bytesOf("b")); // clock ran back: played without waiting
    putRecord(file, 9000500, 'R', bytesOf("c"));
    std::string error;
    const Moment t0 = Moment() + 1h;

    RecordingPlayer fast(*read(sampleRecording(), error), 0);
    fast.start(t0);
    int count = 0;
    while (fast.next(t0)) {
        ++count;
    }
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(fast.finished());

    RecordingPlayer player(*read(file, error), 1);
    player.start(t0);
    EXPECT_TRUE(player.next(t0));
    EXPECT_TRUE(player.next(t0));
    EXPECT_EQ(player.untilNext(t0), 500us);
}
