// The paint pass as the button runs it: the painter draws the face from the settled look;
// the button places its caption label and picture element, and sizes itself in the
// picture looks.
#include "torvelimagebutton_p.h"

#include "common/numeric.h"
#include "torvelbutton/render/layout.h"
#include "torvelbutton/render/pictureholder.h"

#include <QLabel>
#include <QPointer>

using namespace torvelbutton;

namespace {

bool isPictureLook(int attrib) {
    return attrib == TorvelImageButton::btnImage || attrib == TorvelImageButton::btnImage_In ||
           attrib == TorvelImageButton::btnImage_Only;
}

void moveTo(QWidget* w, const Placement& p) {
    w->move(p.left.value_or(w->x()), p.top.value_or(w->y()));
}

} // namespace

void TorvelImageButton::setLabelText(const QString& text) {
    if (d->lbl->text() != text) {
        d->lbl->setText(text);
    }
    // The label takes the size of its text (and of the present font).
    d->lbl->adjustSize();
}

void TorvelImageButton::settleLook() {
    d->m.Enabled = isButtonEnabled();
    if (d->m.ImageList.isNull()) {
        // Without a strip of its own the button uses the built-in one, at its cell size.
        // The notices tell the host its stored sizes no longer hold.
        const QPointer<TorvelImageButton> self(this);
        d->m.ImageListHeight = kBuiltinCellHeight;
        notify(key::ImageListHeight);
        if (!self) {
            return;
        }
        d->m.ImageListWidth = kBuiltinCellWidth;
        notify(key::ImageListWidth);
    }
}

void TorvelImageButton::DrawFrame(bool clearFirst) {
    syncSurfaceSize();
    const QPointer<TorvelImageButton> self(this);
    settleLook();
    if (!self) {
        return;
    }
    setLabelText(ButtonPainter::captionText(d->m));
    d->painter.drawFrame(d->m, clearFirst);
    setLabelForeColor();
    update();
}

void TorvelImageButton::BlendPicture() {
    if (d->m.CurrentPicture.isNull()) {
        return;
    }
    if (!d->imgTemp->isVisibleTo(this)) {
        d->imgTemp->move(0, 0); // the picture looks: the picture is the whole face
    }
    const QRect area(d->imgTemp->pos(), d->imgTemp->size());
    const QPointer<TorvelImageButton> self(this);
    settleLook();
    if (!self) {
        return;
    }
    if (d->painter.blendPicture(d->m, area)) {
        // The surface now shows the tinted picture; the element would cover it.
        d->imgTemp->hide();
        setLabelText(ButtonPainter::captionText(d->m));
        setLabelForeColor();
    }
}

void TorvelImageButton::Redraw() {
    if (d->m.OwnerDraw) {
        // The host paints: clear to the back colour and hand over the surface.
        syncSurfaceSize();
        d->painter.surface().setBackColor(d->m.BackColor);
        d->painter.surface().cls();
        update();
        emit OwnerDraw(&d->painter.surface().image(), static_cast<eBtnState>(d->m.ButtonState));
        return;
    }

    const qint16 O = d->m.CurrentOutLineSize; // the previous frame's border places the picture
    d->m.CurrentPicture = QImage();
    const bool pictureMode = isPictureLook(d->m.ButtonAttrib);
    syncSurfaceSize();
    d->m.Enabled = isButtonEnabled();

    setLabelText(ButtonPainter::captionText(d->m));
    if (!d->m.Enabled) {
        d->lbl->setEnabled(false);
        d->imgTemp->setEnabled(false);
    }

    const QPointer<TorvelImageButton> self(this);
    d->m.CurrentPicture = ButtonPainter::choosePicture(d->m);
    if (d->m.CurrentPicture.isNull()) {
        redrawWithoutPicture();
        return;
    }
    d->imgTemp->setPicture(d->m.CurrentPicture);
    const int PW = d->imgTemp->width();
    const int PH = d->imgTemp->height();

    if (pictureMode) {
        d->painter.surface().setPicture(d->m.CurrentPicture);
        // Each change of the outer size runs the resize handling (a nested pass when
        // painted) before this pass goes on.
        if (PW * kTwipsPerPixel != outerSizeTwips().width()) {
            setOuterSize(QSize(PW, height()));
            if (!self) {
                return;
            }
        }
        if (PH * kTwipsPerPixel != outerSizeTwips().height()) {
            setOuterSize(QSize(width(), PH));
            if (!self) {
                return;
            }
        }
    }

    switch (d->m.ButtonAttrib) {
    case btnNormal:
    case btnNormal_In:
    case btnOutLine:
    case btnOutLine_In:
        d->imgTemp->show();
        break;
    case btnImage:
    case btnImage_In:
    case btnImage_Only:
        d->imgTemp->hide();
        break;
    default:
        break;
    }

    if (pictureMode) {
        d->m.PictureAlignment = btnAuto;
    }

    LayoutInput in;
    in.W = width();
    in.H = height();
    in.PW = PW;
    in.PH = PH;
    in.CW = d->lbl->width();
    in.CH = d->lbl->height();
    in.O = O;
    in.PictureOffsetX = d->m.PictureOffsetX;
    in.PictureOffsetY = d->m.PictureOffsetY;
    in.Gap = d->m.Gap;
    in.PictureAlignment = d->m.PictureAlignment;
    in.Alignment = d->m.Alignment;
    in.pictureMode = pictureMode;
    const LayoutResult placed = layoutPictureAndCaption(in);
    moveTo(d->imgTemp, placed.picture);
    moveTo(d->lbl, placed.caption);
    d->lbl->move(d->lbl->x() + d->m.CaptionOffsetX, d->lbl->y() + d->m.CaptionOffsetY);

    if (d->imgTemp->isVisibleTo(this)) {
        d->imgTemp->update();
    }
    DrawFrame(true);
    if (!self) {
        return;
    }
    d->m.Painted = true;
    if (d->m.ButtonTransparent == None_Transparent) {
        BlendPicture();
        if (!self) {
            return;
        }
    }
    update();
}

void TorvelImageButton::redrawWithoutPicture() {
    const double W = width();
    const double H = height();
    const std::optional<int> top =
        common::addInt16(common::nearestInt16((H - d->lbl->height()) / 2.0), d->m.CaptionOffsetY);
    const std::optional<int> left =
        common::addInt16(common::nearestInt16((W - d->lbl->width()) / 2.0), d->m.CaptionOffsetX);
    moveTo(d->lbl, Placement{left, top});

    d->imgTemp->update();
    d->imgTemp->hide();
    if (d->m.ButtonTransparent == None_Transparent) {
        // In see-through mode the background picture is the snapshot; leave it.
        d->painter.surface().setPicture(QImage());
    }
    const QPointer<TorvelImageButton> self(this);
    DrawFrame(true);
    if (!self) {
        return;
    }
    d->m.Painted = true;
    update();
}
