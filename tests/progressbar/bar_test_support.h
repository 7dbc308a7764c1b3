#pragma once

#include "remote/controls/progressbar/progressbar_drawing.h"
#include "remote/controls/progressbar/raster.h"

#include <QImage>

#include <functional>

namespace remote::controls::progressbar::test {

// A colour no drawing step uses, so untouched pixels stand out.
constexpr OleColor kUntouched = 0x00FF00FF;
// A dark blue whose lightened and darkened shades all differ from each other.
constexpr OleColor kBlue = 0x006A240A;

// The drawn value of a system colour.
inline OleColor sys(common::SystemColorIndex i) {
    return *TranslateColor(common::systemColor(i));
}

inline QImage surface(int width, int height, OleColor fill = kUntouched) {
    QImage image(width, height, kSurfaceFormat);
    image.fill(toRgb(fill));
    return image;
}

struct Drawn {
    QImage image;
    ProgressBarState state;
};

inline ProgressBarState barState(int style, int percent, OleColor colour = kBlue,
                                 int orientation = 0) {
    ProgressBarState s;
    s.Font = defaultLabelFont();
    s.Scrolling = style;
    s.percent = percent;
    s.Color = colour;
    s.Orientation = orientation;
    return s;
}

inline Drawn drawBar(ProgressBarState state, int width, int height) {
    QImage image = surface(width, height);
    ProgressBarPainter(image, state, width, height).DrawProgressBar();
    return {image, state};
}

// Pixels inside box (right/bottom exclusive) that satisfy match.
inline int countPixels(const QImage& image, const Box& box,
                       const std::function<bool(OleColor)>& match) {
    int n = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (image.valid(x, y) && match(pixelAt(image, x, y))) {
                ++n;
            }
        }
    }
    return n;
}

inline bool isDark(OleColor c) {
    return common::redOf(c) < 60 && common::greenOf(c) < 60 && common::blueOf(c) < 60;
}

} // namespace remote::controls::progressbar::test
