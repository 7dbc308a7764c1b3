// The button's face: strip cell by state, the nine-slice skin, the flat frame of the "_In"
// looks, the pressed shift of the picture looks and the alpha overlay.
#include "buttonpainter.h"

#include "alpha.h"
#include "common/numeric.h"
#include "common/raster.h"

#include <optional>

namespace torvelbutton {

namespace {

const QImage& either(const QImage& first, const QImage& second) {
    return first.isNull() ? second : first;
}

} // namespace

ButtonPainter::ButtonPainter() {
    pc1.setPicture(builtinStrip());
    pc.setPicture(pc1.picture());
}

QString ButtonPainter::captionText(const ButtonLook& look) {
    const bool showChecked =
        look.Value && look.Enabled && !look.ButtonSelected && look.CaptionCheckedUSE;
    return showChecked ? look.CaptionChecked : look.Caption;
}

QImage ButtonPainter::choosePicture(const ButtonLook& look) {
    if (!look.Enabled) {
        return look.ButtonSelected ? either(look.PictureSelected, look.Picture) : look.Picture;
    }
    if (look.ButtonSelected) {
        return either(look.PictureSelected, look.Picture);
    }
    if (look.Value) {
        return either(look.PictureChecked, look.Picture);
    }
    switch (look.ButtonState) {
    case bDown:
        return either(look.PictureDOWN, either(look.PictureOVER, look.Picture));
    case bUp:
        return either(look.PictureOVER, look.Picture);
    case bNormal:
    case bDisable:
        return look.Picture;
    default:
        return {};
    }
}

qint16 ButtonPainter::outLineSizeFor(const ButtonLook& look, int state) {
    switch (state) {
    case bNormal:
        return look.ImgOutLineSize;
    case bDown:
        return look.ImgDownOutLineSize;
    case bDisable:
        return look.ImgDisableOutLineSize;
    case bUp:
        return look.ImgUpOutLineSize;
    default:
        return look.CurrentOutLineSize;
    }
}

void ButtonPainter::drawFrame(ButtonLook& look, bool clearFirst) {
    qint16 cell = look.ButtonState >= bNormal && look.ButtonState <= bUp
                      ? static_cast<qint16>(look.ButtonState)
                      : qint16(0);
    if (look.Value) {
        cell = static_cast<qint16>(cell + 4);
    }
    if (!look.Enabled) {
        qint16 disabled = 2;
        drawSkin(look, disabled, clearFirst);
    } else {
        drawSkin(look, cell, clearFirst);
    }
}

void ButtonPainter::drawSkin(ButtonLook& look, qint16& cell, bool clearFirst) {
    if (cell != 2 && look.ButtonState == bDisable) {
        cell = 2;
    }
    const int W = m_surface.width();
    const int H = m_surface.height();

    look.CurrentOutLineSize = outLineSizeFor(look, look.ButtonState);
    const int O = look.CurrentOutLineSize;

    // Intermediates of the slicing; a 16-bit overflow leaves one at 0 and its pieces
    // undrawn or misplaced, never out of the surface.
    const bool twoOFits = O >= -16384 && O <= 16383; // 2 * O is a 16-bit product
    const int twoO = twoOFits ? 2 * O : 0;
    const int WmO = W - O;
    const int HmO = H - O;
    const int Wm2O = twoOFits ? W - twoO : 0;
    const int Hc = twoOFits ? common::nearestInt16(H - twoO).value_or(0) : 0;

    pc.setPicture(look.ImageList.isNull() ? pc1.picture() : look.ImageList);
    const int CW0 = look.ImageListWidth;
    const int CH0 = look.ImageListHeight;
    const int CW0mO = common::subtractInt16(CW0, O).value_or(0);
    const int CH0mO = common::subtractInt16(CH0, O).value_or(0);
    const int CW0m2O = twoOFits ? common::subtractInt16(CW0, twoO).value_or(0) : 0;
    const int CH0m2O = twoOFits ? common::subtractInt16(CH0, twoO).value_or(0) : 0;

    bool drawFace = false;
    bool drawEdges = false;
    bool pressedShift = false;

    if (clearFirst) {
        m_surface.setBackColor(look.BackColor);
        m_surface.cls();
    }

    const bool hotOrDown = look.ButtonState == bDown || look.ButtonState == bUp;
    if (look.ButtonTransparent != None_Transparent) {
        // See-through: the snapshot is the face; edges always or only when hot.
        drawEdges = look.ButtonTransparent == Transparent || hotOrDown;
    } else {
        switch (look.ButtonAttrib) {
        case btnNormal:
        case btnNormal_In:
            drawFace = true;
            drawEdges = true;
            break;
        case btnOutLine:
        case btnOutLine_In:
            drawEdges = true;
            break;
        case btnImage:
            drawEdges = true;
            pressedShift = true;
            break;
        case btnImage_In:
            drawEdges = hotOrDown;
            pressedShift = true;
            break;
        default:
            break;
        }
        if (pressedShift && look.ButtonState == bDown && !m_surface.picture().isNull()) {
            // The picture seems pushed in: painted again 2 pixels right and down.
            const QRect whole(0, 0, W, H);
            m_surface.paintPicture(m_surface.picture(),
                                   whole.translated(kPressedShift, kPressedShift), whole);
        }
    }

    const QImage piece = pc.GraphicCell(cell);
    if (drawEdges) {
        const bool flatFrame = look.ButtonState == bNormal && (look.ButtonAttrib == btnNormal_In ||
                                                               look.ButtonAttrib == btnOutLine_In);
        if (flatFrame) {
            // Two pixels on the left and top, one on the right and bottom (the lines at
            // x = W and y = H fall outside).
            m_surface.setForeColor(common::bgr(kFlatFrameGrey, kFlatFrameGrey, kFlatFrameGrey));
            m_surface.line({0, 0}, {0, H});
            m_surface.line({1, 0}, {1, H});
            m_surface.line({2, 0}, {W, 0});
            m_surface.line({2, 1}, {W, 1});
            m_surface.line({W, 0}, {W, H});
            m_surface.line({W - 1, 0}, {W - 1, H});
            m_surface.line({0, H}, {W, H});
            m_surface.line({0, H - 1}, {W, H - 1});
            drawFace = false;
        } else {
            // Corners one to one, edges stretched along their length.
            m_surface.paintPicture(piece, {0, 0, O, O}, {0, 0, O, O});
            m_surface.paintPicture(piece, {WmO, 0, O, O}, {CW0mO, 0, O, O});
            m_surface.paintPicture(piece, {WmO, HmO, O, O}, {CW0mO, CH0mO, O, O});
            m_surface.paintPicture(piece, {0, HmO, O, O}, {0, CH0mO, O, O});
            m_surface.paintPicture(piece, {O, 0, Wm2O, O}, {O, 0, CW0m2O, O});
            m_surface.paintPicture(piece, {WmO, O, O, Hc}, {CW0mO, O, O, CH0m2O});
            m_surface.paintPicture(piece, {0, O, O, Hc}, {0, O, O, CH0m2O});
            m_surface.paintPicture(piece, {O, HmO, Wm2O, O}, {O, CH0mO, CW0m2O, O});
        }
    }

    if (clearFirst && drawFace) {
        // The centre, stretched both ways.
        m_surface.paintPicture(piece, {O, O, Wm2O, Hc}, {O, O, CW0m2O, CH0m2O});
    }
}

bool ButtonPainter::blendPicture(ButtonLook& look, const QRect& area) {
    if (look.CurrentPicture.isNull()) {
        return false;
    }
    int a = 0;
    std::optional<int> percent;
    switch (look.ButtonState) {
    case bNormal:
        percent = look.AlphaNormal;
        break;
    case bDown:
        percent = look.AlphaDown;
        break;
    case bDisable:
        percent = look.AlphaDisable;
        break;
    case bUp:
        percent = look.AlphaUp;
        break;
    default:
        break;
    }
    if (percent) {
        if (*percent == kMaxAlpha) {
            return false; // fully opaque: the picture element keeps showing the picture
        }
        // A percentage loaded out of range gives no alpha: the tint is left at 0.
        a = tintAlpha(*percent).value_or(0);
    }

    const qint32 rgb = OleColorToRgb(look.AlphaColor, 0);
    m_surface.paintPicture(look.CurrentPicture, area.topLeft());
    if (rgb != -1) {
        // An untranslatable colour would tint with a made-up colour: the picture stays
        // untinted instead.
        const auto plain = static_cast<common::OleColor>(rgb);
        common::blendRect(m_surface.image(), area,
                          qRgb(common::redOf(plain), common::greenOf(plain), common::blueOf(plain)),
                          a);
    }
    drawFrame(look, false);
    return true;
}

} // namespace torvelbutton
