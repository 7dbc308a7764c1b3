// Draws every style of the progress bar, horizontally and vertically, at a few percents and
// with and without its label, into PNG files: one sheet per style and one composite of all
// ten (the picture in docs/images).
//
// Usage: progressbar-gallery <output folder>
#include "remote/controls/progressbar/progressbar_drawing.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>

#include <array>
#include <cstdio>

using namespace remote::controls::progressbar;

namespace {

constexpr OleColor kBarColour = 0x006A240A; // the splash window's bar
constexpr QSize kHorizontal(150, 20);       // pixels
constexpr QSize kVertical(20, 60);          // pixels
constexpr int kGap = 10;                    // pixels between bars
constexpr int kLabelWidth = 92;             // pixels of row captions
constexpr int kHeaderHeight = 22;           // pixels
constexpr int kRowHeight = kVertical.height() + kGap;

struct Column {
    int percent;
    bool text;
};

// Four bare bars, then two with their label.
constexpr std::array<Column, 6> kColumns = {
    {{0, false}, {33, false}, {66, false}, {100, false}, {57, true}, {100, true}}};
constexpr std::array<int, 3> kVerticalPercents = {0, 50, 100};

constexpr std::array<const char*, 10> kStyleNames = {
    "0 segmented", "1 continuous", "2 searching", "3 flat",    "4 etched",
    "5 track",     "6 dark",       "7 hatch",     "8 picture", "9 glass"};

QImage pictureTile() {
    // Diagonal two-colour stripes, 8 x 8, for the picture style.
    QImage tile(8, 8, kSurfaceFormat);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            tile.setPixel(x, y, ((x + y) / 2) % 2 ? qRgb(240, 160, 40) : qRgb(250, 220, 150));
        }
    }
    return tile;
}

QImage drawOne(int style, int percent, bool text, int orientation, int brush, QSize size) {
    ProgressBarState s;
    s.Font = defaultLabelFont();
    s.Color = kBarColour;
    s.Scrolling = style;
    s.percent = percent;
    s.ShowText = text;
    s.Orientation = orientation;
    s.BrushStyle = brush;
    s.Image = pictureTile();
    QImage image(size, kSurfaceFormat);
    ProgressBarPainter painter(image, s, size.width(), size.height());
    // Twice, as a control shown on screen is: once when set up, once when painted.
    painter.DrawProgressBar();
    painter.DrawProgressBar();
    return image;
}

int sheetWidth() {
    return kLabelWidth + int(kColumns.size()) * (kHorizontal.width() + kGap) +
           int(kVerticalPercents.size()) * (kVertical.width() + kGap);
}

void drawHeader(QPainter& p) {
    p.setPen(Qt::black);
    int x = kLabelWidth;
    for (const Column& c : kColumns) {
        p.drawText(QRect(x, 0, kHorizontal.width(), kHeaderHeight), Qt::AlignCenter,
                   QStringLiteral("%1 %%2").arg(c.percent).arg(c.text ? ", label" : ""));
        x += kHorizontal.width() + kGap;
    }
    p.drawText(QRect(x, 0, 3 * (kVertical.width() + kGap), kHeaderHeight), Qt::AlignLeft,
               QStringLiteral("0/50/100 %"));
}

void drawRow(QPainter& p, int style, int top) {
    p.setPen(Qt::black);
    p.drawText(QRect(4, top, kLabelWidth - 8, kVertical.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(kStyleNames[style]));
    int x = kLabelWidth;
    const int barTop = top + (kVertical.height() - kHorizontal.height()) / 2;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        // The hatch row shows its six patterns, one per column.
        const int brush = style == kStyleHatch ? int(i) : 0;
        p.drawImage(x, barTop,
                    drawOne(style, kColumns[i].percent, kColumns[i].text, 0, brush, kHorizontal));
        x += kHorizontal.width() + kGap;
    }
    for (int percent : kVerticalPercents) {
        p.drawImage(x, top, drawOne(style, percent, false, 1, 0, kVertical));
        x += kVertical.width() + kGap;
    }
}

QImage sheet(int firstStyle, int lastStyle) {
    const int rows = lastStyle - firstStyle + 1;
    QImage image(sheetWidth(), kHeaderHeight + rows * kRowHeight, kSurfaceFormat);
    image.fill(QColor(236, 233, 216));
    QPainter p(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    p.setFont(font);
    drawHeader(p);
    for (int style = firstStyle; style <= lastStyle; ++style) {
        drawRow(p, style, kHeaderHeight + (style - firstStyle) * kRowHeight);
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const auto save = [&out](const QImage& image, const QString& name) {
        const QString path = out.filePath(name);
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    };
    bool ok = true;
    for (int style = 0; style < int(kStyleNames.size()); ++style) {
        ok = save(sheet(style, style), QStringLiteral("progressbar-style-%1.png").arg(style)) && ok;
    }
    ok =
        save(sheet(0, int(kStyleNames.size()) - 1), QStringLiteral("progressbar-styles.png")) && ok;
    return ok ? 0 : 1;
}
