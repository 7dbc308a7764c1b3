// Throws byte streams, cut into pieces of any size, at the automation socket's line buffer
// and command parser, and stops at a line longer than the limit, a line the stream did not
// hold as such, anything served after a line over the limit, or words that do not put their
// line back together.
#include "fuzzcheck.h"
#include "remote/automation/commandline.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using remote::automation::LineBuffer;
using remote::automation::parseCommandLine;

constexpr qsizetype kMax = LineBuffer::kMaxLine;

// The words, joined by the single spaces they were cut at, are the trimmed line.
void checkWords(const QByteArray& line) {
    const QString text = QString::fromUtf8(line);
    const auto command = parseCommandLine(text);
    const QString trimmed = text.trimmed();
    const QChar space(QLatin1Char(' '));
    FUZZ_CHECK(!command.verb.contains(space));
    FUZZ_CHECK(!command.name.contains(space));
    const qsizetype spaces = trimmed.count(space);
    if (spaces == 0) {
        FUZZ_CHECK(command.verb == trimmed && command.name.isEmpty() && command.text.isEmpty());
    } else if (spaces == 1) {
        FUZZ_CHECK(command.verb + space + command.name == trimmed && command.text.isEmpty());
    } else {
        FUZZ_CHECK(command.verb + space + command.name + space + command.text == trimmed);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    LineBuffer buffer;
    QByteArray stream;
    std::vector<QByteArray> lines;
    while (in.remaining_bytes() > 0) {
        const auto piece = in.ConsumeIntegralInRange<std::size_t>(0, 3 * kMax);
        const std::string bytes = in.ConsumeBytesAsString(piece);
        buffer.append(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        stream.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        while (const auto line = buffer.takeLine()) {
            FUZZ_CHECK(!line->contains('\n'));
            FUZZ_CHECK(line->size() < kMax);
            lines.push_back(*line);
        }
        FUZZ_CHECK(buffer.pending() < kMax);
        FUZZ_CHECK(!buffer.tooLong() || buffer.pending() == 0);
    }

    // The same stream cut at its line ends in one go: every line up to the first one over the
    // limit (a tail without a line end counts once it reaches the limit).
    std::vector<QByteArray> expected;
    bool tooLong = false;
    for (qsizetype start = 0; start < stream.size();) {
        const qsizetype end = stream.indexOf('\n', start);
        const qsizetype length = (end < 0 ? stream.size() : end + 1) - start;
        if (length > kMax || (end < 0 && length == kMax)) {
            tooLong = true;
            break;
        }
        if (end < 0) {
            break;
        }
        expected.push_back(stream.mid(start, end - start));
        start = end + 1;
    }
    FUZZ_CHECK(lines == expected);
    FUZZ_CHECK(buffer.tooLong() == tooLong);
    for (const QByteArray& line : lines) {
        checkWords(line);
    }
    return 0;
}
