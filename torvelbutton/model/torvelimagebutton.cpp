#include "torvelimagebutton_p.h"

#include "common/numeric.h"
#include "torvelbutton/render/pictureholder.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>

#include <array>
#include <limits>

using namespace torvelbutton;

namespace {

// The pointer shapes behind codes 1..15; 0 and the custom code 99 show the default pointer.
constexpr std::array<Qt::CursorShape, kLastStandardPointer + 1> kPointerShapes = {
    Qt::ArrowCursor,     // 0 (default, not used)
    Qt::ArrowCursor,     // 1 arrow
    Qt::CrossCursor,     // 2 cross
    Qt::IBeamCursor,     // 3 text
    Qt::ArrowCursor,     // 4 icon
    Qt::SizeAllCursor,   // 5 size
    Qt::SizeBDiagCursor, // 6 size north-east / south-west
    Qt::SizeVerCursor,   // 7 size north / south
    Qt::SizeFDiagCursor, // 8 size north-west / south-east
    Qt::SizeHorCursor,   // 9 size west / east
    Qt::UpArrowCursor,   // 10 up arrow
    Qt::WaitCursor,      // 11 hourglass
    Qt::ForbiddenCursor, // 12 no drop
    Qt::BusyCursor,      // 13 arrow and hourglass
    Qt::WhatsThisCursor, // 14 arrow and question mark
    Qt::SizeAllCursor,   // 15 size all
};

} // namespace

TorvelImageButton::TorvelImageButton(QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<Private>()) {
    d->lbl = new QLabel(this);
    d->imgTemp = new PictureHolder(this);
    d->Timer1 = new QTimer(this);
    d->Timer2 = new QTimer(this);
    d->lbl->setObjectName(QStringLiteral("lbl"));
    d->lbl->setTextFormat(Qt::PlainText);
    d->lbl->setAttribute(Qt::WA_TransparentForMouseEvents);
    d->imgTemp->setObjectName(QStringLiteral("imgTemp"));
    d->lbl->raise(); // the caption is shown over the picture
    d->Timer1->setObjectName(QStringLiteral("Timer1"));
    d->Timer1->setInterval(kHoverInterval);
    d->Timer2->setObjectName(QStringLiteral("Timer2"));
    d->Timer2->setInterval(kWatchInterval);
    connect(d->Timer2, &QTimer::timeout, this, &TorvelImageButton::Timer2_Timer);
    connect(d->Timer1, &QTimer::timeout, this, &TorvelImageButton::Timer1_Timer);
    connect(this, &QObject::objectNameChanged, this,
            [this] { AmbientChanged(QStringLiteral("DisplayName")); });
    setMouseTracking(true); // moves without a button pressed start the hover
    setAcceptDrops(true);

    d->m.Font = font();
    d->painter.surface().setBackColor(d->m.BackColor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TorvelImageButton::~TorvelImageButton() {
    endRule();
}

// ---- reading ----------------------------------------------------------------------------

const ControlSurface& TorvelImageButton::surface() const {
    return d->painter.surface();
}
QImage TorvelImageButton::imageList() const {
    return d->m.ImageList;
}
QImage TorvelImageButton::picture() const {
    return d->m.Picture;
}
QImage TorvelImageButton::pictureOVER() const {
    return d->m.PictureOVER;
}
QImage TorvelImageButton::pictureDOWN() const {
    return d->m.PictureDOWN;
}
QImage TorvelImageButton::pictureChecked() const {
    return d->m.PictureChecked;
}
QImage TorvelImageButton::pictureSelected() const {
    return d->m.PictureSelected;
}
bool TorvelImageButton::isButtonSelected() const {
    return d->m.ButtonSelected;
}
TorvelImageButton::eChecked TorvelImageButton::checkOption() const {
    return static_cast<eChecked>(d->m.CheckOption);
}
bool TorvelImageButton::value() const {
    return d->m.Value;
}
common::OleColor TorvelImageButton::foreColor() const {
    return d->m.ForeColor;
}
common::OleColor TorvelImageButton::backColor() const {
    return d->m.BackColor;
}
common::OleColor TorvelImageButton::alphaColor() const {
    return d->m.AlphaColor;
}
int TorvelImageButton::gap() const {
    return d->m.Gap;
}
int TorvelImageButton::captionOffsetX() const {
    return d->m.CaptionOffsetX;
}
int TorvelImageButton::captionOffsetY() const {
    return d->m.CaptionOffsetY;
}
int TorvelImageButton::pictureOffsetX() const {
    return d->m.PictureOffsetX;
}
int TorvelImageButton::pictureOffsetY() const {
    return d->m.PictureOffsetY;
}
int TorvelImageButton::alphaNormal() const {
    return d->m.AlphaNormal;
}
int TorvelImageButton::alphaUp() const {
    return d->m.AlphaUp;
}
int TorvelImageButton::alphaDown() const {
    return d->m.AlphaDown;
}
int TorvelImageButton::alphaDisable() const {
    return d->m.AlphaDisable;
}
int TorvelImageButton::imgOutLineSize() const {
    return d->m.ImgOutLineSize;
}
int TorvelImageButton::imgUpOutLineSize() const {
    return d->m.ImgUpOutLineSize;
}
int TorvelImageButton::imgDownOutLineSize() const {
    return d->m.ImgDownOutLineSize;
}
int TorvelImageButton::imgDisableOutLineSize() const {
    return d->m.ImgDisableOutLineSize;
}
int TorvelImageButton::imageListWidth() const {
    return d->m.ImageListWidth;
}
int TorvelImageButton::imageListHeight() const {
    return d->m.ImageListHeight;
}
int TorvelImageButton::mousePointer() const {
    return d->mousePointer;
}
TorvelImageButton::eBtnAlignment TorvelImageButton::pictureAlignment() const {
    return static_cast<eBtnAlignment>(d->m.PictureAlignment);
}
TorvelImageButton::eBtnAlignment TorvelImageButton::alignment() const {
    return static_cast<eBtnAlignment>(d->m.Alignment);
}
TorvelImageButton::eBtnAttribute TorvelImageButton::buttonAttrib() const {
    return static_cast<eBtnAttribute>(d->m.ButtonAttrib);
}
TorvelImageButton::eTransparent TorvelImageButton::buttonTransparent() const {
    return static_cast<eTransparent>(d->m.ButtonTransparent);
}
QString TorvelImageButton::caption() const {
    return d->m.Caption;
}
QString TorvelImageButton::captionChecked() const {
    return d->m.CaptionChecked;
}
QFont TorvelImageButton::buttonFont() const {
    return d->m.Font;
}
bool TorvelImageButton::isDefault() const {
    return d->m.Default;
}
bool TorvelImageButton::isCancel() const {
    return d->m.Cancel;
}
bool TorvelImageButton::isOwnerDraw() const {
    return d->m.OwnerDraw;
}
void TorvelImageButton::setButtonState(eBtnState state) {
    d->m.ButtonState = state;
}

void TorvelImageButton::notify(QLatin1StringView key) {
    emit propertyChanged(QString(key));
}

void TorvelImageButton::redrawIfPainted() {
    if (d->m.Painted) {
        Redraw();
    }
}

// ---- pictures ---------------------------------------------------------------------------

void TorvelImageButton::setImageList(const QImage& picture) {
    d->m.ImageList = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::ImageList);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setPicture(const QImage& picture) {
    d->m.Picture = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::Picture);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setPictureOVER(const QImage& picture) {
    d->m.PictureOVER = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::PictureOVER);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setPictureDOWN(const QImage& picture) {
    d->m.PictureDOWN = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::PictureDOWN);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setPictureChecked(const QImage& picture) {
    d->m.PictureChecked = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::PictureChecked);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setPictureSelected(const QImage& picture) {
    d->m.PictureSelected = picture;
    const QPointer<TorvelImageButton> self(this);
    notify(key::PictureSelected);
    if (self && d->m.ButtonSelected) {
        Redraw();
    }
}

// ---- state ------------------------------------------------------------------------------

void TorvelImageButton::setButtonSelected(bool selected) {
    if (selected == d->m.ButtonSelected) {
        return;
    }
    d->m.ButtonSelected = selected;
    redrawIfPainted();
}

void TorvelImageButton::setCheckOption(eChecked option) {
    d->m.CheckOption = option;
    notify(key::CheckOption);
}

void TorvelImageButton::setValue(bool value) {
    if (value == d->m.Value) {
        return;
    }
    d->m.Value = value;
    const QPointer<TorvelImageButton> self(this);
    notify(key::Value);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::CheckedDisable() {
    setValue(false);
}

// ---- colours ----------------------------------------------------------------------------

void TorvelImageButton::setForeColor(common::OleColor color) {
    d->m.ForeColor = color;
    const QPointer<TorvelImageButton> self(this);
    notify(key::ForeColor);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setBackColor(common::OleColor color) {
    d->m.BackColor = color;
    const QPointer<TorvelImageButton> self(this);
    notify(key::BackColor);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::setAlphaColor(common::OleColor color) {
    d->m.AlphaColor = color;
    const QPointer<TorvelImageButton> self(this);
    notify(key::AlphaColor);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

// ---- 16-bit numbers ---------------------------------------------------------------------

bool TorvelImageButton::setPlainInt16(qint16& member, int value, QLatin1StringView key) {
    if (!common::fitsInt16(value)) {
        return false;
    }
    member = static_cast<qint16>(value);
    const QPointer<TorvelImageButton> self(this);
    notify(key);
    if (self) {
        redrawIfPainted();
    }
    return true;
}

bool TorvelImageButton::setRangedInt16(qint16& member, int value, int low, int high,
                                       QLatin1StringView key) {
    if (!common::fitsInt16(value)) {
        return false;
    }
    // An equal value in range is no refusal: it is already what was asked for.
    const bool inRange = value >= low && value <= high;
    const bool accepted = inRange && value != member;
    if (accepted) {
        member = static_cast<qint16>(value);
    }
    // The notice is given for refused values too; hosts rely on it to mark the form.
    const QPointer<TorvelImageButton> self(this);
    notify(key);
    if (self && accepted) {
        redrawIfPainted();
    }
    return inRange;
}

bool TorvelImageButton::setGap(int gap) {
    return setPlainInt16(d->m.Gap, gap, key::Gap);
}

bool TorvelImageButton::setCaptionOffsetX(int offset) {
    return setPlainInt16(d->m.CaptionOffsetX, offset, key::CaptionOffsetX);
}

bool TorvelImageButton::setCaptionOffsetY(int offset) {
    return setPlainInt16(d->m.CaptionOffsetY, offset, key::CaptionOffsetY);
}

bool TorvelImageButton::setPictureOffsetX(int offset) {
    return setPlainInt16(d->m.PictureOffsetX, offset, key::PictureOffsetX);
}

bool TorvelImageButton::setPictureOffsetY(int offset) {
    return setPlainInt16(d->m.PictureOffsetY, offset, key::PictureOffsetY);
}

bool TorvelImageButton::setAlphaNormal(int alpha) {
    return setRangedInt16(d->m.AlphaNormal, alpha, 0, kMaxAlpha, key::AlphaNormal);
}

bool TorvelImageButton::setAlphaUp(int alpha) {
    return setRangedInt16(d->m.AlphaUp, alpha, 0, kMaxAlpha, key::AlphaUp);
}

bool TorvelImageButton::setAlphaDown(int alpha) {
    return setRangedInt16(d->m.AlphaDown, alpha, 0, kMaxAlpha, key::AlphaDown);
}

bool TorvelImageButton::setAlphaDisable(int alpha) {
    return setRangedInt16(d->m.AlphaDisable, alpha, 0, kMaxAlpha, key::AlphaDisable);
}

bool TorvelImageButton::setImgOutLineSize(int size) {
    return setRangedInt16(d->m.ImgOutLineSize, size, 0, kMaxOutLineSize, key::ImgOutLineSize);
}

bool TorvelImageButton::setImgUpOutLineSize(int size) {
    return setRangedInt16(d->m.ImgUpOutLineSize, size, 0, kMaxOutLineSize, key::ImgUpOutLineSize);
}

bool TorvelImageButton::setImgDownOutLineSize(int size) {
    return setRangedInt16(d->m.ImgDownOutLineSize, size, 0, kMaxOutLineSize,
                          key::ImgDownOutLineSize);
}

bool TorvelImageButton::setImgDisableOutLineSize(int size) {
    return setRangedInt16(d->m.ImgDisableOutLineSize, size, 0, kMaxOutLineSize,
                          key::ImgDisableOutLineSize);
}

bool TorvelImageButton::setImageListWidth(int width) {
    return setRangedInt16(d->m.ImageListWidth, width, 0, std::numeric_limits<qint16>::max(),
                          key::ImageListWidth);
}

bool TorvelImageButton::setImageListHeight(int height) {
    return setRangedInt16(d->m.ImageListHeight, height, 0, std::numeric_limits<qint16>::max(),
                          key::ImageListHeight);
}

bool TorvelImageButton::setMousePointer(int code) {
    if (!common::fitsInt16(code)) {
        return false;
    }
    if ((code < 0 || code > kLastStandardPointer) && code != kCustomPointer) {
        return false; // the window knows no such pointer
    }
    applyMousePointer(static_cast<qint16>(code));
    notify(key::MousePointer);
    return true;
}

void TorvelImageButton::applyMousePointer(qint16 code) {
    if (code < 0 || (code > kLastStandardPointer && code != kCustomPointer)) {
        return;
    }
    d->mousePointer = code;
    if (code == 0 || code == kCustomPointer) {
        unsetCursor();
    } else {
        setCursor(kPointerShapes[static_cast<std::size_t>(code)]);
    }
}

// ---- looks ------------------------------------------------------------------------------

void TorvelImageButton::setPictureAlignment(eBtnAlignment alignment) {
    d->m.PictureAlignment = alignment;
    const QPointer<TorvelImageButton> self(this);
    notify(key::PictureAlignment);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setAlignment(eBtnAlignment alignment) {
    d->m.Alignment = alignment;
    const QPointer<TorvelImageButton> self(this);
    notify(key::Alignment);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setButtonAttrib(eBtnAttribute attrib) {
    d->m.ButtonAttrib = attrib;
    const QPointer<TorvelImageButton> self(this);
    notify(key::ButtonAttrib);
    if (!self) {
        return;
    }
    if (attrib == btnImage || attrib == btnImage_In || attrib == btnImage_Only) {
        // The picture looks size the button to their picture: no see-through under them.
        setButtonTransparent(None_Transparent);
        if (!self) {
            return;
        }
        d->Timer2->stop();
    }
    redrawIfPainted();
}

void TorvelImageButton::setButtonTransparent(eTransparent transparent) {
    d->m.ButtonTransparent = transparent;
    const QPointer<TorvelImageButton> self(this);
    notify(key::ButtonTransparent);
    if (!self) {
        return;
    }
    if (transparent != None_Transparent) {
        CaptureBackground(true);
        if (!self) {
            return;
        }
    } else {
        d->Timer2->stop();
    }
    redrawIfPainted();
}

bool TorvelImageButton::isButtonEnabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

void TorvelImageButton::setButtonEnabled(bool enabled) {
    if (enabled) {
        d->m.ButtonState = bNormal;
        setLabelForeColor();
        d->lbl->setEnabled(true);
        d->imgTemp->setEnabled(true);
    } else {
        d->m.ButtonState = bDisable;
    }
    QWidget::setEnabled(enabled);
    const QPointer<TorvelImageButton> self(this);
    notify(key::Enabled);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setCaption(const QString& caption) {
    d->m.Caption = caption;
    const QPointer<TorvelImageButton> self(this);
    notify(key::Caption);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setCaptionChecked(const QString& caption) {
    d->m.CaptionChecked = caption;
    const QPointer<TorvelImageButton> self(this);
    notify(key::CaptionChecked);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setButtonFont(const QFont& font) {
    applyButtonFont(font);
    const QPointer<TorvelImageButton> self(this);
    notify(key::Font);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::applyButtonFont(const QFont& font) {
    d->m.Font = font;
    QWidget::setFont(font);
    d->lbl->setFont(font);
}

void TorvelImageButton::setDefault(bool isDefault) {
    d->m.Default = isDefault;
    const QPointer<TorvelImageButton> self(this);
    notify(key::Default);
    if (!self) {
        return;
    }
    redrawIfPainted();
}

void TorvelImageButton::setCancel(bool isCancel) {
    d->m.Cancel = isCancel;
    notify(key::Cancel);
}

void TorvelImageButton::setOwnerDraw(bool ownerDraw) {
    d->m.OwnerDraw = ownerDraw;
    const QPointer<TorvelImageButton> self(this);
    notify(key::OwnerDraw);
    if (!self) {
        return;
    }
    Redraw();
}

void TorvelImageButton::Refresh() {
    const QPointer<TorvelImageButton> self(this);
    CaptureBackground(true);
    if (!self) {
        return;
    }
    Redraw();
}

// ---- host side --------------------------------------------------------------------------

void TorvelImageButton::setLabelForeColor() {
    // Only the enabled look takes the colour: a disabled label keeps the platform's
    // disabled text. A colour that cannot be translated leaves the label as it was.
    if (!common::translateOleColor(d->m.ForeColor)) {
        return;
    }
    const QColor text = common::toQColor(d->m.ForeColor);
    QPalette palette = d->lbl->palette();
    if (palette.color(QPalette::Active, QPalette::WindowText) == text &&
        palette.color(QPalette::Inactive, QPalette::WindowText) == text) {
        return;
    }
    palette.setColor(QPalette::Active, QPalette::WindowText, text);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
    d->lbl->setPalette(palette);
}

QString TorvelImageButton::ambientDisplayName() const {
    return objectName();
}

QFont TorvelImageButton::ambientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

QSize TorvelImageButton::outerSizeTwips() const {
    return QSize(width() * kTwipsPerPixel, height() * kTwipsPerPixel);
}

void TorvelImageButton::setOuterSize(const QSize& pixels) {
    const QSize old = size();
    // Qt delivers the resize of a shown widget inside resize() and goes on working on the
    // widget afterwards. The resize handling raises events, and a handler may delete the
    // button, so it runs once resize() has returned.
    d->resizeHandlingDeferred = true;
    resize(pixels);
    d->resizeHandlingDeferred = false;
    if (size() == old) {
        return;
    }
    QResizeEvent event(size(), old);
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        // A hidden widget gets its resize event only when shown; the pipeline needs the
        // resize handling now, as a visible one gets it.
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QApplication::sendEvent(this, &event);
    } else {
        resizeEvent(&event);
    }
}

void TorvelImageButton::syncSurfaceSize() {
    d->painter.surface().resize(size());
}

void TorvelImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), d->painter.surface().image());
}

void TorvelImageButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (d->resizeHandlingDeferred) {
        return; // setOuterSize runs it
    }
    syncSurfaceSize();
    if (d->m.Painted) {
        const QPointer<TorvelImageButton> self(this);
        Redraw();
        if (!self) {
            return;
        }
    }
    d->m.ResizePending = true;
}

// Qt goes on working on the widget after it delivers a show or a resize of its own: a host
// that deletes the button from an event raised in these two passes must use deleteLater.
void TorvelImageButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Redraw();
}
