#include "common/glyphcells.h"
#include "remote/controls/screen/hexcopy.h"
#include "remote/controls/screen/screenline.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using remote::controls::HexCopy;
using remote::controls::ScreenLine;

namespace {

QFont screenFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    font.setPointSizeF(14);
    return font;
}

constexpr ScreenLine::Look kLook{0xFFE8EEE0, 0xFFFFFFC0, 0xFF000000};

// ---- One display line ----

TEST(ScreenLineDrawing, FillsItsBackgroundAndSetsTheTextFromTheLeftEdgeCentred) {
    const common::GlyphCells glyphs(screenFont());
    for (const bool highlighted : {false, true}) {
        QImage image(glyphs.cellWidth() * 5 + 3, glyphs.cellHeight() + 5, QImage::Format_RGB32);
        image.fill(Qt::red);
        ScreenLine::drawLine(image, glyphs, u"AB", highlighted, kLook);
        const QRgb back = highlighted ? kLook.highlight : kLook.screen;

        QImage expected(image.size(), QImage::Format_RGB32);
        expected.fill(back);
        glyphs.drawText(expected, QPoint(0, 5 / 2), u"AB", kLook.ink);
        EXPECT_EQ(image, expected) << "highlighted " << highlighted;
        // Rows above and below the cells and the cells past the text are background alone.
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(image.pixel(x, 0), back);
            ASSERT_EQ(image.pixel(x, image.height() - 1), back);
        }
        for (int x = 2 * glyphs.cellWidth(); x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                ASSERT_EQ(image.pixel(x, y), back) << x << "," << y;
            }
        }
    }
}

TEST(ScreenLineDrawing, RedrawingTheChangedCellsGivesWhatAWholeDrawingGives) {
    const common::GlyphCells glyphs(screenFont());
    struct Case {
        const char16_t* shown;
        const char16_t* text;
    } cases[] = {
        {u"Level  -72 dBm", u"Level  -73 dBm"},
        {u"Count 000123", u"Count 000124"},
        {u"SCANNING", u"SCAN"},                      // shorter: the rest is cleared
        {u"", u"MENU"},                              // from nothing
        {u"RF DETECTOR     ", u"                "},  // to blanks
        {u"abc", u"abcdefghijklmnopqrstuvwxyz0123"}, // past the image's right edge
    };
    for (const bool highlighted : {false, true}) {
        for (const Case& c : cases) {
            QImage image(glyphs.cellWidth() * 17, glyphs.cellHeight() + 4, QImage::Format_RGB32);
            ScreenLine::drawLine(image, glyphs, c.shown, highlighted, kLook);
            ScreenLine::redrawCells(image, glyphs, c.shown, c.text, highlighted, kLook);
            QImage whole(image.size(), QImage::Format_RGB32);
            ScreenLine::drawLine(whole, glyphs, c.text, highlighted, kLook);
            EXPECT_EQ(image, whole) << QString::fromUtf16(c.text).toStdString();
        }
    }
}

// Collects the regions a widget paints.
class PaintRegions : public QObject {
public:
    explicit PaintRegions(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
    QRegion painted;
};

// A top-level holder on screen, so that paints happen as in the window.
struct ShownLine : ::testing::Test {
    QWidget holder;
    ScreenLine* line = nullptr;
    std::shared_ptr<const common::GlyphCells> glyphs =
        std::make_shared<const common::GlyphCells>(screenFont());

    ShownLine() {
        line = new ScreenLine(glyphs, &holder);
        line->setFixedSize(glyphs->cellWidth() * 17, glyphs->cellHeight() + 4);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, QColor::fromRgb(kLook.highlight));
        palette.setColor(QPalette::WindowText, QColor::fromRgb(kLook.ink));
        line->setPalette(palette);
        line->setScreenColour(QColor::fromRgb(kLook.screen));
        holder.resize(line->width() + 20, line->height() + 20);
        line->move(10, 10);
        holder.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&holder));
    }

    QImage expected(const QString& text, bool highlighted) const {
        QImage image(line->size(), QImage::Format_RGB32);
        ScreenLine::drawLine(image, *glyphs, text, highlighted, kLook);
        return image;
    }
    QImage shown() const { return line->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(ShownLine, ShowsItsTextAndHighlightExactlyAndKeepsTheLabelsInterface) {
    line->setText(QStringLiteral("TSCM Event 146.5"));
    EXPECT_EQ(shown(), expected(QStringLiteral("TSCM Event 146.5"), false));
    line->setAutoFillBackground(true);
    EXPECT_EQ(shown(), expected(QStringLiteral("TSCM Event 146.5"), true));
    line->setText(QStringLiteral("<b>x</b>"));
    EXPECT_EQ(line->textFormat(), Qt::PlainText);
    EXPECT_EQ(shown(), expected(QStringLiteral("<b>x</b>"), true)) << "markup is characters";
    line->setAutoFillBackground(false);
    line->setText(QStringLiteral("MENU"));
    EXPECT_EQ(shown(), expected(QStringLiteral("MENU"), false));
    EXPECT_EQ(line->text(), "MENU");
}

TEST_F(ShownLine, ALongTextOrMarkupShowsAsTheCellsTheLineHas) {
    const QString longText = QString(4096, QLatin1Char('W')) + QStringLiteral("<b>x</b>");
    line->setText(longText);
    EXPECT_EQ(line->text(), longText);
    EXPECT_EQ(shown(), expected(longText, false));
    EXPECT_EQ(shown(), expected(QString(17, QLatin1Char('W')), false))
        << "only the cells the line has are drawn";
}

TEST_F(ShownLine, ANewTextRepaintsOnlyTheCellsThatChanged) {
    line->setText(QStringLiteral("Count 000119"));
    QApplication::processEvents();
    const int cw = glyphs->cellWidth();
    const int top = (line->height() - glyphs->cellHeight()) / 2;
    const auto cells = [&](int first, int count) {
        return QRegion(first * cw, top, count * cw, glyphs->cellHeight());
    };
    struct Step {
        const char* text;
        QRegion repainted;
    } steps[] = {
        {"Count 000120", cells(10, 2)},  // "119" -> "120": the 1 stays
        {"Count 000120", QRegion()},     // the same text: nothing
        {"Count 0001", cells(10, 2)},    // shorter: the cells it left are cleared
        {"", cells(0, 10)},              // empty
        {"                ", QRegion()}, // blanks show as nothing did
    };
    for (const Step& step : steps) {
        PaintRegions regions(line);
        line->setText(QString::fromLatin1(step.text));
        QApplication::processEvents();
        EXPECT_EQ(regions.painted, step.repainted) << '"' << step.text << '"';
        EXPECT_EQ(shown(), expected(QString::fromLatin1(step.text), false)) << step.text;
    }
}

// ---- The hexadecimal copy ----

TEST(HexCopyRows, WrapAtBlanksAndCutOnlyWordsLongerThanARow) {
    using Rows = std::vector<qsizetype>;
    struct Case {
        const char* text;
        int columns;
        Rows rows;
    } cases[] = {
        {"", 10, {0}},
        {"53 54 53 ", 10, {0}},         // fits, with its trailing blank
        {"53 54 53 2C ", 10, {0, 9}},   // "2C" would pass column 10
        {"53 54 53 2C ", 11, {0}},      // it ends on the last column
        {"A B C D ", 1, {0, 2, 4, 6}},  // one word a row, blanks after it
        {"ABCDEFGHIJ K", 4, {0, 4, 8}}, // a long word is cut at each row's end
        {"ABCDEFGHIJ KL", 4, {0, 4, 8, 11}},
        {"  53", 2, {0, 2}},        // leading blanks stay on the first row
        {"53 54", 0, {0, 1, 3, 4}}, // no room: one column a row
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HexCopy::wrapRows(QString::fromLatin1(c.text), c.columns), c.rows)
            << '"' << c.text << "\" at " << c.columns;
    }
}

struct ShownHexCopy : ::testing::Test {
    HexCopy copy;
    common::GlyphCells glyphs{[] {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(7);
        return font;
    }()};

    ShownHexCopy() {
        copy.setFont(glyphs.font());
        copy.resize(400, 80);
        copy.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&copy));
        // Rows of exactly 30 columns.
        const int wanted = HexCopy::kMargin * 2 + glyphs.cellWidth() * 30;
        copy.resize(copy.width() + wanted - copy.viewport()->width(), 80);
        QApplication::processEvents();
        EXPECT_EQ(copy.viewport()->width(), wanted);
    }
    QImage viewport() const {
        return copy.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    // Where offset's cell is in the viewport, counting rows as the copy wraps them.
    QRect cellOf(qsizetype offset) const {
        const auto rows = HexCopy::wrapRows(copy.toPlainText(),
                                            (copy.viewport()->width() - 2 * HexCopy::kMargin) /
                                                glyphs.cellWidth());
        std::size_t row = 0;
        while (row + 1 < rows.size() && rows[row + 1] <= offset) {
            ++row;
        }
        const int top = copy.verticalScrollBar()->value();
        return QRect(HexCopy::kMargin + static_cast<int>(offset - rows[row]) * glyphs.cellWidth(),
                     HexCopy::kMargin + (static_cast<int>(row) - top) * glyphs.cellHeight(),
                     glyphs.cellWidth(), glyphs.cellHeight());
    }
    // The cell as the copy should show it: the character in ink on the base colour.
    QImage cellImage(QChar c, bool selected = false) const {
        const QPalette& p = copy.palette();
        QImage image(glyphs.cellWidth(), glyphs.cellHeight(), QImage::Format_RGB32);
        image.fill(p.color(selected ? QPalette::Highlight : QPalette::Base));
        glyphs.drawText(image, QPoint(0, 0), QStringView(&c, 1),
                        p.color(selected ? QPalette::HighlightedText : QPalette::Text).rgb());
        return image;
    }
};

TEST_F(ShownHexCopy, DrawsEachCharacterInItsCellAndWrapsAtBlanks) {
    // 12 words of 2 characters and a blank: 36 characters over rows of 30 columns.
    const QString text = QStringLiteral("53 54 53 2C 44 2C 52 46 20 44 45 D ");
    copy.setPlainText(text);
    const QImage shown = viewport();
    for (qsizetype i = 0; i < text.size(); ++i) {
        EXPECT_EQ(shown.copy(cellOf(i)), cellImage(text[i])) << "character " << i;
    }
    EXPECT_EQ(cellOf(30).topLeft(),
              QPoint(HexCopy::kMargin, HexCopy::kMargin + glyphs.cellHeight()))
        << "the word at column 30 starts the second row";
}

TEST_F(ShownHexCopy, ShowsItsVisibleRowsWholeWhateverItsFont) {
    for (const int rows : {1, 4}) {
        copy.setVisibleRows(rows);
        QApplication::processEvents();
        EXPECT_EQ(copy.viewport()->height(), rows * glyphs.cellHeight() + 2 * HexCopy::kMargin);
    }
    // A larger font later (the platform's, a parent's) keeps the rows whole.
    QFont larger = glyphs.font();
    larger.setPointSize(14);
    copy.setFont(larger);
    QApplication::processEvents();
    const common::GlyphCells largerCells(larger);
    EXPECT_EQ(copy.viewport()->height(), 4 * largerCells.cellHeight() + 2 * HexCopy::kMargin);
}

TEST_F(ShownHexCopy, AHugeTextShowsItsFirstRowsAndScrollsToItsEnd) {
    // 4 MiB of words: laid out once, drawn only as far as the view goes.
    QString text;
    for (int i = 0; i < (1 << 20); ++i) {
        text += QStringLiteral("4F ");
    }
    text += QStringLiteral("D ");
    copy.setPlainText(text);
    QApplication::processEvents();
    EXPECT_EQ(viewport().copy(cellOf(0)), cellImage(QLatin1Char('4')));
    copy.verticalScrollBar()->setValue(copy.verticalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_EQ(viewport().copy(cellOf(text.size() - 2)), cellImage(QLatin1Char('D')));
    copy.selectAll();
    EXPECT_EQ(copy.selectedText().size(), text.size());
}

TEST_F(ShownHexCopy, ANewFrameRepaintsOnlyTheCellsThatChanged) {
    const QString before = QStringLiteral("53 54 53 2C 44 2C 43 6F 75 6E 74 D ");
    QString after = before;
    after[25] = QLatin1Char('7'); // "6E" -> "7E"
    after[31] = QLatin1Char('5'); // "D " stays; "74" -> "75"
    copy.setPlainText(before);
    QApplication::processEvents();
    PaintRegions regions(copy.viewport());
    copy.setPlainText(after);
    QApplication::processEvents();
    EXPECT_EQ(regions.painted, QRegion(cellOf(25)) + cellOf(31));
    const QImage shown = viewport();
    EXPECT_EQ(shown.copy(cellOf(25)), cellImage(QLatin1Char('7')));
    EXPECT_EQ(shown.copy(cellOf(31)), cellImage(QLatin1Char('5')));

    regions.painted = QRegion();
    copy.setPlainText(after);
    QApplication::processEvents();
    EXPECT_TRUE(regions.painted.isEmpty()) << "the same text again paints nothing";
}

TEST_F(ShownHexCopy, TheOperatorSelectsWithTheMouseAndCopies) {
    const QString text = QStringLiteral("53 54 53 2C D ");
    copy.setPlainText(text);
    // From the left half of character 3 to the right half of character 7: "54 53".
    const QPoint from = cellOf(3).topLeft() + QPoint(1, 2);
    const QPoint to = cellOf(7).topLeft() + QPoint(glyphs.cellWidth() - 1, 2);
    QTest::mousePress(copy.viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(copy.viewport(), to);
    QTest::mouseRelease(copy.viewport(), Qt::LeftButton, {}, to);
    EXPECT_EQ(copy.selectedText(), "54 53");
    const QImage shown = viewport();
    EXPECT_EQ(shown.copy(cellOf(4)), cellImage(QLatin1Char('4'), true));
    EXPECT_EQ(shown.copy(cellOf(8)), cellImage(QLatin1Char(' '), false));

    copy.setFocus();
    QTest::keySequence(&copy, QKeySequence::Copy);
    EXPECT_EQ(QApplication::clipboard()->text(), "54 53");
    QTest::keySequence(&copy, QKeySequence::SelectAll);
    EXPECT_EQ(copy.selectedText(), text);

    // A shorter text keeps the selection inside it.
    copy.setPlainText(QStringLiteral("D "));
    EXPECT_EQ(copy.selectedText(), "D ");
    copy.select(0, 0);
    copy.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), "D ") << "nothing selected: the whole copy";
}

} // namespace
