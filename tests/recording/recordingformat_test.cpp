#include "recording/recordingfiles.h"
#include "remote/recording/linerecorder.h"
#include "remote/recording/recordingformat.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace remote::recording;
using recordingtest::readChunks;
using testsupport::returnsWithoutBlocking;

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
        const std::vector<std::uint8_t> part(whole.begin(),
                                             whole.begin() + static_cast<std::ptrdiff_t>(cut));
        writeBytes(part);
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut) {
            ++complete;
        }
        const bool atBoundary = cut == kHeaderSize || (complete > 0 && ends[complete - 1] == cut);
        // The file and the same bytes in memory read alike.
        RecordingReader fromFile(path);
        RecordingReader fromMemory{std::span<const std::uint8_t>(part)};
        for (RecordingReader* reader : {&fromFile, &fromMemory}) {
            std::vector<Chunk> read;
            while (auto c = reader->next()) {
                read.push_back(*c);
            }
            ASSERT_EQ(read.size(), complete) << "cut at " << cut;
            EXPECT_TRUE(std::equal(read.begin(), read.end(), kChunks.begin()));
            EXPECT_EQ(reader->cutOff(), !atBoundary) << "cut at " << cut;
            EXPECT_EQ(reader->stoppedEarly(), !atBoundary) << "cut at " << cut;
            EXPECT_FALSE(reader->damaged());
            EXPECT_EQ(reader->records(), complete);
            // Where the cut-off record starts, or the end of a whole file.
            EXPECT_EQ(reader->offset(), complete > 0 ? ends[complete - 1] : kHeaderSize);
            EXPECT_FALSE(reader->next()) << "the end stays the end";
        }
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
        EXPECT_EQ(reader.problem(), "damaged record");
        EXPECT_EQ(reader.records(), 1u);
        EXPECT_EQ(reader.offset(), second) << "where the damaged record starts";
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

    const auto chunks = readChunks(path);
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

// Anything but a regular file is refused by name, before it is opened: opening a pipe
// blocks until someone writes into it, opening a device can act on it.
TEST_F(RecordingFile, OnlyARegularFileIsReadOrWritten) {
    const std::filesystem::path fifo = dir.path().toStdString() + "/pipe.rec";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::filesystem::path folder = dir.path().toStdString() + "/folder.rec";
    std::filesystem::create_directory(folder);
    const std::filesystem::path linkToFifo = dir.path().toStdString() + "/link.rec";
    std::filesystem::create_symlink(fifo, linkToFifo);
    const struct {
        std::filesystem::path path;
        const char* says;
    } cases[] = {
        {fifo, "is a named pipe, not a regular file"},
        {linkToFifo, "is a named pipe, not a regular file"},
        {folder, "is a folder, not a regular file"},
        {"/dev/null", "is a device, not a regular file"},
        {dir.path().toStdString() + "/missing.rec", "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        std::string readError;
        EXPECT_TRUE(returnsWithoutBlocking(fifo, [&] {
            try {
                RecordingReader reader(c.path);
            } catch (const std::runtime_error& e) {
                readError = e.what();
            }
        }));
        EXPECT_NE(readError.find(c.says), std::string::npos) << readError;
        EXPECT_NE(readError.find(c.path.string()), std::string::npos) << readError;

        if (c.path.filename() == "missing.rec") {
            continue; // a new recording is made there
        }
        LineRecorder recorder;
        std::string writeError;
        bool started = true;
        EXPECT_TRUE(
            returnsWithoutBlocking(fifo, [&] { started = recorder.start(c.path, writeError); }));
        EXPECT_FALSE(started);
        EXPECT_FALSE(recorder.active());
        EXPECT_NE(writeError.find(c.says), std::string::npos) << writeError;
    }

    // A link to a recording is read as the recording.
    writeBytes(encodeHeader());
    const std::filesystem::path linkToFile = dir.path().toStdString() + "/file-link.rec";
    std::filesystem::create_symlink(path, linkToFile);
    RecordingReader reader(linkToFile);
    EXPECT_FALSE(reader.next());
    EXPECT_FALSE(reader.stoppedEarly());
}

// Recordings hold what went over the line: readable by their user only, whatever the umask,
// also when an older file of the same name was readable by others.
TEST_F(RecordingFile, ARecordingIsPrivateToItsUserWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{0}}) {
        const mode_t before = ::umask(mask);
        for (const bool existed : {false, true}) {
            SCOPED_TRACE(testing::Message() << "umask " << mask << (existed ? ", replacing" : ""));
            std::filesystem::remove(path);
            if (existed) {
                writeBytes(std::vector<std::uint8_t>(100, 'x'));
                std::filesystem::permissions(path, std::filesystem::perms(0644));
            }
            LineRecorder recorder;
            std::string error;
            ASSERT_TRUE(recorder.start(path, error)) << error;
            recorder.stop();
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0600u);
            EXPECT_EQ(st.st_size, static_cast<off_t>(kHeaderSize)) << "the old file is emptied";
        }
        ::umask(before);
    }
}

// The normal end of the station destroys its recorder with sent bytes still gathered (a
// tick cut short): they become a whole last record, and the file reads to its end.
TEST_F(RecordingFile, ARecorderDestroyedMidRunLeavesEveryRecordWhole) {
    std::uint64_t clock = 0;
    auto recorder = std::make_unique<LineRecorder>([&clock] { return clock; });
    std::string error;
    ASSERT_TRUE(recorder->start(path, error)) << error;
    for (int i = 0; i < 50; ++i) {
        clock += 1000;
        const std::uint8_t got[] = {'F', 'A', '1', static_cast<std::uint8_t>(i)};
        recorder->received(got);
        recorder->sent('R');
        recorder->sent(static_cast<std::uint8_t>(i));
        if (i % 2 == 0) {
            recorder->flushSent();
        }
    }
    recorder->sent('Z');
    recorder.reset();

    RecordingReader reader(path);
    std::vector<Chunk> chunks;
    while (auto c = reader.next()) {
        chunks.push_back(std::move(*c));
    }
    EXPECT_FALSE(reader.stoppedEarly()) << reader.problem();
    EXPECT_EQ(reader.offset(), std::filesystem::file_size(path)) << "no bytes after the last";
    ASSERT_EQ(chunks.size(), 100u);
    EXPECT_EQ(chunks.back(), (Chunk{50'000, Direction::Sent, {'R', 49, 'Z'}}));
}

// A write the file system refuses halfway (the file may grow no further) stops the
// recording with the reason and takes back the part of the record that was written.
TEST_F(RecordingFile, AFailedWriteStopsTheRecordingWithWholeRecordsOnly) {
    LineRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start(path, error)) << error;
    const std::vector<std::uint8_t> chunk(100, 'x');
    recorder.received(chunk); // 16 + 113 bytes

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 300; // room for one more record and a part of the next
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 0; i < 3 && recorder.active(); ++i) {
        recorder.received(chunk);
    }
    ::setrlimit(RLIMIT_FSIZE, &before);

    EXPECT_FALSE(recorder.active());
    EXPECT_NE(recorder.error().find("recording stopped: File too large"), std::string::npos)
        << recorder.error();
    RecordingReader reader(path);
    std::size_t count = 0;
    while (reader.next()) {
        ++count;
    }
    EXPECT_EQ(count, 2u);
    EXPECT_FALSE(reader.stoppedEarly()) << reader.problem();
    EXPECT_EQ(std::filesystem::file_size(path), kHeaderSize + 2 * 113);
}
