// How the button reacts to its host: mouse, hover, check and option groups, keys, ambient
// changes and its end. Every handler that raises an event to the host checks afterwards
// that the button still exists: a handler may delete it.
#include "torvelimagebutton_p.h"

#include "torvelbutton/render/pictureholder.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QDynamicPropertyChangeEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

using namespace torvelbutton;

namespace {

constexpr int kEnterKey = 13;
constexpr int kEscKey = 27;

short buttonCode(Qt::MouseButtons buttons) {
    short code = 0;
    if (buttons & Qt::LeftButton) {
        code |= 1;
    }
    if (buttons & Qt::RightButton) {
        code |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        code |= 4;
    }
    return code;
}

short shiftCode(Qt::KeyboardModifiers modifiers) {
    short code = 0;
    if (modifiers & Qt::ShiftModifier) {
        code |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        code |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        code |= 4;
    }
    return code;
}

// The virtual key code hosts know for a Qt key; 0 for keys without one.
short keyCode(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return static_cast<short>(key); // the same numbers as their upper-case characters
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<short>(112 + (key - Qt::Key_F1));
    }
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kEnterKey;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return kEscKey;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

bool isDigit09(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qint64 handleOf(const QWidget* w) {
    return static_cast<qint64>(reinterpret_cast<quintptr>(w));
}

// A member that shows something but owns no window: a label or an image.
bool hasOwnWindow(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) == nullptr;
}

// The controls of a form in the form's order: every widget on it, depth first in the order
// they were placed, without the insides of image buttons (their label and picture are the
// button's) and without windows of their own.
void collectMembers(const QWidget* parent, QList<QWidget*>& out) {
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow()) {
            continue;
        }
        out << w;
        if (!qobject_cast<TorvelImageButton*>(w)) {
            collectMembers(w, out);
        }
    }
}

QList<QWidget*> formMembers(const QWidget* form) {
    QList<QWidget*> members;
    if (form) {
        collectMembers(form, members);
    }
    return members;
}

} // namespace

qint64 TorvelImageButton::hWnd() const {
    return handleOf(this);
}

QPoint TorvelImageButton::cursorPoint() const {
    return mapFromGlobal(QCursor::pos());
}

bool TorvelImageButton::isInside(QPoint p) const {
    // Both far edges count: the column x = width and the row y = height are inside.
    return p.x() >= 0 && p.x() <= width() && p.y() >= 0 && p.y() <= height();
}

// ---- mouse ------------------------------------------------------------------------------

void TorvelImageButton::pressRule(short button, short shift) {
    const QPoint p = cursorPoint();
    if (button != 1 || !isInside(p)) {
        return;
    }
    d->m.ButtonState = bDown;
    const QPointer<TorvelImageButton> self(this);
    Redraw();
    if (!self) {
        return;
    }
    float X = static_cast<float>(p.x());
    float Y = static_cast<float>(p.y());
    emit MouseDown(button, shift, X, Y);
}

void TorvelImageButton::moveRule(short button, short shift) {
    const QPoint p = cursorPoint();
    if (!isInside(p)) {
        return;
    }
    float X = static_cast<float>(p.x());
    float Y = static_cast<float>(p.y());
    if (d->Timer1->isActive()) {
        emit MouseMove(button, shift, X, Y);
        return;
    }
    // The cursor has just come in.
    d->Timer1->start();
    const eBtnState target = button == 1 ? bDown : bUp;
    const bool wasNormal = d->m.ButtonState == bNormal;
    d->m.ButtonState = target;
    if (wasNormal) {
        const QPointer<TorvelImageButton> self(this);
        Redraw();
        if (!self) {
            return;
        }
    }
    emit MouseMove(button, shift, X, Y);
}

void TorvelImageButton::Timer1_Timer() {
    if (isInside(cursorPoint())) {
        return;
    }
    d->Timer1->stop();
    const QPointer<TorvelImageButton> self(this);
    emit MouseExit();
    if (!self) {
        return;
    }
    // A pressed look stays until the release.
    if (d->m.ButtonState == bUp) {
        d->m.ButtonState = bNormal;
        Redraw();
    }
}

void TorvelImageButton::releaseRule(short button, short shift) {
    if (button != 1) {
        return;
    }
    const QPointer<TorvelImageButton> self(this);
    switch (d->m.CheckOption) {
    case btnChecked:
        setValue(!d->m.Value);
        break;
    case btnOption:
        SelectOption();
        break;
    default: // Not_Used, and any other stored number
        setValue(false);
        break;
    }
    if (!self) {
        return;
    }
    const QPoint p = cursorPoint();
    d->m.ButtonState = isInside(p) ? bUp : bNormal;
    float X = static_cast<float>(p.x());
    float Y = static_cast<float>(p.y());
    emit MouseUp(button, shift, X, Y);
    if (!self) {
        return;
    }
    Redraw();
    if (!self) {
        return;
    }
    emit Click();
}

qint64 TorvelImageButton::ReturnContanerHwnd() {
    const QWidget* container = parentWidget();
    if (container) {
        const qint64 h = handleOf(container);
        for (const QWidget* member : formMembers(window())) {
            // A label or an image has no window: it cannot be the container and is passed
            // over, so a label earlier in the form does not hide the frame behind it.
            if (!hasOwnWindow(member)) {
                continue;
            }
            if (handleOf(member) == h) {
                return h;
            }
        }
    }
    QCoreApplication::processEvents();
    return -1;
}

void TorvelImageButton::SelectOption() {
    const QPointer<TorvelImageButton> self(this);
    QList<QPointer<TorvelImageButton>> candidates;
    for (QWidget* member : formMembers(window())) {
        if (auto* other = qobject_cast<TorvelImageButton*>(member)) {
            candidates << other;
        }
    }
    for (const QPointer<TorvelImageButton>& other : candidates) {
        if (!other) {
            continue; // gone while an earlier member's group was worked out
        }
        const bool another = other->hWnd() != hWnd();
        const bool isOption = other->checkOption() == btnOption;
        const qint64 theirs = other->ReturnContanerHwnd();
        if (!self) {
            return;
        }
        const qint64 mine = ReturnContanerHwnd();
        if (!self) {
            return;
        }
        if (other && another && isOption && theirs == mine) {
            other->CheckedDisable();
            if (!self) {
                return;
            }
        }
    }
    setValue(true);
}

void TorvelImageButton::mousePressEvent(QMouseEvent* event) {
    pressRule(buttonCode(event->button()), shiftCode(event->modifiers()));
}

void TorvelImageButton::mouseMoveEvent(QMouseEvent* event) {
    moveRule(buttonCode(event->buttons()), shiftCode(event->modifiers()));
}

void TorvelImageButton::mouseReleaseEvent(QMouseEvent* event) {
    releaseRule(buttonCode(event->button()), shiftCode(event->modifiers()));
}

void TorvelImageButton::mouseDoubleClickEvent(QMouseEvent*) {
    emit DblClick();
}

// ---- keys -------------------------------------------------------------------------------

void TorvelImageButton::keyPressEvent(QKeyEvent* event) {
    const QPointer<TorvelImageButton> self(this);
    short code = keyCode(event->key());
    short shift = shiftCode(event->modifiers());
    emit KeyDown(code, shift);
    const QString text = event->text();
    if (self && text.size() == 1) {
        short ascii = static_cast<short>(text.at(0).unicode());
        emit KeyPress(ascii);
    }
    // No key acts here: Enter and Esc go on to the window, which hands them to the
    // Default and Cancel buttons.
    event->ignore();
}

void TorvelImageButton::keyReleaseEvent(QKeyEvent* event) {
    short code = keyCode(event->key());
    short shift = shiftCode(event->modifiers());
    emit KeyUp(code, shift);
    event->ignore();
}

void TorvelImageButton::AccessKeyPress(int KeyCode) {
    if ((KeyCode == kEscKey && d->m.Cancel) || (KeyCode == kEnterKey && d->m.Default)) {
        emit Click();
    }
}

void TorvelImageButton::watchForm() {
    QWidget* form = window();
    if (form == this) {
        form = nullptr;
    }
    if (d->form == form) {
        return;
    }
    if (d->form) {
        d->form->removeEventFilter(this);
    }
    d->form = form;
    if (form) {
        form->installEventFilter(this);
    }
}

bool TorvelImageButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == d->form && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const short code = keyCode(key->key());
        if (code == kEnterKey || code == kEscKey) {
            const QPointer<TorvelImageButton> self(this);
            AccessKeyPress(code);
            if (!self) {
                return false; // the window's own handling goes on
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- drag and drop ----------------------------------------------------------------------

namespace {

qint32 effectOf(Qt::DropAction action) {
    switch (action) {
    case Qt::CopyAction:
        return 1;
    case Qt::MoveAction:
        return 2;
    default:
        return 0;
    }
}

Qt::DropAction actionOf(qint32 effect) {
    if (effect & 2) {
        return Qt::MoveAction;
    }
    if (effect & 1) {
        return Qt::CopyAction;
    }
    return Qt::IgnoreAction;
}

} // namespace

void TorvelImageButton::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event); // raised with state 0
}

void TorvelImageButton::dragMoveEvent(QDragMoveEvent* event) {
    const QMimeData* data = event->mimeData();
    qint32 effect = 0;
    short button = buttonCode(event->buttons());
    short shift = shiftCode(event->modifiers());
    float X = static_cast<float>(event->position().x());
    float Y = static_cast<float>(event->position().y());
    short state = event->type() == QEvent::DragEnter ? 0 : 2;
    const QPointer<TorvelImageButton> self(this);
    emit OLEDragOver(data, effect, button, shift, X, Y, state);
    if (!self) {
        // Accepted, so that Qt does not pass the event on through the deleted widget; the
        // next move finds the target anew.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        return;
    }
    const Qt::DropAction action = actionOf(effect);
    if (action == Qt::IgnoreAction) {
        event->ignore();
    } else {
        event->setDropAction(action);
        event->accept();
    }
}

void TorvelImageButton::dragLeaveEvent(QDragLeaveEvent*) {
    const QMimeData* data = nullptr;
    qint32 effect = 0;
    short button = 0;
    short shift = 0;
    float X = 0;
    float Y = 0;
    short state = 1;
    emit OLEDragOver(data, effect, button, shift, X, Y, state);
}

void TorvelImageButton::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    qint32 effect = effectOf(event->dropAction());
    short button = buttonCode(event->buttons());
    short shift = shiftCode(event->modifiers());
    float X = static_cast<float>(event->position().x());
    float Y = static_cast<float>(event->position().y());
    const QPointer<TorvelImageButton> self(this);
    emit OLEDragDrop(data, effect, button, shift, X, Y);
    if (!self) {
        return;
    }
    event->setDropAction(actionOf(effect));
    event->accept();
}

// ---- ambient changes --------------------------------------------------------------------

bool TorvelImageButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::DynamicPropertyChange: {
        const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
        const QPointer<TorvelImageButton> self(this);
        AmbientChanged(QString::fromLatin1(change->propertyName()));
        if (!self) {
            return true;
        }
        break;
    }
    case QEvent::ParentChange:
    case QEvent::Show:
        watchForm();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TorvelImageButton::AmbientChanged(const QString& PropertyName) {
    if (PropertyName == QLatin1String("DisplayAsDefault") &&
        property("DisplayAsDefault").toBool()) {
        const QPointer<TorvelImageButton> self(this);
        setDefault(true);
        if (!self) {
            return;
        }
    }
    captionFollowRule();
}

void TorvelImageButton::captionFollowRule() {
    // A display name such as "cmdGo(2)" names one element of a control array: a caption
    // that still carries the base name with another index ("cmdGo1") takes the base name.
    const QString D = ambientDisplayName();
    qsizetype p = 0; // 1-based
    bool closed = false;
    for (qsizetype i = D.size(); i >= 1; --i) {
        const QChar c = D.at(i - 1);
        if (!closed) {
            closed = c == QLatin1Char(')');
        } else if (c == QLatin1Char('(')) {
            p = i;
            break;
        }
    }
    if (p <= 1) {
        return;
    }
    const QString B = D.left(p - 1);
    qsizetype q = p;
    for (qsizetype i = B.size(); i >= 1; --i) {
        if (!isDigit09(B.at(i - 1))) {
            q = i;
            break;
        }
    }
    const QString caption = d->m.Caption;
    for (qsizetype r = caption.size(); r >= 1; --r) {
        if (isDigit09(caption.at(r - 1))) {
            continue;
        }
        if (B.left(q - 1) == caption.left(r - 1)) {
            const QPointer<TorvelImageButton> self(this);
            setCaption(B);
            if (!self) {
                return;
            }
            setCaptionChecked(B);
        }
        return;
    }
}

// ---- the end ----------------------------------------------------------------------------

void TorvelImageButton::endRule() {
    d->Timer1->stop();
    d->m.Picture = QImage();
    d->m.PictureOVER = QImage();
    d->m.PictureDOWN = QImage();
    d->m.PictureChecked = QImage();
    d->m.PictureSelected = QImage();
    d->m.ImageList = QImage();
    d->m.CurrentPicture = QImage();
    d->m.TransparentPicture = QImage();
    d->painter.surface().setPicture(QImage());
    d->imgTemp->setPicture(QImage());
    d->m.ButtonState = bNormal;
    syncSurfaceSize();
    d->painter.drawFrame(d->m, true);
    d->m.ParentEnabled = 0;
    d->Timer2->stop();
    d->m.Painted = false;
    if (d->form) {
        d->form->removeEventFilter(this);
    }
}
