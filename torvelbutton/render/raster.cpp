#include "raster.h"

#include "common/raster.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace torvelbutton::raster {

namespace {

// The pixel formats the copy loops read: opaque 32-bit or premultiplied 32-bit with alpha.
QImage readable(const QImage& src) {
    if (src.format() == QImage::Format_RGB32 ||
        src.format() == QImage::Format_ARGB32_Premultiplied) {
        return src;
    }
    return src.convertToFormat(src.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
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
// show m source ones: (2i + 1) * m / (2n), stepped without a division per pixel.
class Sampler {
public:
    Sampler(int n, int m, int first)
        : m_twoN(2LL * n)
        , m_step(2LL * m) {
        const qint64 numerator = (2LL * first + 1) * m;
        m_quotient = numerator / m_twoN;
        m_remainder = numerator % m_twoN;
    }

    int current() const { return static_cast<int>(m_quotient); }

    void next() {
        m_remainder += m_step;
        while (m_remainder >= m_twoN) {
            m_remainder -= m_twoN;
            ++m_quotient;
        }
    }

private:
    qint64 m_twoN;
    qint64 m_step;
    qint64 m_quotient = 0;
    qint64 m_remainder = 0;
};

} // namespace

void paintPicture(QImage& dst, const QRect& dstRect, const QImage& srcImage, const QRect& srcRect) {
    if (dst.isNull() || srcImage.isNull() || dstRect.width() <= 0 || dstRect.height() <= 0 ||
        srcRect.width() <= 0 || srcRect.height() <= 0) {
        return;
    }
    const QRect visible = dstRect & dst.rect();
    if (visible.isEmpty()) {
        return;
    }
    const QImage src = readable(srcImage);
    const bool opaque = src.format() == QImage::Format_RGB32;
    const int srcWidth = src.width();
    const int srcHeight = src.height();
    const bool sameWidth = dstRect.width() == srcRect.width();

    // The visible columns as runs of equal source column (a stretched source pixel covers
    // several destination columns); columns outside the source are left out.
    struct Run {
        int start; // index into the visible columns
        int length;
        int sx;
    };
    QVarLengthArray<Run, 256> runs;
    Sampler across(dstRect.width(), srcRect.width(), visible.left() - dstRect.left());
    for (int i = 0; i < visible.width(); ++i, across.next()) {
        const int sx = srcRect.left() + across.current();
        if (sx < 0 || sx >= srcWidth) {
            continue;
        }
        if (!runs.isEmpty() && runs.back().sx == sx &&
            runs.back().start + runs.back().length == i) {
            ++runs.back().length;
        } else {
            runs.append({i, 1, sx});
        }
    }
    if (runs.isEmpty()) {
        return;
    }
    const bool contiguous =
        sameWidth && runs.size() == 1 + (runs.back().start - runs.front().start);

    const uchar* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uchar* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    int previousSy = -1;
    const QRgb* previousOut = nullptr;
    Sampler down(dstRect.height(), srcRect.height(), visible.top() - dstRect.top());
    for (int y = visible.top(); y <= visible.bottom(); ++y, down.next()) {
        const int sy = srcRect.top() + down.current();
        if (sy < 0 || sy >= srcHeight) {
            continue;
        }
        const auto* in = reinterpret_cast<const QRgb*>(srcBits + sy * srcStride);
        auto* out = reinterpret_cast<QRgb*>(dstBits + y * dstStride) + visible.left();
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
                    out[i] = over(in[run.sx], out[i]) | 0xFF000000u;
                }
            }
        }
        previousSy = sy;
        previousOut = out;
    }
}

void paintPicture(QImage& dst, QPoint pos, const QImage& src) {
    paintPicture(dst, QRect(pos, src.size()), src, src.rect());
}

void drawLine(QImage& dst, QPoint from, QPoint to, QRgb colour) {
    common::drawLineWithoutEnd(dst, from.x(), from.y(), to.x(), to.y(), colour | 0xFF000000u);
}

void fillRect(QImage& dst, const QRect& rect, QRgb colour) {
    const QRect r = rect & dst.rect();
    if (r.isEmpty()) {
        return;
    }
    const QRgb pixel = colour | 0xFF000000u;
    uchar* bits = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(out + r.left(), out + r.right() + 1, pixel);
    }
}

void blendConstant(QImage& dst, const QRect& rect, QRgb colour, int a) {
    const QRect r = rect & dst.rect();
    if (r.isEmpty()) {
        return;
    }
    const int cr = qRed(colour) * a;
    const int cg = qGreen(colour) * a;
    const int cb = qBlue(colour) * a;
    const int keep = 255 - a;
    uchar* bits = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(bits + y * stride);
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = out[x];
            out[x] = qRgb((cr + qRed(p) * keep + 127) / 255, (cg + qGreen(p) * keep + 127) / 255,
                          (cb + qBlue(p) * keep + 127) / 255);
        }
    }
}

} // namespace torvelbutton::raster
