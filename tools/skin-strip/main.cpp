// Draws the image button's built-in skin strip: eight 18 x 21 cells in one row, one per
// button state, saved as a 24-bit bitmap. Run once; its output is kept in the repository
// (torvelbutton/render/builtin-strip.bmp) and built into the library.
//
// Usage: skin-strip <output.bmp>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

#include <array>
#include <cmath>

namespace {

constexpr int kCellWidth = 18;  // pixels
constexpr int kCellHeight = 21; // pixels
constexpr int kCells = 8;

// The colour behind the rounded corners: the default button face, so corners melt into an
// untouched host.
constexpr QRgb kBackground = qRgb(236, 233, 216);

QRgb mix(QRgb a, QRgb b, double t) {
    auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)),
                channel(qBlue(a), qBlue(b)));
}

// Three-stop vertical gradient over the face rows 1..19: top row, middle row 10, bottom row.
struct Gradient {
    QRgb top;
    QRgb middle;
    QRgb bottom;

    QRgb at(int y) const {
        constexpr int first = 1;
        constexpr int middleRow = kCellHeight / 2;
        constexpr int last = kCellHeight - 2;
        if (y <= middleRow) {
            return mix(top, middle, double(y - first) / (middleRow - first));
        }
        return mix(middle, bottom, double(y - middleRow) / (last - middleRow));
    }
};

// A two-pixel ring inside the outline (top two rows, two columns each side, bottom rows).
struct Ring {
    QRgb top1;
    QRgb top2;
    QRgb side;
    QRgb bottom1; // second row from the bottom of the face, 0 for none
    QRgb bottom2; // bottom row of the face
};

struct CellLook {
    QRgb outline;
    Gradient face;
    const Ring* ring = nullptr;
};

QRgb faceAt(const CellLook& look, int x, int y) {
    constexpr int lastCol = kCellWidth - 2;
    constexpr int lastRow = kCellHeight - 2;
    if (look.ring) {
        const Ring& r = *look.ring;
        if (y == 1) {
            return r.top1;
        }
        if (y == 2) {
            return r.top2;
        }
        if (y == lastRow) {
            return r.bottom2;
        }
        if (y == lastRow - 1 && r.bottom1 != 0) {
            return r.bottom1;
        }
        if (x <= 2 || x >= lastCol - 1) {
            return r.side;
        }
    }
    return look.face.at(y);
}

void drawCell(QImage& strip, int cell, const CellLook& look) {
    const int x0 = cell * kCellWidth;
    const int right = kCellWidth - 1;
    const int bottom = kCellHeight - 1;
    const QRgb corner = mix(look.outline, kBackground, 0.5);
    for (int y = 0; y < kCellHeight; ++y) {
        for (int x = 0; x < kCellWidth; ++x) {
            // Distance from the nearest corner, folded into the top-left quadrant.
            const int cx = std::min(x, right - x);
            const int cy = std::min(y, bottom - y);
            QRgb c;
            if (cx + cy < 2) {
                c = kBackground; // outside the curve
            } else if ((cx == 2 && cy == 0) || (cx == 0 && cy == 2)) {
                c = corner; // the curve's soft ends
            } else if (cx == 0 || cy == 0 || (cx == 1 && cy == 1)) {
                c = look.outline;
            } else {
                c = faceAt(look, x, y);
            }
            strip.setPixel(x0 + x, y, c);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: skin-strip <output.bmp>\n";
        return 2;
    }

    const QRgb blue = qRgb(0, 60, 116);
    const QRgb disabled = qRgb(201, 199, 186);
    const QRgb dark = qRgb(58, 58, 58);
    const Gradient normal{qRgb(255, 255, 255), qRgb(243, 243, 239), qRgb(214, 208, 197)};
    const Gradient pressed{qRgb(209, 204, 193), qRgb(226, 225, 218), qRgb(242, 239, 236)};
    const Gradient grey{qRgb(201, 201, 201), qRgb(222, 222, 222), qRgb(240, 240, 240)};
    const Gradient flat{qRgb(245, 244, 234), qRgb(245, 244, 234), qRgb(245, 244, 234)};
    const Gradient checkedDisabled{qRgb(226, 220, 220), qRgb(235, 230, 230), qRgb(244, 241, 241)};
    const Ring glow{qRgb(255, 240, 207), qRgb(253, 216, 137), qRgb(252, 202, 105),
                    qRgb(248, 179, 48), qRgb(229, 151, 0)};
    const Ring greyRing{qRgb(231, 231, 231), qRgb(195, 195, 195), qRgb(178, 178, 178), 0,
                        qRgb(114, 114, 114)};

    const std::array<CellLook, kCells> looks = {{
        {blue, normal},              // 0 normal
        {blue, pressed},             // 1 pressed
        {disabled, flat},            // 2 disabled
        {blue, normal, &glow},       // 3 hover
        {dark, grey},                // 4 checked
        {dark, grey},                // 5 checked, pressed
        {disabled, checkedDisabled}, // 6 checked, disabled
        {dark, grey, &greyRing},     // 7 checked, hover
    }};

    QImage strip(kCellWidth * kCells, kCellHeight, QImage::Format_RGB888);
    for (int cell = 0; cell < kCells; ++cell) {
        drawCell(strip, cell, looks[static_cast<std::size_t>(cell)]);
    }
    if (!strip.save(QString::fromLocal8Bit(argv[1]), "BMP")) {
        QTextStream(stderr) << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
