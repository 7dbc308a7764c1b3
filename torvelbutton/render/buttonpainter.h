#pragma once

#include "common/olecolor.h"
#include "torvelbutton/buttontypes.h"
#include "torvelbutton/render/controlsurface.h"
#include "torvelbutton/render/pictureclip.h"

#include <QImage>
#include <QRect>
#include <QString>

namespace torvelbutton {

// What the painter reads: the part of a button's state that decides its look, as plain
// values. The enumerations are kept as the numbers they were set to, so values outside them
// reach the painter as they are (and draw what their rows say: mostly nothing).
struct ButtonLook {
    int ButtonAttrib = btnNormal;             // eBtnAttribute
    int ButtonTransparent = None_Transparent; // eTransparent
    int ButtonState = bNormal;                // eBtnState
    bool Enabled = true;                      // the control window's own enabled state
    bool Value = false;
    bool ButtonSelected = false;
    bool CaptionCheckedUSE = false;
    QString Caption;
    QString CaptionChecked;
    QImage Picture;
    QImage PictureOVER;
    QImage PictureDOWN;
    QImage PictureChecked;
    QImage PictureSelected;
    QImage ImageList;
    QImage CurrentPicture; // the picture the last pass chose
    common::OleColor ForeColor = kButtonTextColor;
    common::OleColor BackColor = kButtonFaceColor;
    common::OleColor AlphaColor = kButtonFaceColor;
    qint16 AlphaNormal = kNewAlphaNormal; // percent
    qint16 AlphaUp = kMaxAlpha;
    qint16 AlphaDown = kMaxAlpha;
    qint16 AlphaDisable = kMaxAlpha;
    qint16 ImageListWidth = kBuiltinCellWidth; // pixels, one cell of the strip
    qint16 ImageListHeight = kBuiltinCellHeight;
    qint16 ImgOutLineSize = kNewOutLineSize; // pixels, skin border per state
    qint16 ImgUpOutLineSize = kNewOutLineSize;
    qint16 ImgDownOutLineSize = kNewOutLineSize;
    qint16 ImgDisableOutLineSize = kNewOutLineSize;
    qint16 CurrentOutLineSize = 0; // the border the last frame used
};

// Draws a button's face from a ButtonLook onto its own surface, with no window involved.
// The caller settles the look first (the strip cell size when there is no strip, the
// enabled state) and places the caption and picture elements itself; the painter only
// writes CurrentOutLineSize back. No step reports a failure: what cannot be drawn is left
// out.
class ButtonPainter {
public:
    ButtonPainter();

    ControlSurface& surface() { return m_surface; }
    const ControlSurface& surface() const { return m_surface; }

    // Which caption and which picture the look shows.
    static QString captionText(const ButtonLook& look);
    static QImage choosePicture(const ButtonLook& look);
    // The border width of a state; an unknown state keeps the present one.
    static qint16 outLineSizeFor(const ButtonLook& look, int state);

    // Picks the strip cell for the state and draws the skin with it.
    void drawFrame(ButtonLook& look, bool clearFirst);
    // Clears (when asked) and draws the frame of `cell`; a disabled state turns the cell
    // into 2 and writes it back.
    void drawSkin(ButtonLook& look, qint16& cell, bool clearFirst);
    // Paints CurrentPicture over `area` and tints it by the state's alpha, then draws the
    // frame again over it. Returns false when the picture stays to the picture element
    // (fully opaque, or no picture): nothing was painted then.
    bool blendPicture(ButtonLook& look, const QRect& area);

private:
    ControlSurface m_surface;
    PictureClip pc;  // the working strip
    PictureClip pc1; // the built-in strip
};

} // namespace torvelbutton
