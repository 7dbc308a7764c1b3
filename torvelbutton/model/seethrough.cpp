// See-through mode: the button shows a snapshot of its parent's own pixels under it, with
// the skin's edges on top, and a watch renews the snapshot after moves and resizes.
#include "torvelimagebutton_p.h"

#include "torvelbutton/render/pictureholder.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

using namespace torvelbutton;

namespace {

qint32 enabledOf(const QWidget* w) {
    return w && w->isEnabled() ? 1 : 0;
}

} // namespace

bool TorvelImageButton::IsTopLevelClass(const QWidget* w) const {
    // Is the parent a top-level window? Only then is the snapshot renewed on every load
    // instead of kept with the instance.
    return w && w->isWindow();
}

void TorvelImageButton::RecordPlacement(const QWidget* w) {
    if (!w) {
        return;
    }
    if (w == parentWidget()) {
        d->m.ParentLeft = w->x();
        d->m.ParentTop = w->y();
    } else {
        d->m.OwnLeft = w->x();
        d->m.OwnTop = w->y();
    }
}

QImage TorvelImageButton::CaptureWindow(QWidget* w, const QRect& area) const {
    if (!w || area.isEmpty()) {
        return {};
    }
    QImage shot(area.size(), QImage::Format_RGB32);
    if (shot.isNull()) {
        return {};
    }
    shot.fill(w->palette().color(w->backgroundRole()));
    // The parent alone, without its children: what the button stands on.
    w->render(&shot, QPoint(0, 0), QRegion(area), QWidget::DrawWindowBackground);
    return shot;
}

void TorvelImageButton::drawSkinCell(qint16 cell) {
    syncSurfaceSize();
    const QPointer<TorvelImageButton> self(this);
    settleLook();
    if (!self) {
        return;
    }
    setLabelText(ButtonPainter::captionText(d->m));
    d->painter.drawSkin(d->m, cell, true);
    setLabelForeColor();
    update();
}

void TorvelImageButton::CaptureBackground(bool recheck) {
    QWidget* parent = parentWidget();
    const bool top = IsTopLevelClass(parent);
    d->m.ParentEnabled = enabledOf(parent);
    if (top != d->m.PrevTopLevel && d->m.PrevTopLevel) {
        // The parent stopped being a top-level window: show the kept snapshot.
        d->painter.surface().setPicture(d->m.TransparentPicture);
        d->m.PrevTopLevel = top;
        update();
        return;
    }
    if (recheck) {
        if (static_cast<qint32>(d->m.PrevParentEnabled) == d->m.ParentEnabled) {
            return;
        }
        RecordPlacement(this);
    }
    d->lbl->hide();
    d->m.PrevParentEnabled = static_cast<qint16>(d->m.ParentEnabled);
    d->m.PrevTopLevel = top;
    const bool wasVisible = d->imgTemp->isVisibleTo(this);
    d->imgTemp->hide();

    if (d->m.ButtonTransparent == None_Transparent || d->m.ParentEnabled == 0) {
        d->Timer2->stop();
    } else {
        if (!d->Timer2->isActive()) {
            d->Timer2->start();
        }
        syncSurfaceSize();
        const QRect area(d->m.OwnLeft, d->m.OwnTop, width(), height());
        const QImage shot = CaptureWindow(parent, area);
        if (!IsTopLevelClass(parent)) {
            // Kept with the instance, so the next load shows it before any capture.
            d->m.TransparentPicture = shot;
            d->painter.surface().setPicture(d->m.TransparentPicture);
        } else {
            d->painter.surface().setPicture(shot);
        }
    }

    d->lbl->show();
    if (wasVisible) {
        d->imgTemp->show();
    }
    drawSkinCell(isButtonEnabled() ? 0 : 2);
}

void TorvelImageButton::Timer2_Timer() {
    d->Timer2->setInterval(kWatchPeriod);
    QWidget* parent = parentWidget();
    const QPointer<TorvelImageButton> self(this);
    if (d->m.ButtonTransparent != None_Transparent) {
        RecordPlacement(parent);
        RecordPlacement(this);
        if (!d->m.FirstTickDone) {
            if (!IsTopLevelClass(parent) && !d->m.TransparentPicture.isNull()) {
                d->painter.surface().setPicture(d->m.TransparentPicture);
                drawSkinCell(isButtonEnabled() ? 0 : 2);
            } else {
                CaptureBackground(true);
            }
            if (!self) {
                return;
            }
        } else {
            const bool ownMoved =
                d->m.OwnLeft != d->m.PrevOwnLeft || d->m.OwnTop != d->m.PrevOwnTop;
            const bool parentStill =
                d->m.ParentLeft == d->m.PrevParentLeft && d->m.ParentTop == d->m.PrevParentTop;
            // A move of the whole parent carries the snapshot along: nothing to renew.
            if ((ownMoved && parentStill) || d->m.ResizePending) {
                CaptureBackground(false);
                if (!self) {
                    return;
                }
            }
        }
        d->m.FirstTickDone = true;
        d->m.ResizePending = false;
        d->m.ParentEnabled = enabledOf(parent);
        d->m.PrevParentLeft = d->m.ParentLeft;
        d->m.PrevParentTop = d->m.ParentTop;
        d->m.PrevOwnLeft = d->m.OwnLeft;
        d->m.PrevOwnTop = d->m.OwnTop;
    } else {
        d->m.ParentEnabled = enabledOf(parent);
    }
    // The watch runs only while there is something to watch: a see-through button on an
    // enabled parent.
    if (d->m.ButtonTransparent == None_Transparent || d->m.ParentEnabled == 0) {
        d->Timer2->stop();
    }
}
