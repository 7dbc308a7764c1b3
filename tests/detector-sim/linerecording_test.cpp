#include "core/linerecording.h"
#include "recordingfile.h"
#include "support/pipewatchdog.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace detectorsim;
using namespace simtest;
using namespace std::chrono_literals;

namespace {

// Recordings written to files and read back as the simulator reads them.
class SimRecording : public ::testing::Test {
protected:
    std::unique_ptr<LineRecordingReader> open(const Bytes& bytes, std::string& error) const {
        return LineRecordingReader::open(folder.write("line.rec", bytes), error);
    }
    std::unique_ptr<LineRecordingReader> open(const Bytes& bytes) const {
        std::string error;
        auto reader = open(bytes, error);
        EXPECT_TRUE(reader) << error;
        return reader;
    }

    TempFolder folder;
};

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

std::vector<RecordedChunk> readAll(LineRecordingReader& reader) {
    std::vector<RecordedChunk> records;
    while (auto r = reader.next()) {
        records.push_back(std::move(*r));
    }
    return records;
}

} // namespace

TEST_F(SimRecording, ReadsEveryRecordInOrderWithItsDirection) {
    const Bytes file = sampleRecording();
    auto reader = open(file);
    ASSERT_TRUE(reader);
    const auto records = readAll(*reader);
    EXPECT_FALSE(reader->stoppedEarly()) << reader->problem();
    EXPECT_EQ(reader->records(), 5u);
    EXPECT_EQ(reader->offset(), file.size());
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].timeUs, 1000u);
    EXPECT_EQ(records[0].direction, 'R');
    EXPECT_EQ(records[0].bytes, bytesOf("STS,"));
    EXPECT_EQ(records[1].direction, 'S');
    EXPECT_EQ(records[2].bytes, (Bytes{0x00, 0xFF, 0x0D}));
    EXPECT_TRUE(records[3].bytes.empty());
    EXPECT_EQ(records[4].timeUs, 105000u);
}

// Cutting the file anywhere inside the last record leaves the records before it, marked as
// cut where the last one starts; cutting at a record boundary is a complete file.
TEST_F(SimRecording, ACutOffLastRecordIsIgnoredWhereverTheCutFalls) {
    const Bytes whole = sampleRecording();
    const std::size_t lastStart = whole.size() - (13 + 3);
    for (std::size_t cut = lastStart; cut < whole.size(); ++cut) {
        auto reader = open(Bytes(whole.begin(), whole.begin() + long(cut)));
        ASSERT_TRUE(reader);
        EXPECT_EQ(readAll(*reader).size(), 4u) << cut;
        EXPECT_EQ(reader->cutOff(), cut != lastStart) << cut;
        EXPECT_EQ(reader->stoppedEarly(), cut != lastStart) << cut;
        EXPECT_EQ(reader->offset(), lastStart) << cut;
    }
}

TEST_F(SimRecording, RefusesAFileWithoutAValidHeaderSayingWhy) {
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
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(open(c.file, error)) << c.name;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(folder.file("line.rec")), std::string::npos) << error;
    }
}

// A damaged record ends the reading where it starts; the records before it are read.
TEST_F(SimRecording, StopsAtADamagedRecordSayingWhatAndWhere) {
    Bytes badDirection = recordingHeader();
    putRecord(badDirection, 0, 'R', bytesOf("ok"));
    putRecord(badDirection, 10, 'X', bytesOf("no"));
    putRecord(badDirection, 20, 'R', bytesOf("after"));
    Bytes tooLong = recordingHeader();
    putRecord(tooLong, 0, 'S', bytesOf("ok"));
    putLittle(tooLong, 0, 8);
    tooLong.push_back('R');
    putLittle(tooLong, MaxRecordBytes + 1, 4);
    const struct {
        const char* name;
        Bytes file;
        const char* says;
    } cases[] = {
        {"unknown direction", badDirection, "damaged record (unknown direction byte 88)"},
        {"length above the limit", tooLong,
         "damaged record (it claims 1048577 bytes, at most 1048576)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reader = open(c.file);
        ASSERT_TRUE(reader);
        EXPECT_EQ(readAll(*reader).size(), 1u);
        EXPECT_EQ(reader->problem(), c.says);
        EXPECT_FALSE(reader->cutOff());
        EXPECT_EQ(reader->offset(), 31u) << "where the damaged record starts";
        EXPECT_FALSE(reader->next()) << "nothing after the damage";
    }
}

// A pipe would block the simulator until something wrote into it; a folder or a device is
// no recording either. Each is refused by name, without being opened.
TEST_F(SimRecording, OnlyARegularFileIsOpened) {
    const std::string fifo = folder.file("pipe.rec");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {
        {fifo, "it is a named pipe, not a regular file"},
        {folder.file(""), "it is a folder, not a regular file"},
        {"/dev/null", "it is a device, not a regular file"},
        {folder.file("missing.rec"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        std::string error;
        std::unique_ptr<LineRecordingReader> reader;
        EXPECT_TRUE(testsupport::returnsWithoutBlocking(
            fifo, [&] { reader = LineRecordingReader::open(c.path, error); }));
        EXPECT_FALSE(reader) << c.path;
        EXPECT_EQ(error, "cannot read the recording " + c.path + ": " + c.says);
    }
}

// 200 000 one-byte records played as fast as possible: the file is read a buffer at a
// time as it plays, never ahead of the play by more than that.
TEST_F(SimRecording, AManySmallRecordsFileIsReadAsItPlays) {
    constexpr std::size_t Records = 200'000;
    Bytes file = recordingHeader();
    for (std::size_t i = 0; i < Records; ++i) {
        putRecord(file, i, i % 4 == 3 ? 'S' : 'R', Bytes{static_cast<Byte>(i)});
    }
    RecordingPlayer player(open(file), 0);
    const Moment t0 = Moment() + 1h;
    player.start(t0);
    std::size_t played = 0;
    std::uint64_t sum = 0;
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < Records; ++i) {
        expected += i % 4 == 3 ? 0 : static_cast<Byte>(i);
    }
    while (!player.finished()) {
        const auto chunk = player.next(t0);
        if (chunk) {
            ASSERT_EQ(chunk->size(), 1u);
            sum += chunk->front();
            ++played;
        }
        ASSERT_LE(player.heldBytes(), LineRecordingReader::ReadBuffer + 2);
        const std::uint64_t readUpTo = player.reader()->offset() + player.reader()->bufferedBytes();
        ASSERT_LE(readUpTo, RecordingHeaderSize + (played * 4 / 3 + 3) * (RecordHeaderSize + 1) +
                                LineRecordingReader::ReadBuffer);
    }
    EXPECT_EQ(played, Records / 4 * 3);
    EXPECT_EQ(sum, expected);
    EXPECT_EQ(player.earlyStop(), "");
}

// A file claiming 1 GiB that holds a header and then nothing readable (a sparse file, all
// zeros) stops at its first record with one buffer read.
TEST_F(SimRecording, AHugeFileOfGarbageStopsAtItsFirstRecord) {
    const std::string path = folder.write("huge.rec", recordingHeader());
    std::filesystem::resize_file(path, std::uint64_t{1} << 30);
    std::string error;
    RecordingPlayer player(LineRecordingReader::open(path, error), 1);
    ASSERT_TRUE(player.reader()) << error;
    const Moment t0 = Moment() + 1h;
    player.start(t0);
    EXPECT_FALSE(player.next(t0 + 1h));
    EXPECT_TRUE(player.finished());
    EXPECT_LE(player.heldBytes(), LineRecordingReader::ReadBuffer);
    EXPECT_EQ(player.earlyStop(), "replay stopped at byte 16: damaged record (unknown direction "
                                  "byte 0) after 0 records (0 played)");
}

TEST_F(SimRecording, AnEarlyStopSaysWhereAndHowMuchWasPlayed) {
    Bytes damaged = recordingHeader();
    putRecord(damaged, 0, 'R', bytesOf("STS,"));
    putRecord(damaged, 5, 'S', bytesOf("REMOTE1"));
    putRecord(damaged, 10, 'Q', bytesOf("??"));
    Bytes cut = recordingHeader();
    putRecord(cut, 0, 'R', bytesOf("STS,"));
    putRecord(cut, 10, 'R', bytesOf("FA1"));
    cut.pop_back();
    const struct {
        const char* name;
        Bytes file;
        std::string says;
    } cases[] = {
        {"whole", sampleRecording(), ""},
        {"damaged", damaged,
         "replay stopped at byte 53: damaged record (unknown direction byte 81) after 2 "
         "records (1 played)"},
        {"cut", cut, "replay stopped at byte 33: cut-off record after 1 record (1 played)"},
    };
    for (const auto& c : cases) {
        RecordingPlayer player(open(c.file), 0);
        const Moment t0 = Moment() + 1h;
        player.start(t0);
        while (player.next(t0)) {
        }
        EXPECT_TRUE(player.finished()) << c.name;
        EXPECT_EQ(player.earlyStop(), c.says) << c.name;
    }
}

// Time is driven by hand: each chunk comes out when its spacing from the first, divided by
// the speed, has passed, and not before.
TEST_F(SimRecording, PlaysWithTheOriginalSpacingScaledBySpeed) {
    for (const double speed : {1.0, 4.0}) {
        RecordingPlayer player(open(sampleRecording()), speed);
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
        EXPECT_EQ(player.played(), 4u);
    }
}

TEST_F(SimRecording, AsFastAsPossibleGivesEverythingAtOnceAndTimeNeverRunsBack) {
    Bytes file = recordingHeader();
    putRecord(file, 9000000, 'R', bytesOf("a"));
    putRecord(file, 1000, 'R', bytesOf("b")); // clock ran back: played without waiting
    putRecord(file, 9000500, 'R', bytesOf("c"));
    const Moment t0 = Moment() + 1h;

    RecordingPlayer fast(open(sampleRecording()), 0);
    fast.start(t0);
    int count = 0;
    while (fast.next(t0)) {
        ++count;
    }
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(fast.finished());

    RecordingPlayer player(open(file), 1);
    player.start(t0);
    EXPECT_TRUE(player.next(t0));
    EXPECT_TRUE(player.next(t0));
    EXPECT_EQ(player.untilNext(t0), 500us);
}

// A long run of sent records is read past a step at a time: each call reads at most
// ReadStep records and says to call again at once.
TEST_F(SimRecording, ALongRunOfSentRecordsIsReadInBoundedSteps) {
    Bytes file = recordingHeader();
    for (std::uint64_t i = 0; i < 30'000; ++i) {
        putRecord(file, i, 'S', bytesOf("P"));
    }
    putRecord(file, 30'000, 'R', bytesOf("FA1"));
    RecordingPlayer player(open(file), 1);
    const Moment t0 = Moment() + 1h;
    player.start(t0);
    int calls = 0;
    Bytes played;
    while (!player.finished()) {
        const std::uint64_t before = player.reader()->records();
        ASSERT_TRUE(player.untilNext(t0));
        EXPECT_EQ(*player.untilNext(t0), 0us);
        if (const auto chunk = player.next(t0)) {
            played.insert(played.end(), chunk->begin(), chunk->end());
        }
        EXPECT_LE(player.reader()->records() - before, 2 * RecordingPlayer::ReadStep);
        ++calls;
    }
    EXPECT_EQ(played, bytesOf("FA1"));
    EXPECT_GE(calls, 3);
}
