#pragma once

#include "remote/link/protocol.h"

#include <QImage>
#include <QPoint>
#include <QRectF>

class QPainter;

#include <cstdint>
#include <optional>
#include <vector>

// The alarm timeline: one row per channel over a time range, one mark per alarm. Plain
// state in, pixels out, so it is drawn and tested on an image.
namespace remote::history::timeline {

struct Mark {
    std::int64_t utcMs = 0;
    int channel = 0; // 0 to 8; others are not drawn
};

struct State {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;              // the range is [fromMs, toMs]
    std::vector<Mark> marks;            // any order
    std::optional<std::size_t> hovered; // index into marks
};

inline constexpr QRgb kBackground = 0xFFFFFFFF;
inline constexpr QRgb kStripe = 0xFFEEF2F7;  // every other row
inline constexpr QRgb kRowLine = 0xFFC8CED6; // the line under each row
// The alarm labels' red, from its 0x00BBGGRR form.
inline constexpr QRgb kMark =
    qRgb(link::protocol::AlarmColour & 0xFF, link::protocol::AlarmColour >> 8 & 0xFF,
         link::protocol::AlarmColour >> 16 & 0xFF);
inline constexpr QRgb kHoverMark = 0xFF0050C0; // the mark under the cursor
inline constexpr int kRows = 9;
inline constexpr int kHitSlop = 3; // pixels either side of a mark that still hit it

// The x of a time in an image width wide: the range's ends fall on the first and the last
// column. Nothing for times outside the range or a degenerate range.
std::optional<int> columnOf(const State& state, int width, std::int64_t utcMs);
// Rows are height / 9 pixels (rounded down), from channel 0 at the top.
int rowHeight(int height);

// Draws the state over the whole image, of any size; like every shared raster rule it draws
// in common::kSurfaceFormat, converting an image in another format in place. A null image is
// left alone.
void paint(QImage& image, const State& state);

// Draws the same rows and marks as vectors into area of any painter (a PDF page, a
// printer): stripes, row lines and one line per mark at the time's share of the width.
// Marks stay at least minMarkWidth wide in the painter's units, so a printed mark shows.
void paint(QPainter& painter, const QRectF& area, const State& state, qreal minMarkWidth = 0.6);
// The x of a time in area, as the vector painter places it; nothing as for columnOf.
std::optional<qreal> xOf(const State& state, const QRectF& area, std::int64_t utcMs);

// The mark at a point of an image of size (the nearest within kHitSlop in its row).
std::optional<std::size_t> hitTest(const State& state, QSize size, QPoint point);

} // namespace remote::history::timeline
