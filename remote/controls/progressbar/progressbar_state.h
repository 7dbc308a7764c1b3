#pragma once

#include "progressbar_constants.h"
#include "raster.h"

#include <QFont>
#include <QImage>

namespace remote::controls::progressbar {

// Everything the bar's drawing reads and the geometry it leaves behind. The control owns one;
// tests and tools fill one in and draw it without a widget.
struct ProgressBarState {
    OleColor Color = 0; // always a plain 0x00BBGGRR value
    QFont Font;
    QImage Image; // pattern of style 8; null when there is none
    int Min = kDefaultMin;
    int Max = kDefaultMax;
    int Orientation = 0; // 0 horizontal, anything else vertical
    int Scrolling = 0;   // style 0 to 9; others draw like 1
    bool ShowText = false;
    int BrushStyle = 0;
    int percent = 0; // fill amount; clamped to 100 by the drawing

    // Geometry of the last drawing. textRect carries over from one drawing to the next.
    Box clientRect;
    Box fillRect;
    Box gapRect;
    Box textRect;
    int segmentWidth = 0; // pixels
    int gapWidth = 0;     // pixels
    double fraction = 0;  // share of the track styles 0 to 2 fill
};

} // namespace remote::controls::progressbar
