#include "remote/recording/linerecorder.h"
#include "remote/recording/recordingformat.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace remote::recording;

namespace {

struct RecordingFile : ::testing::Test {
    QTemporaryDir dir;
    std::filesystem::path path = (dir.path() + "/line.rec").toStdString();

    void writeBytes(const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
};

const std::vector<Chunk> kChunks{
    {0, Direction::Sent, {'R', 'E', 'M', 'O', 'T', 'E', '1', 0xFD, 13}},
    {1500, Direction::Received, {'F', 'A', '1'}},
    {1'000'000'007, Direction::Received, {0x00, 0xFF, 13, 10}},
};

} // namespace

TEST_F(RecordingFile, TheLayoutIsTheDocumentedOne) {
    std::vector<std::uint8_t> bytes = encodeHeader();
    appendRecord(bytes, Chunk{0x0102030405060708, Direction::Received, {0xAA}});
    const std::vector<std::uint8_t> expected{'L', 'I', 'N', 'E', 'R', 'E', 'C', '\n',
                                             1,   0,   0,   0,   0,   0,   0,   0, // header
                                             8,   7,   6,   5,   4,   3,   2,   1, // time, µs
                                             'R', 1,   0,   0,   0,   0xAA}; // direction, length
    EXPECT_EQ(bytes, expected);
}

TEST_F(RecordingFile, ACutAnywhereReadsEveryCompleteRecordAndNothingElse) {
    std::vector<std::uint8_t> whole = encodeHeader();
    std::vector<std::size_t> ends;
    for (const Chunk& c : kChunks) {
        appendRecord(whole, c);
        ends.push_back(whole.size());
    }
    for (std::size_t cut = kHeaderSize; cut <= whole.size(); ++cut) {
        writeBytes({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)});
        RecordingReader reader(path);
        std::vector<Chunk> read;
        while (auto c = reader.next()) {
            read.push_back(*c);
        }
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut) {
            ++complete;
        }
        ASSERT_EQ(read.size(), complete) << "cut at " << cut;
        EXPECT_TRUE(std::equal(read.begin(), read.end(), kChunks.begin()));
        const bool atBoundary = cut == kHeaderSize || (complete > 0 && ends[complete - 1] == cut);
        EXPECT_EQ(reader.cutOff(), !atBoundary) << "cut at " << cut;
        EXPECT_FALSE(reader.damaged());
    }
}

TEST_F(RecordingFile, ForeignFilesAndDamagedRecordsAreRefused) {
    for (const std::vector<std::uint8_t>& header :
         {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{'L', 'I', 'N', 'E'},
          std::vector<std::uint8_t>(16, 'x'),
          std::vector<std::uint8_t>{'L', 'I', 'N', 'E', 'R', 'E', 'C', '\n', 2, 0, 0, 0, 0, 0, 0,
                                    0}}) {
        writeBytes(header);
        EXPECT_THROW(RecordingReader{path}, std::runtime_error);
    }
    EXPECT_THROW(RecordingReader{dir.path().toStdString() + "/missing"}, std::runtime_error);

    struct Case {
        std::size_t offset; // into the second record
        std::uint8_t value;
    };
    for (const Case c : {Case{8, 'X'}, Case{12, 0xFF}}) { // bad direction, huge length
        std::vector<std::uint8_t> bytes = encodeHeader();
        appendRecord(bytes, kChunks[0]);
        const std::size_t second = bytes.size();
        appendRecord(bytes, kChunks[1]);
        appendRecord(bytes, kChunks[2]);
        bytes[second + c.offset] = c.value;
        writeBytes(bytes);
        RecordingReader reader(path);
        EXPECT_EQ(reader.next(), kChunks[0]);
        EXPECT_FALSE(reader.next());
        EXPECT_TRUE(reader.damaged());
        EXPECT_FALSE(reader.next()) << "nothing after damage";
    }
}

TEST_F(RecordingFile, TheRecorderGathersSentBytesAndStampsEachChunk) {
    std::uint64_t clock = 5'000'000;
    LineRecorder recorder([&clock] { return clock; });
    std::string error;
    ASSERT_TRUE(recorder.start(path, error)) << error;
    EXPECT_EQ(recorder.size(), kHeaderSize);
    clock += 10;
    for (std::uint8_t b : kChunks[0].bytes) {
        recorder.sent(b);
        clock += 1000; // a byte time later, still the same chunk
    }
    clock = 5'000'000 + 1500 + 10;
    const std::uint8_t alarm[] = {'F', 'A', '1'};
    recorder.received(alarm); // writes the gathered sent bytes first
    recorder.received({});    // nothing to record
    recorder.sent('X');
    recorder.stop(); // flushes the last sent chunk
    recorder.sent('Y');
    EXPECT_FALSE(recorder.active());

    const auto chunks = RecordingReader::readAll(path);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0], (Chunk{10, Direction::Sent, kChunks[0].bytes}));
    EXPECT_EQ(chunks[1], (Chunk{1510, Direction::Received, {'F', 'A', '1'}}));
    EXPECT_EQ(chunks[2].bytes, std::vector<std::uint8_t>{'X'});
    EXPECT_EQ(recorder.size(), std::filesystem::file_size(path));
}

TEST_F(RecordingFile, AnUnwritableFileIsRefusedWithItsReason) {
    LineRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.start(dir.path().toStdString() + "/no/such/folder/line.rec", error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
    EXPECT_FALSE(recorder.active());
}
