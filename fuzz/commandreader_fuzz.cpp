// Feeds the simulator's command reader arbitrary bytes in arbitrary pieces and stops at the
// first broken invariant: a command that is not one well-formed frame, a stray report
// that does not match its count, bytes lost or counted twice, or events that depend on how
// the stream was cut into pieces.
#include "core/commandreader.h"
#include "fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

using namespace detectorsim;

bool sameEvent(const ReadEvent& a, const ReadEvent& b) {
    return a.type == b.type && a.bytes == b.bytes && a.strayCount == b.strayCount &&
           a.command.kind == b.command.kind && a.command.values == b.command.values;
}

// Checks each event on its own and adds the bytes it accounts for.
void check(const std::vector<ReadEvent>& events, std::size_t& accounted, std::vector<Byte>& rebuilt,
           bool& rebuildable) {
    for (const ReadEvent& e : events) {
        if (e.type == ReadEvent::Type::Stray) {
            FUZZ_CHECK(e.strayCount > 0);
            FUZZ_CHECK(e.bytes.size() == std::min(e.strayCount, CommandReader::StrayKept));
            accounted += e.strayCount;
            rebuildable = rebuildable && e.bytes.size() == e.strayCount;
            rebuilt.insert(rebuilt.end(), e.bytes.begin(), e.bytes.end());
            continue;
        }
        FUZZ_CHECK(e.strayCount == 0);
        FUZZ_CHECK(e.bytes.size() == ShortCommand || e.bytes.size() == LongCommand);
        FUZZ_CHECK(e.bytes.back() == CarriageReturn);
        // The frame is the command's own layout with its values; only the checksum byte of a
        // bad one differs.
        std::vector<Byte> frame = buildCommand(e.command.kind, e.command.values);
        FUZZ_CHECK(frame.size() == e.bytes.size());
        const std::size_t sum = frame.size() - 2;
        FUZZ_CHECK((frame[sum] == e.bytes[sum]) == (e.type == ReadEvent::Type::Command));
        frame[sum] = e.bytes[sum];
        FUZZ_CHECK(frame == e.bytes);
        accounted += e.bytes.size();
        rebuilt.insert(rebuilt.end(), e.bytes.begin(), e.bytes.end());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::size_t> pieces;
    const std::size_t pieceCount = in.ConsumeIntegralInRange<std::size_t>(0, 16);
    for (std::size_t i = 0; i < pieceCount; ++i) {
        pieces.push_back(in.ConsumeIntegralInRange<std::size_t>(0, 64));
    }
    const std::vector<Byte> stream = in.ConsumeRemainingBytes<Byte>();

    // In pieces, with a flush (the line going quiet) now and then.
    CommandReader reader;
    std::vector<ReadEvent> events;
    std::size_t fed = 0;
    std::size_t at = 0;
    for (std::size_t i = 0; at < stream.size(); ++i) {
        // A piece of size 0 stands for one byte and then a quiet line.
        const std::size_t piece = pieces.empty() ? stream.size() : pieces[i % pieces.size()];
        const std::size_t length = std::min(std::max<std::size_t>(piece, 1), stream.size() - at);
        const auto got = reader.feed(std::span(stream).subspan(at, length));
        events.insert(events.end(), got.begin(), got.end());
        at += length;
        fed += length;
        if (pieces.empty() || piece == 0) {
            const auto flushed = reader.flush();
            events.insert(events.end(), flushed.begin(), flushed.end());
            FUZZ_CHECK(reader.pendingBytes() == 0);
        }
    }
    std::size_t accounted = 0;
    std::vector<Byte> rebuilt;
    bool rebuildable = true;
    check(events, accounted, rebuilt, rebuildable);
    FUZZ_CHECK(accounted + reader.pendingBytes() == fed);
    const auto last = reader.flush();
    check(last, accounted, rebuilt, rebuildable);
    events.insert(events.end(), last.begin(), last.end());
    FUZZ_CHECK(accounted == stream.size());
    FUZZ_CHECK(reader.pendingBytes() == 0);
    FUZZ_CHECK(!rebuildable || rebuilt == stream);

    // Without quiet moments the events do not depend on the pieces.
    bool quiet = pieces.empty();
    for (const std::size_t p : pieces) {
        quiet = quiet || p == 0;
    }
    if (!quiet) {
        CommandReader whole;
        auto once = whole.feed(stream);
        const auto end = whole.flush();
        once.insert(once.end(), end.begin(), end.end());
        FUZZ_CHECK(once.size() == events.size());
        for (std::size_t i = 0; i < once.size(); ++i) {
            FUZZ_CHECK(sameEvent(once[i], events[i]));
        }
    }
    return 0;
}
