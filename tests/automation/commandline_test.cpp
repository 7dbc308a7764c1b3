#include "remote/automation/commandline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using remote::automation::LineBuffer;
using remote::automation::parseCommandLine;

namespace {

constexpr qsizetype kMax = LineBuffer::kMaxLine;

QByteArray as(qsizetype n) {
    return QByteArray(n, 'A');
}

struct Stream {
    const char* name;
    std::vector<QByteArray> pieces;
    std::vector<QByteArray> lines; // what comes out, in order
    bool tooLong;
};

class LineBufferCases : public ::testing::TestWithParam<Stream> {};

} // namespace

// A line is handed over whole or not at all; one over the limit stops the stream, and no
// part of it (its tail above all) comes out as a line of its own.
TEST_P(LineBufferCases, HandsOverWholeLinesWithinTheLimitOnly) {
    LineBuffer buffer;
    std::vector<QByteArray> lines;
    for (const QByteArray& piece : GetParam().pieces) {
        buffer.append(piece);
        while (const auto line = buffer.takeLine()) {
            lines.push_back(*line);
        }
        EXPECT_LE(buffer.pending(), kMax);
    }
    EXPECT_EQ(lines, GetParam().lines);
    EXPECT_EQ(buffer.tooLong(), GetParam().tooLong);
    if (buffer.tooLong()) {
        buffer.append("exists IDIN\n");
        EXPECT_FALSE(buffer.takeLine().has_value()) << "a stream past a long line is dropped";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineBufferCases,
    ::testing::Values(
        Stream{"twoLinesInOnePiece", {"exists A\ntext B\n"}, {"exists A", "text B"}, false},
        Stream{"aLineInPieces", {"ex", "ists A", "", "\nte"}, {"exists A"}, false},
        Stream{"emptyLines", {"\n\n"}, {"", ""}, false},
        Stream{"exactlyTheLimit", {as(kMax - 1) + "\n"}, {as(kMax - 1)}, false},
        Stream{"oneOverTheLimit", {as(kMax) + "\n"}, {}, true},
        Stream{"theLimitReachedWithoutALineEnd", {as(kMax)}, {}, true},
        Stream{"overTheLimitInSmallPieces",
               {as(1000), as(1000), as(1000), as(1000), as(1000), "\nexists A\n"},
               {},
               true},
        Stream{
            "aCommandHiddenBehindALongOne", {"type IDIN " + as(4085) + "click LOOPSW\n"}, {}, true},
        Stream{"goodLinesBeforeALongOneStillCount",
               {"exists A\n" + as(kMax + 10) + "\nexists B\n"},
               {"exists A"},
               true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLine, SplitsVerbNameAndTheRestAsSent) {
    const auto type = parseCommandLine(QStringLiteral("type IDIN ABC  12\r"));
    EXPECT_EQ(type.verb, "type");
    EXPECT_EQ(type.name, "IDIN");
    EXPECT_EQ(type.text, "ABC  12");
    const auto windows = parseCommandLine(QStringLiteral("  windows  "));
    EXPECT_EQ(windows.verb, "windows");
    EXPECT_TRUE(windows.name.isEmpty());
    EXPECT_TRUE(windows.text.isEmpty());
}
