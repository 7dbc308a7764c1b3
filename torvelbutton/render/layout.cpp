#include "layout.h"

#include "common/numeric.h"

namespace torvelbutton {

namespace {

// The values of the two alignment enumerations, as stored.
enum : int { kAuto = 0, kLeft = 1, kRight = 2, kTop = 3, kBottom = 4, kCenter = 5 };

// 16-bit arithmetic of the layout intermediates: an overflow gives no value.
std::optional<int> sum16(int a, int b) {
    const int s = a + b;
    if (s < -32768 || s > 32767) {
        return std::nullopt;
    }
    return s;
}

class Layout {
public:
    explicit Layout(const LayoutInput& in)
        : in(in)
        , PX(sum16(in.O, in.PictureOffsetX).value_or(0))
        , PY(sum16(in.O, in.PictureOffsetY).value_or(0)) {}

    LayoutResult run() {
        placeByPictureAlignment();
        placeByAlignment();
        return out;
    }

private:
    std::optional<int> centreX(int e) const { return nearest((in.W - e) / 2.0); }
    std::optional<int> centreY(int e) const { return nearest((in.H - e) / 2.0); }

    // Free space along one axis: extent - 2 * offset - gap - picture - caption, where the
    // doubled offset is a 16-bit product.
    static std::optional<int> freeSpace(double extent, int offset, int gap, int picture,
                                        int caption) {
        const auto twice = sum16(offset, offset);
        if (!twice) {
            return std::nullopt;
        }
        return nearest(extent - *twice - gap - picture - caption);
    }

    static std::optional<int> halfOf(std::optional<int> free) {
        return free ? nearest(*free / 2.0) : std::nullopt;
    }

    void placeByPictureAlignment() {
        const bool autoCaption = in.Alignment == kAuto;
        const int G = in.Gap;
        switch (in.PictureAlignment) {
        case kAuto:
            if (autoCaption) {
                out.picture = {centreX(in.PW), centreY(in.PH)};
                out.caption = {centreX(in.CW), centreY(in.CH)};
            }
            break;
        case kLeft:
            out.picture = {PX, centreY(in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.W, PX, G, in.PW, in.CW);
                const auto half = halfOf(free);
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(int(in.W - PX - in.CW))
                                                 : nearest(in.PW + G + PX + *half);
                }
                out.caption.top = centreY(in.CH);
            }
            break;
        case kRight:
            out.picture = {int(in.W - PX - in.PW), centreY(in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.W, PX, G, in.PW, in.CW);
                const auto half = halfOf(free);
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(PX) : nearest(PX + *half);
                }
                out.caption.top = centreY(in.CH);
            }
            break;
        case kTop:
            out.picture = {centreX(in.PW), PY};
            if (autoCaption) {
                const auto free = freeSpace(in.H, PY, G, in.PH, in.CH);
                const auto half = halfOf(free);
                out.caption.left = centreX(in.CW);
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(int(in.H - PY - in.CH))
                                                : nearest(in.PH + G + PY + *half);
                }
            }
            break;
        case kBottom:
            out.picture = {centreX(in.PW), nearest(in.H - PY - in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.H, PY, G, in.PH, in.CH);
                const auto half = halfOf(free);
                out.caption.left = centreX(in.CW);
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(PY) : nearest(PY + *half);
                }
            }
            break;
        case kCenter:
            out.picture = {centreX(in.PW), centreY(in.PH)};
            if (autoCaption) {
                out.caption = {centreX(in.CW), centreY(in.CH)};
            }
            break;
        default:
            break;
        }
    }

    void placeByAlignment() {
        if (in.Alignment < kLeft || in.Alignment > kCenter) {
            return;
        }
        const bool horizontal = in.Alignment == kLeft || in.Alignment == kRight;
        int P = horizontal ? PX : PY;
        int g = in.Gap;
        int E = horizontal ? in.PW : in.PH;
        if (in.pictureMode) {
            // The picture is the whole face: only a left caption keeps its offset.
            P = in.Alignment == kLeft ? PX : 0;
            g = 0;
            E = 0;
        }
        const auto free =
            horizontal ? freeSpace(in.W, P, g, E, in.CW) : freeSpace(in.H, P, g, E, in.CH);
        const bool autoPicture = in.PictureAlignment == kAuto;
        switch (in.Alignment) {
        case kLeft:
            if (in.PictureAlignment == kLeft) {
                if (free) {
                    out.caption.left =
                        *free < 0 ? std::optional(int(in.W - P - in.CW)) : nearest(E + g + P);
                }
            } else {
                out.caption.left = P;
            }
            out.caption.top = centreY(in.CH);
            if (autoPicture) {
                out.picture = {int(in.W - P - E), centreY(in.PH)};
            }
            break;
        case kRight:
            if (in.PictureAlignment == kRight) {
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(P) : nearest(P + *free);
                }
            } else {
                out.caption.left = int(in.W - in.CW - P);
            }
            out.caption.top = centreY(in.CH);
            if (autoPicture) {
                out.picture = {P, centreY(in.PH)};
            }
            break;
        case kTop:
            if (in.PictureAlignment == kTop) {
                if (free) {
                    out.caption.top =
                        *free < 0 ? std::optional(int(in.H - P - in.CH)) : nearest(E + g + P);
                }
            } else {
                out.caption.top = P;
            }
            out.caption.left = centreX(in.CW);
            if (autoPicture) {
                out.picture = {centreX(in.PW), nearest(in.H - P - E)};
            }
            break;
        case kBottom:
            if (in.PictureAlignment == kBottom) {
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(P) : nearest(P + *free);
                }
            } else {
                out.caption.top = int(in.H - in.CH - P);
            }
            out.caption.left = centreX(in.CW);
            if (autoPicture) {
                // The picture's top is the caption's height, whatever the offsets.
                out.picture = {centreX(in.PW), in.CH};
            }
            break;
        case kCenter:
            out.caption = {centreX(in.CW), centreY(in.CH)};
            if (autoPicture) {
                out.picture = {centreX(in.PW), centreY(in.PH)};
            }
            break;
        default:
            break;
        }
    }

    const LayoutInput& in;
    const int PX;
    const int PY;
    LayoutResult out;
};

} // namespace

std::optional<int> nearest(double v) {
    const auto r = common::roundToInt16(v);
    return r ? std::optional<int>(*r) : std::nullopt;
}

LayoutResult layoutPictureAndCaption(const LayoutInput& in) {
    return Layout(in).run();
}

} // namespace torvelbutton
