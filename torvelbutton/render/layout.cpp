#include "layout.h"

#include "common/numeric.h"

namespace torvelbutton {

namespace {

// 16-bit arithmetic of the layout intermediates: an overflow gives no value.
using common::addInt16;
using common::nearestInt16;

class Layout {
public:
    explicit Layout(const LayoutInput& in)
        : in(in)
        , PX(addInt16(in.O, in.PictureOffsetX).value_or(0))
        , PY(addInt16(in.O, in.PictureOffsetY).value_or(0)) {}

    LayoutResult run() {
        placeByPictureAlignment();
        placeByAlignment();
        return out;
    }

private:
    std::optional<int> centreX(int e) const { return nearestInt16((in.W - e) / 2.0); }
    std::optional<int> centreY(int e) const { return nearestInt16((in.H - e) / 2.0); }

    // Free space along one axis: extent - 2 * offset - gap - picture - caption, where the
    // doubled offset is a 16-bit product.
    static std::optional<int> freeSpace(double extent, int offset, int gap, int picture,
                                        int caption) {
        const auto twice = addInt16(offset, offset);
        if (!twice) {
            return std::nullopt;
        }
        return nearestInt16(extent - *twice - gap - picture - caption);
    }

    static std::optional<int> halfOf(std::optional<int> free) {
        return free ? nearestInt16(*free / 2.0) : std::nullopt;
    }

    void placeByPictureAlignment() {
        const bool autoCaption = in.Alignment == btnAuto;
        const int G = in.Gap;
        switch (in.PictureAlignment) {
        case btnAuto:
            if (autoCaption) {
                out.picture = {centreX(in.PW), centreY(in.PH)};
                out.caption = {centreX(in.CW), centreY(in.CH)};
            }
            break;
        case btnLeft:
            out.picture = {PX, centreY(in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.W, PX, G, in.PW, in.CW);
                const auto half = halfOf(free);
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(int(in.W - PX - in.CW))
                                                 : nearestInt16(in.PW + G + PX + *half);
                }
                out.caption.top = centreY(in.CH);
            }
            break;
        case btnRight:
            out.picture = {int(in.W - PX - in.PW), centreY(in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.W, PX, G, in.PW, in.CW);
                const auto half = halfOf(free);
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(PX) : nearestInt16(PX + *half);
                }
                out.caption.top = centreY(in.CH);
            }
            break;
        case btnTop:
            out.picture = {centreX(in.PW), PY};
            if (autoCaption) {
                const auto free = freeSpace(in.H, PY, G, in.PH, in.CH);
                const auto half = halfOf(free);
                out.caption.left = centreX(in.CW);
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(int(in.H - PY - in.CH))
                                                : nearestInt16(in.PH + G + PY + *half);
                }
            }
            break;
        case btnBottom:
            out.picture = {centreX(in.PW), nearestInt16(in.H - PY - in.PH)};
            if (autoCaption) {
                const auto free = freeSpace(in.H, PY, G, in.PH, in.CH);
                const auto half = halfOf(free);
                out.caption.left = centreX(in.CW);
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(PY) : nearestInt16(PY + *half);
                }
            }
            break;
        case btnCenter:
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
        if (in.Alignment < btnLeft || in.Alignment > btnCenter) {
            return;
        }
        const bool horizontal = in.Alignment == btnLeft || in.Alignment == btnRight;
        int P = horizontal ? PX : PY;
        int g = in.Gap;
        int E = horizontal ? in.PW : in.PH;
        if (in.pictureMode) {
            // The picture is the whole face: only a left caption keeps its offset.
            P = in.Alignment == btnLeft ? PX : 0;
            g = 0;
            E = 0;
        }
        const auto free =
            horizontal ? freeSpace(in.W, P, g, E, in.CW) : freeSpace(in.H, P, g, E, in.CH);
        const bool autoPicture = in.PictureAlignment == btnAuto;
        switch (in.Alignment) {
        case btnLeft:
            if (in.PictureAlignment == btnLeft) {
                if (free) {
                    out.caption.left =
                        *free < 0 ? std::optional(int(in.W - P - in.CW)) : nearestInt16(E + g + P);
                }
            } else {
                out.caption.left = P;
            }
            out.caption.top = centreY(in.CH);
            if (autoPicture) {
                out.picture = {int(in.W - P - E), centreY(in.PH)};
            }
            break;
        case btnRight:
            if (in.PictureAlignment == btnRight) {
                if (free) {
                    out.caption.left = *free < 0 ? std::optional(P) : nearestInt16(P + *free);
                }
            } else {
                out.caption.left = int(in.W - in.CW - P);
            }
            out.caption.top = centreY(in.CH);
            if (autoPicture) {
                out.picture = {P, centreY(in.PH)};
            }
            break;
        case btnTop:
            if (in.PictureAlignment == btnTop) {
                if (free) {
                    out.caption.top =
                        *free < 0 ? std::optional(int(in.H - P - in.CH)) : nearestInt16(E + g + P);
                }
            } else {
                out.caption.top = P;
            }
            out.caption.left = centreX(in.CW);
            if (autoPicture) {
                out.picture = {centreX(in.PW), nearestInt16(in.H - P - E)};
            }
            break;
        case btnBottom:
            if (in.PictureAlignment == btnBottom) {
                if (free) {
                    out.caption.top = *free < 0 ? std::optional(P) : nearestInt16(P + *free);
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
        case btnCenter:
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

LayoutResult layoutPictureAndCaption(const LayoutInput& in) {
    return Layout(in).run();
}

} // namespace torvelbutton
