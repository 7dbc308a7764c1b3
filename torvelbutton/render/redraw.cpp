// The paint pipeline's main pass: caption, picture choice, sizing and placement.
#include "torvelbutton/model/torvelimagebutton.h"

#include "layout.h"
#include "pictureholder.h"

#include <QLabel>

using namespace torvelbutton;

namespace {

bool isPictureLook(int attrib) {
    return attrib == TorvelImageButton::btnImage || attrib == TorvelImageButton::btnImage_In ||
           attrib == TorvelImageButton::btnImage_Only;
}

const QImage& either(const QImage& first, const QImage& second) {
    return first.isNull() ? second : first;
}

std::optional<int> plus16(std::optional<int> a, int b) {
    if (!a) {
        return std::nullopt;
    }
    const int s = *a + b;
    if (s < -32768 || s > 32767) {
        return std::nullopt;
    }
    return s;
}

void moveTo(QWidget* w, const Placement& p) {
    w->move(p.left.value_or(w->x()), p.top.value_or(w->y()));
}

} // namespace

QString TorvelImageButton::captionText() const {
    const bool showChecked =
        m.Value && isButtonEnabled() && !m.ButtonSelected && m.CaptionCheckedUSE;
    return showChecked ? m.CaptionChecked : m.Caption;
}

void TorvelImageButton::setLabelText(const QString& text) {
    if (lbl->text() != text) {
        lbl->setText(text);
    }
    // The label takes the size of its text (and of the present font).
    lbl->adjustSize();
}

QImage TorvelImageButton::choosePicture() const {
    const bool enabled = isButtonEnabled();
    if (!enabled) {
        return m.ButtonSelected ? either(m.PictureSelected, m.Picture) : m.Picture;
    }
    if (m.ButtonSelected) {
        return either(m.PictureSelected, m.Picture);
    }
    if (m.Value) {
        return either(m.PictureChecked, m.Picture);
    }
    switch (m.ButtonState) {
    case bDown:
        return either(m.PictureDOWN, either(m.PictureOVER, m.Picture));
    case bUp:
        return either(m.PictureOVER, m.Picture);
    case bNormal:
    case bDisable:
        return m.Picture;
    default:
        return {};
    }
}

void TorvelImageButton::Redraw() {
    if (m.OwnerDraw) {
        // The host paints: clear to the back colour and hand over the surface.
        syncSurfaceSize();
        m_surface.setBackColor(m.BackColor);
        m_surface.cls();
        update();
        emit OwnerDraw(&m_surface.image(), m.ButtonState);
        return;
    }

    const qint16 O = m.CurrentOutLineSize; // the previous frame's border places the picture
    m.CurrentPicture = QImage();
    const bool pictureMode = isPictureLook(m.ButtonAttrib);
    syncSurfaceSize();

    setLabelText(captionText());
    if (!isButtonEnabled()) {
        lbl->setEnabled(false);
        imgTemp->setEnabled(false);
    }

    m.CurrentPicture = choosePicture();
    if (m.CurrentPicture.isNull()) {
        redrawWithoutPicture();
        return;
    }
    imgTemp->setPicture(m.CurrentPicture);
    const int PW = imgTemp->width();
    const int PH = imgTemp->height();

    if (pictureMode) {
        m_surface.setPicture(m.CurrentPicture);
        // Each change of the outer size runs the resize handling (a nested pass when
        // painted) before this pass goes on.
        if (PW * kTwipsPerPixel != outerSizeTwips().width()) {
            setOuterSize(QSize(PW, height()));
        }
        if (PH * kTwipsPerPixel != outerSizeTwips().height()) {
            setOuterSize(QSize(width(), PH));
        }
    }

    switch (m.ButtonAttrib) {
    case btnNormal:
    case btnNormal_In:
    case btnOutLine:
    case btnOutLine_In:
        imgTemp->show();
        break;
    case btnImage:
    case btnImage_In:
    case btnImage_Only:
        imgTemp->hide();
        break;
    default:
        break;
    }

    if (pictureMode) {
        m.PictureAlignment = btnAuto;
    }

    LayoutInput in;
    in.W = width();
    in.H = height();
    in.PW = PW;
    in.PH = PH;
    in.CW = lbl->width();
    in.CH = lbl->height();
    in.O = O;
    in.PictureOffsetX = m.PictureOffsetX;
    in.PictureOffsetY = m.PictureOffsetY;
    in.Gap = m.Gap;
    in.PictureAlignment = m.PictureAlignment;
    in.Alignment = m.Alignment;
    in.pictureMode = pictureMode;
    const LayoutResult placed = layoutPictureAndCaption(in);
    moveTo(imgTemp, placed.picture);
    moveTo(lbl, placed.caption);
    lbl->move(lbl->x() + m.CaptionOffsetX, lbl->y() + m.CaptionOffsetY);

    if (imgTemp->isVisibleTo(this)) {
        imgTemp->update();
    }
    DrawFrame(true);
    m.Painted = true;
    if (m.ButtonTransparent == None_Transparent) {
        BlendPicture();
    }
    update();
}

void TorvelImageButton::redrawWithoutPicture() {
    const double W = width();
    const double H = height();
    const std::optional<int> top = plus16(nearest((H - lbl->height()) / 2.0), m.CaptionOffsetY);
    const std::optional<int> left = plus16(nearest((W - lbl->width()) / 2.0), m.CaptionOffsetX);
    moveTo(lbl, Placement{left, top});

    imgTemp->update();
    imgTemp->hide();
    if (m.ButtonTransparent == None_Transparent) {
        // In see-through mode the background picture is the snapshot; leave it.
        m_surface.setPicture(QImage());
    }
    DrawFrame(true);
    m.Painted = true;
    update();
}
