#include "recording/recordingfiles.h"
#include "remote/recording/replayscheduler.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace remote::recording;

namespace {

// Recordings built on disk record by record, played from the file as the station plays
// them.
struct ReplayFile : ::testing::Test {
    QTemporaryDir dir;
    std::filesystem::path path = (dir.path() + "/line.rec").toStdString();

    void write(const std::vector<std::uint8_t>& bytes) const {
        recordingtest::writeBytes(path, bytes);
    }
    ReplayScheduler scheduler(int speed) const {
        return ReplayScheduler(std::make_unique<RecordingReader>(path), speed);
    }
};

// Plays everything as fast as possible, checking after each call that no more than a
// buffer and one record of the file is held; returns the bytes handed out.
std::uint64_t playOut(ReplayScheduler& s, std::size_t heldLimit, int* calls = nullptr) {
    std::uint64_t total = 0;
    s.start(0);
    int count = 0;
    while (!s.finished()) {
        const auto bytes = s.due(0);
        total += bytes.size();
        ++count;
        EXPECT_LE(bytes.size(), std::max<std::size_t>(ReplayScheduler::kFastSlice, kMaxChunk));
        EXPECT_LE(s.heldBytes(), heldLimit);
        if (s.heldBytes() > heldLimit || count > 10'000'000) {
            break;
        }
    }
    if (calls) {
        *calls = count;
    }
    return total;
}

} // namespace

// 200 000 one-byte records: the file is read as it plays, a buffer at a time, never ahead
// of the play by more than that.
TEST_F(ReplayFile, AManySmallRecordsFileIsReadAsItPlays) {
    constexpr std::size_t kRecords = 200'000;
    std::vector<std::uint8_t> bytes = encodeHeader();
    for (std::size_t i = 0; i < kRecords; ++i) {
        appendRecord(bytes, Chunk{i * 100, Direction::Received, {static_cast<std::uint8_t>(i)}});
    }
    write(bytes);

    auto s = scheduler(0);
    s.start(0);
    std::uint64_t played = 0;
    std::uint64_t sum = 0;
    while (!s.finished()) {
        for (const std::uint8_t b : s.due(0)) {
            sum += b;
            ++played;
        }
        ASSERT_LE(s.heldBytes(), RecordingReader::kReadBuffer + 1);
        // The reader is past the played records by the record held ahead and its buffer.
        const std::uint64_t playedEnd = kHeaderSize + played * (kRecordHeaderSize + 1);
        ASSERT_LE(s.reader()->offset(), playedEnd + kRecordHeaderSize + 1);
        ASSERT_LE(s.reader()->offset() + s.reader()->bufferedBytes(),
                  playedEnd + kRecordHeaderSize + 1 + RecordingReader::kReadBuffer);
    }
    EXPECT_EQ(played, kRecords);
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < kRecords; ++i) {
        expected += static_cast<std::uint8_t>(i);
    }
    EXPECT_EQ(sum, expected);
    EXPECT_EQ(s.chunksPlayed(), kRecords);
    EXPECT_EQ(s.earlyStop(), "");
}

// Records of the largest size, their bytes left as holes of a sparse file: at most one of
// them is held besides the buffer, and each slice handed out is one record.
TEST_F(ReplayFile, LargestRecordsAreHeldOneAtATime) {
    constexpr std::uint64_t kRecords = 24;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const auto header = encodeHeader();
    ASSERT_EQ(::pwrite(fd, header.data(), header.size(), 0), static_cast<ssize_t>(kHeaderSize));
    for (std::uint64_t i = 0; i < kRecords; ++i) {
        std::vector<std::uint8_t> head;
        appendRecord(head, Chunk{i, Direction::Received, {}});
        head[9] = 0; // the length, kMaxChunk little-endian
        head[10] = 0;
        head[11] = 0x10;
        head[12] = 0;
        const off_t at = static_cast<off_t>(kHeaderSize + i * (kRecordHeaderSize + kMaxChunk));
        ASSERT_EQ(::pwrite(fd, head.data(), head.size(), at),
                  static_cast<ssize_t>(kRecordHeaderSize));
    }
    ASSERT_EQ(::ftruncate(
                  fd, static_cast<off_t>(kHeaderSize + kRecords * (kRecordHeaderSize + kMaxChunk))),
              0);
    ::close(fd);

    auto s = scheduler(0);
    int calls = 0;
    EXPECT_EQ(playOut(s, RecordingReader::kReadBuffer + kMaxChunk, &calls), kRecords * kMaxChunk);
    EXPECT_EQ(calls, static_cast<int>(kRecords));
    EXPECT_EQ(s.earlyStop(), "");
}

// A file that claims 1 GiB but holds a header and then nothing readable (a sparse file,
// zeros): the replay stops at the first record, having read one buffer of it.
TEST_F(ReplayFile, AHugeFileOfGarbageStopsAtItsFirstRecord) {
    write(encodeHeader());
    std::filesystem::resize_file(path, std::uint64_t{1} << 30);
    auto s = scheduler(1);
    EXPECT_EQ(playOut(s, RecordingReader::kReadBuffer), 0u);
    EXPECT_EQ(s.earlyStop(),
              "Replay stopped at byte 16: damaged record after 0 records (0 played)");
}

// A long run of records that are not played (sent ones, empty ones) is read a step at a
// time: each call returns after kReadStep records, and the played record still comes.
TEST_F(ReplayFile, ALongRunOfUnplayedRecordsIsReadInBoundedSteps) {
    constexpr std::size_t kSkipped = 50'000;
    std::vector<std::uint8_t> bytes = encodeHeader();
    for (std::size_t i = 0; i < kSkipped; ++i) {
        appendRecord(bytes,
                     Chunk{i, i % 2 ? Direction::Sent : Direction::Received,
                           i % 2 ? std::vector<std::uint8_t>{'P'} : std::vector<std::uint8_t>{}});
    }
    appendRecord(bytes, Chunk{kSkipped, Direction::Received, {'F', 'A', '1'}});
    write(bytes);

    auto s = scheduler(4);
    s.start(1000);
    EXPECT_LE(s.reader()->records(), ReplayScheduler::kReadStep);
    std::string played;
    int calls = 0;
    while (!s.finished()) {
        const std::uint64_t before = s.reader()->records();
        ASSERT_TRUE(s.nextDueUs());
        EXPECT_EQ(*s.nextDueUs(), 1000u) << "while reading ahead the next call is at once";
        const auto got = s.due(1000);
        played.append(got.begin(), got.end());
        EXPECT_LE(s.reader()->records() - before, ReplayScheduler::kReadStep);
        ++calls;
    }
    EXPECT_EQ(played, "FA1");
    EXPECT_GE(calls, static_cast<int>(kSkipped / ReplayScheduler::kReadStep) - 1);
}

// Where a replay stops early, and why, in the words the operator reads.
TEST_F(ReplayFile, ADamagedOrCutFileSaysWhereItStopsAndWhatWasPlayed) {
    std::vector<std::uint8_t> good = encodeHeader();
    appendRecord(good, Chunk{0, Direction::Sent, {'R', 'E', 'M', 'O', 'T', 'E', '1', 0xFD, 13}});
    appendRecord(good, Chunk{10, Direction::Received, {'S', 'T', 'S', ','}});
    appendRecord(good, Chunk{20, Direction::Received, {'F', 'A', '1'}});
    const std::size_t end = good.size(); // 16 + 22 + 17 + 16 = 71
    std::vector<std::uint8_t> damaged = good;
    appendRecord(damaged, Chunk{30, Direction::Received, {'x'}});
    damaged[end + 8] = 'Q';
    appendRecord(damaged, Chunk{40, Direction::Received, {'y'}});
    std::vector<std::uint8_t> cut = good;
    appendRecord(cut, Chunk{30, Direction::Received, {'x', 'y', 'z'}});
    cut.resize(cut.size() - 1);
    std::vector<std::uint8_t> oneRecord = encodeHeader();
    appendRecord(oneRecord, Chunk{0, Direction::Received, {'a'}});
    oneRecord.push_back(0);

    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::string played;
        std::string says;
    } cases[] = {
        {"whole", good, "STS,FA1", ""},
        {"damaged", damaged, "STS,FA1",
         "Replay stopped at byte 71: damaged record after 3 records (2 played)"},
        {"cut", cut, "STS,FA1",
         "Replay stopped at byte 71: cut-off record after 3 records (2 played)"},
        {"one record", oneRecord, "a",
         "Replay stopped at byte 30: cut-off record after 1 record (1 played)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.file);
        for (const int speed : {0, 16}) {
            auto s = scheduler(speed);
            s.start(0);
            std::string played;
            while (!s.finished()) {
                const auto bytes = s.due(1'000'000);
                played.append(bytes.begin(), bytes.end());
            }
            EXPECT_EQ(played, c.played);
            EXPECT_EQ(s.earlyStop(), c.says);
        }
    }
}
