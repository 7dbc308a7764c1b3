#include "remote/history/timeline.h"

#include "common/raster.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace remote::history::timeline {

std::optional<int> columnOf(const State& state, int width, std::int64_t utcMs) {
    if (width <= 0 || state.toMs <= state.fromMs || utcMs < state.fromMs || utcMs > state.toMs) {
        return std::nullopt;
    }
    // In 128 bits: a range of years in milliseconds times a wide image overflows 64.
    const auto offset = static_cast<__int128>(utcMs - state.fromMs) * (width - 1);
    return static_cast<int>(offset / (state.toMs - state.fromMs));
}

int rowHeight(int height) {
    return height > 0 ? height / kRows : 0;
}

namespace {

void drawMark(QImage& image, int x, int row, int rh, QRgb rgb, int halfWidth) {
    // The mark leaves a pixel free above and below so neighbouring rows stay apart.
    const int top = row * rh + (rh > 2 ? 1 : 0);
    const int bottom = (row + 1) * rh - (rh > 2 ? 1 : 0);
    for (int dx = -halfWidth; dx <= halfWidth; ++dx) {
        common::drawLineWithoutEnd(image, x + dx, top, x + dx, bottom, rgb);
    }
}

} // namespace

void paint(QImage& image, const State& state) {
    if (!common::prepareSurface(image)) {
        return;
    }
    const int w = image.width();
    const int rh = rowHeight(image.height());
    image.fill(kBackground);
    if (rh <= 0) {
        return;
    }
    for (int row = 0; row < kRows; ++row) {
        if (row % 2 == 1) {
            common::fillRect(image, QRect(0, row * rh, w, rh - 1), kStripe);
        }
        common::drawLineWithoutEnd(image, 0, (row + 1) * rh - 1, w, (row + 1) * rh - 1, kRowLine);
    }
    for (std::size_t i = 0; i < state.marks.size(); ++i) {
        const Mark& m = state.marks[i];
        const auto x = columnOf(state, w, m.utcMs);
        if (!x || m.channel < 0 || m.channel >= kRows || state.hovered == i) {
            continue;
        }
        drawMark(image, *x, m.channel, rh, kMark, 0);
    }
    // The hovered mark last, so it stands over its neighbours.
    if (state.hovered && *state.hovered < state.marks.size()) {
        const Mark& m = state.marks[*state.hovered];
        const auto x = columnOf(state, w, m.utcMs);
        if (x && m.channel >= 0 && m.channel < kRows) {
            drawMark(image, *x, m.channel, rh, kHoverMark, 1);
        }
    }
}

std::optional<qreal> xOf(const State& state, const QRectF& area, std::int64_t utcMs) {
    if (state.toMs <= state.fromMs || utcMs < state.fromMs || utcMs > state.toMs) {
        return std::nullopt;
    }
    // In doubles: the difference of two far-apart times overflows 64 bits.
    const double from = static_cast<double>(state.fromMs);
    const double share =
        (static_cast<double>(utcMs) - from) / (static_cast<double>(state.toMs) - from);
    return area.left() + share * area.width();
}

void paint(QPainter& painter, const QRectF& area, const State& state, qreal minMarkWidth) {
    if (area.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, QColor::fromRgb(kBackground));
    const qreal rh = area.height() / kRows;
    const qreal line = std::max<qreal>(minMarkWidth / 2, 0.1);
    for (int row = 0; row < kRows; ++row) {
        const qreal top = area.top() + row * rh;
        if (row % 2 == 1) {
            painter.fillRect(QRectF(area.left(), top, area.width(), rh), QColor::fromRgb(kStripe));
        }
        painter.fillRect(QRectF(area.left(), top + rh - line, area.width(), line),
                         QColor::fromRgb(kRowLine));
    }
    // A mark is a filled rectangle, so it is as wide on paper as asked, whatever the pen.
    const qreal inset = rh > 4 * line ? line : 0;
    for (const Mark& m : state.marks) {
        const auto x = xOf(state, area, m.utcMs);
        if (!x || m.channel < 0 || m.channel >= kRows) {
            continue;
        }
        const qreal top = area.top() + m.channel * rh + inset;
        painter.fillRect(QRectF(*x - minMarkWidth / 2, top, minMarkWidth, rh - 2 * inset),
                         QColor::fromRgb(kMark));
    }
    painter.restore();
}

std::optional<std::size_t> hitTest(const State& state, QSize size, QPoint point) {
    const int rh = rowHeight(size.height());
    if (rh <= 0 || point.y() < 0 || point.y() >= rh * kRows) {
        return std::nullopt;
    }
    const int row = point.y() / rh;
    std::optional<std::size_t> best;
    int bestDistance = kHitSlop + 1;
    for (std::size_t i = 0; i < state.marks.size(); ++i) {
        if (state.marks[i].channel != row) {
            continue;
        }
        const auto x = columnOf(state, size.width(), state.marks[i].utcMs);
        if (!x) {
            continue;
        }
        const int distance = std::abs(*x - point.x());
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace remote::history::timeline
