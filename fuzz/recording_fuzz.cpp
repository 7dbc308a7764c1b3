// Reads arbitrary bytes as a line recording, as they are and behind a valid header, and
// replays them, stopping at the first broken invariant: a record outside the format, an
// offset or a record count that does not match what was read, the records read not being
// the file's own bytes, more held in memory than a buffer and one record, or a replay that
// loses, invents or reorders bytes.
#include "fuzzcheck.h"
#include "remote/recording/recordingformat.h"
#include "remote/recording/replayscheduler.h"

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using namespace remote::recording;

void readAndReplay(std::span<const std::uint8_t> file, int speed) {
    std::unique_ptr<RecordingReader> reader;
    try {
        reader = std::make_unique<RecordingReader>(file);
    } catch (const std::runtime_error&) {
        FUZZ_CHECK(file.size() < kHeaderSize || std::memcmp(file.data(), kMagic, 8) != 0 ||
                   file[8] != kFormatVersion || file[9] != 0 || file[10] != 0 || file[11] != 0);
        return;
    }
    FUZZ_CHECK(file.size() >= kHeaderSize);

    // Read whole: every record is the file's own bytes, in order, each within the format.
    std::vector<std::uint8_t> again(file.begin(), file.begin() + kHeaderSize);
    std::vector<std::uint8_t> received;
    std::uint64_t count = 0;
    while (auto chunk = reader->next()) {
        FUZZ_CHECK(chunk->bytes.size() <= kMaxChunk);
        FUZZ_CHECK(chunk->direction == Direction::Received || chunk->direction == Direction::Sent);
        appendRecord(again, *chunk);
        if (chunk->direction == Direction::Received) {
            received.insert(received.end(), chunk->bytes.begin(), chunk->bytes.end());
        }
        ++count;
        FUZZ_CHECK(reader->records() == count);
        FUZZ_CHECK(reader->offset() == again.size());
        FUZZ_CHECK(reader->bufferedBytes() <= RecordingReader::kReadBuffer);
    }
    FUZZ_CHECK(!reader->next());
    FUZZ_CHECK(reader->offset() == again.size());
    FUZZ_CHECK(again.size() <= file.size());
    FUZZ_CHECK(std::memcmp(again.data(), file.data(), again.size()) == 0);
    // A stop exactly at the end is a whole file; anything left over was said to be wrong.
    FUZZ_CHECK(reader->stoppedEarly() == (again.size() < file.size()));
    FUZZ_CHECK(reader->stoppedEarly() == (reader->cutOff() || reader->damaged()));
    FUZZ_CHECK(!reader->stoppedEarly() || !reader->problem().empty());

    // Replayed from the start: the received bytes, all of them, in order, with a clock that
    // jumps to each due time.
    ReplayScheduler scheduler(std::make_unique<RecordingReader>(file), speed);
    std::uint64_t now = 1'000'000;
    scheduler.start(now);
    std::vector<std::uint8_t> played;
    for (std::uint64_t step = 0; !scheduler.finished(); ++step) {
        FUZZ_CHECK(step <= 2 * count + 2);
        const auto due = scheduler.nextDueUs();
        FUZZ_CHECK(due.has_value());
        now = std::max(now, *due);
        const auto bytes = scheduler.due(now);
        FUZZ_CHECK(bytes.size() <= std::max<std::size_t>(ReplayScheduler::kFastSlice, kMaxChunk));
        FUZZ_CHECK(scheduler.heldBytes() <= RecordingReader::kReadBuffer + kMaxChunk);
        played.insert(played.end(), bytes.begin(), bytes.end());
    }
    FUZZ_CHECK(!scheduler.nextDueUs());
    FUZZ_CHECK(played == received);
    FUZZ_CHECK(scheduler.earlyStop().empty() == !reader->stoppedEarly());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const int speed = size > 0 ? data[size - 1] % 3 * 8 : 0; // 0 (fast), 8 or 16
    readAndReplay(input, speed);
    // Behind a valid header, so that the records themselves are reached at once.
    std::vector<std::uint8_t> withHeader = encodeHeader();
    withHeader.insert(withHeader.end(), input.begin(), input.end());
    readAndReplay(withHeader, speed);
    return 0;
}
