#pragma once

// The private side of TorvelImageButton: its member state and its children. Tests and the
// library's own sources include this; it is not installed, so hosts cannot.
#include "torvelbutton/model/torvelimagebutton.h"
#include "torvelbutton/render/buttonpainter.h"

#include <QFont>
#include <QPointer>

class QLabel;
class QTimer;

namespace torvelbutton {

class PictureHolder;

// The look the painter reads, and what only the model keeps: layout inputs, behaviour
// flags and the see-through bookkeeping. The enumerated members hold the numbers they were
// set to.
struct ButtonMembers : ButtonLook {
    int PictureAlignment = btnLeft; // eBtnAlignment
    int Alignment = btnAuto;        // eBtnAlignment
    QImage TransparentPicture;      // the stored see-through snapshot
    QFont Font;
    qint16 Gap = kNewGap;
    qint16 PictureOffsetX = kNewPictureOffset;
    qint16 PictureOffsetY = kNewPictureOffset;
    qint16 CaptionOffsetX = 0;
    qint16 CaptionOffsetY = 0;
    int CheckOption = Not_Used; // eChecked
    bool Default = false;
    bool Cancel = false;
    bool OwnerDraw = false;
    bool AutoReDraw = false;
    bool Painted = false; // a complete redraw has run
    qint32 ParentEnabled = 0;
    // See-through bookkeeping.
    qint16 PrevParentEnabled = 0;
    bool PrevTopLevel = false;
    qint32 OwnLeft = 0;
    qint32 OwnTop = 0;
    qint32 ParentLeft = 0;
    qint32 ParentTop = 0;
    qint32 PrevOwnLeft = 0;
    qint32 PrevOwnTop = 0;
    qint32 PrevParentLeft = 0;
    qint32 PrevParentTop = 0;
    bool ResizePending = false;
    bool FirstTickDone = false;
};

} // namespace torvelbutton

struct TorvelImageButton::Private {
    torvelbutton::ButtonMembers m;
    qint16 mousePointer = 0;
    torvelbutton::ButtonPainter painter;
    QLabel* lbl = nullptr;
    torvelbutton::PictureHolder* imgTemp = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QPointer<QWidget> form; // the window whose unused Enter and Esc the button watches
    // Set while setOuterSize resizes the button: it runs the resize handling itself.
    bool resizeHandlingDeferred = false;

    // A member of the button's own scope, so it reaches the private pointer without a friend.
    static const Private& of(const TorvelImageButton& button) { return *button.d; }
};

namespace torvelbutton {

// The member state of a button, read-only: the tests' way to see what no host can.
inline const ButtonMembers& buttonMembers(const TorvelImageButton& button) {
    return TorvelImageButton::Private::of(button).m;
}

} // namespace torvelbutton
