#include "raster.h"

#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace common {

namespace {

using Int64 = std::int64_t;
// Products of two coordinate distances (each up to 2^32) need more than 64 bits.
using Int128 = __int128;

constexpr QRgb kOpaque = 0xFF000000u;

// Bits of one 8 x 8 hatch cell, one byte a row, bit 7 the leftmost column.
using HatchCell = std::array<std::uint8_t, 8>;
constexpr std::array<HatchCell, 6> kHatchCells = {{
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // falling diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // rising diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
}};

// A part of the image: right and bottom exclusive, never empty, always inside.
struct Span {
    int left;
    int top;
    int right;
    int bottom;
};

// Bounds are taken in 64 bits so no coordinate a caller can pass overflows here.
std::optional<Span> clipToImage(const QImage& image, Int64 left, Int64 top, Int64 right,
                                Int64 bottom) {
    left = std::max<Int64>(left, 0);
    top = std::max<Int64>(top, 0);
    if (left >= right || top >= bottom) {
        return std::nullopt;
    }
    right = std::min<Int64>(right, image.width());
    bottom = std::min<Int64>(bottom, image.height());
    if (left >= right || top >= bottom) {
        return std::nullopt;
    }
    return Span{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                static_cast<int>(bottom)};
}

// QRect's own width() and intersection overflow for far-off corners; its stored corners do not.
std::optional<Span> clipToImage(const QImage& image, const QRect& rect) {
    return clipToImage(image, rect.left(), rect.top(), Int64{rect.right()} + 1,
                       Int64{rect.bottom()} + 1);
}

Int64 widthOf(const QRect& rect) {
    return Int64{rect.right()} - rect.left() + 1;
}

Int64 heightOf(const QRect& rect) {
    return Int64{rect.bottom()} - rect.top() + 1;
}

QRgb* row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void fill(QImage& image, const Span& span, QRgb pixel) {
    // One detach check for the whole span, then a plain stride walk.
    const qsizetype stride = image.bytesPerLine();
    uchar* at = image.bits() + qsizetype(span.top) * stride;
    for (int y = span.top; y < span.bottom; ++y, at += stride) {
        QRgb* line = reinterpret_cast<QRgb*>(at);
        std::fill(line + span.left, line + span.right, pixel);
    }
}

void fillColumn(QImage& image, int x, int y0, int y1, QRgb pixel) {
    // One detach check for the whole column, then a plain stride walk.
    const qsizetype stride = image.bytesPerLine();
    uchar* at = image.bits() + qsizetype(y0) * stride + qsizetype(x) * qsizetype(sizeof(QRgb));
    for (int y = y0; y < y1; ++y, at += stride) {
        *reinterpret_cast<QRgb*>(at) = pixel;
    }
}

Int64 ceilDiv(Int128 numerator, Int128 denominator) {
    // numerator >= 0, denominator > 0
    return static_cast<Int64>((numerator + denominator - 1) / denominator);
}

// A slanted line, clipped before it is walked. With M steps along the major axis and N along
// the minor one (0 < N <= M), step k puts its pixel at major + k and minor + j(k), where
// j(k) = floor((2Nk + M) / 2M): the pixel nearest the ideal line, ties going forward. That is
// exactly the pixel the step-by-step error walk reaches at step k, so the steps that fall in
// the image can be found by solving for k instead of walking up to them.
void drawSlantedLine(QImage& image, int x1, int y1, int x2, int y2, QRgb pixel) {
    const Int64 dx = std::llabs(Int64{x2} - x1);
    const Int64 dy = std::llabs(Int64{y2} - y1);
    const bool xMajor = dx >= dy;
    const Int64 majorStart = xMajor ? x1 : y1;
    const Int64 minorStart = xMajor ? y1 : x1;
    const int majorSign = (xMajor ? x1 < x2 : y1 < y2) ? 1 : -1;
    const int minorSign = (xMajor ? y1 < y2 : x1 < x2) ? 1 : -1;
    const Int64 M = xMajor ? dx : dy;
    const Int64 N = xMajor ? dy : dx;
    const Int64 majorExtent = xMajor ? image.width() : image.height();
    const Int64 minorExtent = xMajor ? image.height() : image.width();

    // Steps whose major coordinate is inside the image (the end point, step M, is left out).
    Int64 kFirst = 0;
    Int64 kLast = M - 1;
    if (majorSign > 0) {
        kFirst = std::max(kFirst, -majorStart);
        kLast = std::min(kLast, majorExtent - 1 - majorStart);
    } else {
        kFirst = std::max(kFirst, majorStart - (majorExtent - 1));
        kLast = std::min(kLast, majorStart);
    }
    // Minor offsets j inside the image; j(k) never decreases, so they are a range of steps.
    Int64 jLow = minorSign > 0 ? -minorStart : minorStart - (minorExtent - 1);
    const Int64 jHigh = minorSign > 0 ? minorExtent - 1 - minorStart : minorStart;
    if (jHigh < 0) {
        return;
    }
    jLow = std::max<Int64>(jLow, 0);
    const Int128 twoN = Int128{2} * N;
    if (jLow > 0) {
        // j(k) >= jLow  <=>  k >= M(2 jLow - 1) / 2N
        kFirst = std::max(kFirst, ceilDiv(Int128{M} * (2 * Int128{jLow} - 1), twoN));
    }
    // j(k) <= jHigh  <=>  k < M(2 jHigh + 1) / 2N
    kLast = std::min(kLast, ceilDiv(Int128{M} * (2 * Int128{jHigh} + 1), twoN) - 1);
    if (kFirst > kLast) {
        return;
    }

    const Int64 twoM = 2 * M;
    const Int128 numerator = twoN * kFirst + M;
    Int64 j = static_cast<Int64>(numerator / twoM);
    Int64 remainder = static_cast<Int64>(numerator % twoM);
    for (Int64 k = kFirst; k <= kLast; ++k) {
        const int major = static_cast<int>(majorStart + majorSign * k);
        const int minor = static_cast<int>(minorStart + minorSign * j);
        if (xMajor) {
            row(image, minor)[major] = pixel;
        } else {
            row(image, major)[minor] = pixel;
        }
        remainder += 2 * N;
        if (remainder >= twoM) { // 2N <= 2M: at most one minor step per major step
            remainder -= twoM;
            ++j;
        }
    }
}

// The pixel formats the picture loops read: opaque 32-bit or premultiplied 32-bit with alpha.
QImage readable(const QImage& picture) {
    if (picture.format() == QImage::Format_RGB32 ||
        picture.format() == QImage::Format_ARGB32_Premultiplied) {
        return picture;
    }
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
}

QRgb over(QRgb src, QRgb dst) {
    const int a = qAlpha(src);
    if (a == 255) {
        return src;
    }
    if (a == 0) {
        return dst;
    }
    // src is premultiplied: result = src + dst * (255 - a) / 255.
    auto channel = [a](int s, int d) { return s + (d * (255 - a) + 127) / 255; };
    return qRgb(channel(qRed(src), qRed(dst)), channel(qGreen(src), qGreen(dst)),
                channel(qBlue(src), qBlue(dst)));
}

// Source offsets of destination offsets first, first + 1, ... when n destination pixels
// show m source ones (n, m > 0): (2i + 1) * m / (2n), stepped without a division per pixel.
class Sampler {
public:
    Sampler(Int64 n, Int64 m, Int64 first)
        : m_twoN(2 * n)
        , m_stepQuotient(2 * m / m_twoN)
        , m_stepRemainder(2 * m % m_twoN) {
        const Int128 numerator = (Int128{2} * first + 1) * m;
        m_quotient = static_cast<Int64>(numerator / m_twoN);
        m_remainder = static_cast<Int64>(numerator % m_twoN);
    }

    Int64 current() const { return m_quotient; }

    void next() {
        m_quotient += m_stepQuotient;
        m_remainder += m_stepRemainder;
        if (m_remainder >= m_twoN) {
            m_remainder -= m_twoN;
            ++m_quotient;
        }
    }

private:
    Int64 m_twoN;
    Int64 m_stepQuotient;
    Int64 m_stepRemainder;
    Int64 m_quotient = 0;
    Int64 m_remainder = 0;
};

} // namespace

bool convertToSurface(QImage& image) {
    if (image.isNull()) {
        return false;
    }
    image.convertTo(kSurfaceFormat);
    return !image.isNull() && image.format() == kSurfaceFormat;
}

void setPixel(QImage& image, int x, int y, QRgb rgb) {
    if (prepareSurface(image) && image.valid(x, y)) {
        row(image, y)[x] = rgb | kOpaque;
    }
}

void drawLineWithoutEnd(QImage& image, int x1, int y1, int x2, int y2, QRgb rgb) {
    if ((x1 == x2 && y1 == y2) || !prepareSurface(image)) {
        return;
    }
    const QRgb pixel = rgb | kOpaque;
    if (y1 == y2) {
        const Int64 from = x2 > x1 ? x1 : Int64{x2} + 1;
        const Int64 to = x2 > x1 ? x2 : Int64{x1} + 1;
        if (const auto span = clipToImage(image, from, y1, to, Int64{y1} + 1)) {
            QRgb* line = row(image, span->top);
            std::fill(line + span->left, line + span->right, pixel);
        }
        return;
    }
    if (x1 == x2) {
        const Int64 from = y2 > y1 ? y1 : Int64{y2} + 1;
        const Int64 to = y2 > y1 ? y2 : Int64{y1} + 1;
        if (const auto span = clipToImage(image, x1, from, Int64{x1} + 1, to)) {
            fillColumn(image, span->left, span->top, span->bottom, pixel);
        }
        return;
    }
    drawSlantedLine(image, x1, y1, x2, y2, pixel);
}

void fillRect(QImage& image, const QRect& rect, QRgb rgb) {
    if (!prepareSurface(image)) {
        return;
    }
    if (const auto span = clipToImage(image, rect)) {
        fill(image, *span, rgb | kOpaque);
    }
}

void frameRect(QImage& image, const QRect& rect, QRgb rgb) {
    if (rect.isEmpty() || !prepareSurface(image)) {
        return;
    }
    const QRgb pixel = rgb | kOpaque;
    const Int64 left = rect.left();
    const Int64 top = rect.top();
    const Int64 right = Int64{rect.right()} + 1;
    const Int64 bottom = Int64{rect.bottom()} + 1;
    for (const auto& span : {clipToImage(image, left, top, right, top + 1),
                             clipToImage(image, left, bottom - 1, right, bottom),
                             clipToImage(image, left, top, left + 1, bottom),
                             clipToImage(image, right - 1, top, right, bottom)}) {
        if (span) {
            fill(image, *span, pixel);
        }
    }
}

bool isHatchPixel(int pattern, int x, int y) {
    if (pattern < 0 || pattern >= static_cast<int>(kHatchCells.size())) {
        return false;
    }
    const std::uint8_t bits = kHatchCells[static_cast<std::size_t>(pattern)][y & 7];
    return (bits & (0x80 >> (x & 7))) != 0;
}

void fillHatched(QImage& image, const QRect& rect, int pattern, QRgb fore, QRgb back) {
    if (pattern < 0 || pattern >= static_cast<int>(kHatchCells.size()) || !prepareSurface(image)) {
        return;
    }
    const auto span = clipToImage(image, rect);
    if (!span) {
        return;
    }
    const QRgb forePixel = fore | kOpaque;
    const QRgb backPixel = back | kOpaque;
    for (int y = span->top; y < span->bottom; ++y) {
        QRgb* line = row(image, y);
        for (int x = span->left; x < span->right; ++x) {
            line[x] = isHatchPixel(pattern, x, y) ? forePixel : backPixel;
        }
    }
}

void fillTiled(QImage& image, const QRect& rect, const QImage& tile) {
    if (tile.isNull() || !prepareSurface(image)) {
        return;
    }
    const auto span = clipToImage(image, rect);
    if (!span) {
        return;
    }
    const QImage source =
        tile.format() == kSurfaceFormat ? tile : tile.convertToFormat(kSurfaceFormat);
    const int tw = source.width();
    const int th = source.height();
    for (int y = span->top; y < span->bottom; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y % th));
        QRgb* line = row(image, y);
        for (int x = span->left; x < span->right; ++x) {
            line[x] = in[x % tw] | kOpaque;
        }
    }
}

void blendRect(QImage& image, const QRect& rect, QRgb rgb, int a) {
    if (!prepareSurface(image)) {
        return;
    }
    const auto span = clipToImage(image, rect);
    if (!span) {
        return;
    }
    a = std::clamp(a, 0, 255);
    const int cr = qRed(rgb) * a;
    const int cg = qGreen(rgb) * a;
    const int cb = qBlue(rgb) * a;
    const int keep = 255 - a;
    for (int y = span->top; y < span->bottom; ++y) {
        QRgb* line = row(image, y);
        for (int x = span->left; x < span->right; ++x) {
            const QRgb p = line[x];
            line[x] = qRgb((cr + qRed(p) * keep + 127) / 255, (cg + qGreen(p) * keep + 127) / 255,
                           (cb + qBlue(p) * keep + 127) / 255);
        }
    }
}

void drawMask(QImage& image, QPoint pos, const QImage& mask, QRgb rgb) {
    if (mask.format() != QImage::Format_Alpha8 || !prepareSurface(image)) {
        return;
    }
    const auto span = clipToImage(image, pos.x(), pos.y(), Int64{pos.x()} + mask.width(),
                                  Int64{pos.y()} + mask.height());
    if (!span) {
        return;
    }
    const QRgb solid = kOpaque | rgb;
    for (int y = span->top; y < span->bottom; ++y) {
        const uchar* coverage = mask.constScanLine(y - pos.y()) + (span->left - pos.x());
        QRgb* line = row(image, y);
        for (int x = span->left; x < span->right; ++x, ++coverage) {
            const int c = *coverage;
            if (c == 255) {
                line[x] = solid;
            } else if (c != 0) {
                const QRgb p = line[x];
                line[x] = qRgb(blendChannel(qRed(rgb), qRed(p), c),
                               blendChannel(qGreen(rgb), qGreen(p), c),
                               blendChannel(qBlue(rgb), qBlue(p), c));
            }
        }
    }
}

void drawPicture(QImage& image, const QRect& dstRect, const QImage& picture, const QRect& srcRect) {
    if (picture.isNull() || dstRect.isEmpty() || srcRect.isEmpty() || !prepareSurface(image)) {
        return;
    }
    const auto visible = clipToImage(image, dstRect);
    if (!visible) {
        return;
    }
    const QImage src = readable(picture);
    const bool opaque = src.format() == QImage::Format_RGB32;
    const Int64 srcWidth = src.width();
    const Int64 srcHeight = src.height();
    const Int64 dstWidth = widthOf(dstRect);
    const bool sameWidth = dstWidth == widthOf(srcRect);

    // The visible columns as runs of equal source column (a stretched source pixel covers
    // several destination columns); columns outside the source are left out.
    struct Run {
        int start; // index into the visible columns
        int length;
        int sx;
    };
    QVarLengthArray<Run, 256> runs;
    Sampler across(dstWidth, widthOf(srcRect), visible->left - Int64{dstRect.left()});
    for (int i = 0; i < visible->right - visible->left; ++i, across.next()) {
        const Int64 sx = srcRect.left() + across.current();
        if (sx < 0 || sx >= srcWidth) {
            continue;
        }
        if (!runs.isEmpty() && runs.back().sx == sx &&
            runs.back().start + runs.back().length == i) {
            ++runs.back().length;
        } else {
            runs.append({i, 1, static_cast<int>(sx)});
        }
    }
    if (runs.isEmpty()) {
        return;
    }
    const bool contiguous =
        sameWidth && runs.size() == 1 + (runs.back().start - runs.front().start);

    const uchar* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uchar* dstBits = image.bits();
    const qsizetype dstStride = image.bytesPerLine();
    Int64 previousSy = -1;
    const QRgb* previousOut = nullptr;
    Sampler down(heightOf(dstRect), heightOf(srcRect), visible->top - Int64{dstRect.top()});
    for (int y = visible->top; y < visible->bottom; ++y, down.next()) {
        const Int64 sy = srcRect.top() + down.current();
        if (sy < 0 || sy >= srcHeight) {
            continue;
        }
        const auto* in = reinterpret_cast<const QRgb*>(srcBits + sy * srcStride);
        auto* out = reinterpret_cast<QRgb*>(dstBits + y * dstStride) + visible->left;
        if (opaque && sy == previousSy && previousOut) {
            // A stretched source row repeats: copy the row just made.
            std::memcpy(out + runs.front().start, previousOut + runs.front().start,
                        static_cast<std::size_t>(runs.back().start + runs.back().length -
                                                 runs.front().start) *
                            sizeof(QRgb));
            continue;
        }
        if (opaque && contiguous) {
            std::memcpy(out + runs.front().start, in + runs.front().sx,
                        static_cast<std::size_t>(runs.size()) * sizeof(QRgb));
        } else if (opaque) {
            for (const Run& run : runs) {
                std::fill(out + run.start, out + run.start + run.length, in[run.sx]);
            }
        } else {
            for (const Run& run : runs) {
                for (int i = run.start; i < run.start + run.length; ++i) {
                    out[i] = over(in[run.sx], out[i]) | kOpaque;
                }
            }
        }
        previousSy = sy;
        previousOut = out;
    }
}

void drawPicture(QImage& image, QPoint pos, const QImage& picture) {
    if (picture.isNull() || !prepareSurface(image)) {
        return;
    }
    // Clipped here, in 64 bits: the far corner of a picture placed near the end of the int
    // range does not fit a QRect.
    const auto visible = clipToImage(image, pos.x(), pos.y(), Int64{pos.x()} + picture.width(),
                                     Int64{pos.y()} + picture.height());
    if (!visible) {
        return;
    }
    const QRect dst(QPoint(visible->left, visible->top),
                    QPoint(visible->right - 1, visible->bottom - 1));
    const QPoint srcTopLeft(static_cast<int>(visible->left - Int64{pos.x()}),
                            static_cast<int>(visible->top - Int64{pos.y()}));
    drawPicture(image, dst, picture, QRect(srcTopLeft, dst.size()));
}

} // namespace common
