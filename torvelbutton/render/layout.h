#pragma once

#include "torvelbutton/buttontypes.h"

#include <QtGlobal>

#include <optional>

namespace torvelbutton {

// Where the picture holder and the caption label go inside the client area. The values of
// PictureAlignment and Alignment are taken as stored, so numbers outside the enumerations
// are allowed (they place nothing).
struct LayoutInput {
    double W = 0; // client width, pixels
    double H = 0; // client height, pixels
    int PW = 0;   // picture width and height, pixels
    int PH = 0;
    int CW = 0; // caption width and height, pixels
    int CH = 0;
    qint16 O = 0; // outline size the previous frame left
    qint16 PictureOffsetX = 0;
    qint16 PictureOffsetY = 0;
    qint16 Gap = 0;
    int PictureAlignment = 0;
    int Alignment = 0;
    bool pictureMode = false; // the look shows the picture as the surface's background
};

// A position to give an element. A coordinate left empty is not set: the element keeps the
// value it had (rows that do not place it, or a result outside the 16-bit range).
struct Placement {
    std::optional<int> left;
    std::optional<int> top;
};

struct LayoutResult {
    Placement picture;
    Placement caption;
};

// Places the picture by PictureAlignment and, with an automatic caption, the caption in the
// space the picture leaves; then an explicit Alignment places the caption (and, with an
// automatic picture, the picture on the opposite side). Caption offsets are not included.
LayoutResult layoutPictureAndCaption(const LayoutInput& in);

} // namespace torvelbutton
