// The frame: strip cell by state, the nine-slice skin, the flat frame of the "_In" looks
// and the pressed shift of the picture looks.
#include "torvelbutton/model/torvelimagebutton.h"

#include "layout.h"

#include <QLabel>

using namespace torvelbutton;

namespace {

// 16-bit differences of the skin's intermediates; an overflow leaves the value at 0.
int minus16(int a, int b) {
    const int d = a - b;
    return d < -32768 || d > 32767 ? 0 : d;
}

} // namespace

qint16 TorvelImageButton::outLineSizeFor(eBtnState state) const {
    switch (state) {
    case bNormal:
        return m.ImgOutLineSize;
    case bDown:
        return m.ImgDownOutLineSize;
    case bDisable:
        return m.ImgDisableOutLineSize;
    case bUp:
        return m.ImgUpOutLineSize;
    default:
        return m.CurrentOutLineSize;
    }
}

void TorvelImageButton::DrawFrame(bool clearFirst) {
    qint16 cell = m.ButtonState >= bNormal && m.ButtonState <= bUp
                      ? static_cast<qint16>(m.ButtonState)
                      : qint16(0);
    if (m.Value) {
        cell = static_cast<qint16>(cell + 4);
    }
    if (!isButtonEnabled()) {
        qint16 disabled = 2;
        DrawSkin(disabled, clearFirst);
    } else {
        DrawSkin(cell, clearFirst);
    }
}

void TorvelImageButton::DrawSkin(qint16& cell, bool clearFirst) {
    if (cell != 2 && m.ButtonState == bDisable) {
        cell = 2;
    }
    syncSurfaceSize();
    const int W = width();
    const int H = height();

    m.CurrentOutLineSize = outLineSizeFor(m.ButtonState);
    const int O = m.CurrentOutLineSize;

    // Intermediates of the slicing; a 16-bit overflow leaves one at 0 and its pieces
    // undrawn or misplaced, never out of the surface.
    const bool twoOFits = O >= -16384 && O <= 16383; // 2 * O is a 16-bit product
    const int twoO = twoOFits ? 2 * O : 0;
    const int WmO = W - O;
    const int HmO = H - O;
    const int Wm2O = twoOFits ? W - twoO : 0;
    const int Hc = twoOFits ? nearest(H - twoO).value_or(0) : 0;

    if (m.ImageList.isNull()) {
        setImageListHeight(kBuiltinCellHeight);
        setImageListWidth(kBuiltinCellWidth);
        pc.setPicture(pc1.picture());
    } else {
        pc.setPicture(m.ImageList);
    }
    const int CW0 = m.ImageListWidth;
    const int CH0 = m.ImageListHeight;
    const int CW0mO = minus16(CW0, O);
    const int CH0mO = minus16(CH0, O);
    const int CW0m2O = twoOFits ? minus16(CW0, twoO) : 0;
    const int CH0m2O = twoOFits ? minus16(CH0, twoO) : 0;

    setLabelText(captionText());

    bool drawFace = false;
    bool drawEdges = false;
    bool pressedShift = false;

    if (clearFirst) {
        m_surface.setBackColor(m.BackColor);
        m_surface.cls();
    }
    setLabelForeColor();

    const bool hotOrDown = m.ButtonState == bDown || m.ButtonState == bUp;
    if (m.ButtonTransparent != None_Transparent) {
        // See-through: the snapshot is the face; edges always or only when hot.
        drawEdges = m.ButtonTransparent == Transparent || hotOrDown;
    } else {
        switch (m.ButtonAttrib) {
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
        if (pressedShift && m.ButtonState == bDown && !m_surface.picture().isNull()) {
            // The picture seems pushed in: painted again 2 pixels right and down.
            const QRect whole(0, 0, width(), height());
            m_surface.paintPicture(m_surface.picture(),
                                   whole.translated(kPressedShift, kPressedShift), whole);
        }
    }

    const QImage piece = pc.GraphicCell(cell);
    if (drawEdges) {
        const bool flatFrame = m.ButtonState == bNormal &&
                               (m.ButtonAttrib == btnNormal_In || m.ButtonAttrib == btnOutLine_In);
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
    update();
}
