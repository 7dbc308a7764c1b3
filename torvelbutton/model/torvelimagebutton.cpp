#include "torvelimagebutton_p.h"

#include "torvelbutton/render/pictureholder.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <array>
#include <limits>

using namespace torvelbutton;

namespace {

bool fitsInt16(int v) {
    return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
}

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

const TorvelImageButton::Members& TorvelImageButton::members() const {
    return d->m;
}
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
    notify(key::ImageList);
    Redraw();
}

void TorvelImageButton::setPicture(const QImage& picture) {
    d->m.Picture = picture;
    notify(key::Picture);
    Redraw();
}

void TorvelImageButton::setPictureOVER(const QImage& picture) {
    d->m.PictureOVER = picture;
    notify(key::PictureOVER);
    Redraw();
}

void TorvelImageButton::setPictureDOWN(const QImage& picture) {
    d->m.PictureDOWN = picture;
    notify(key::PictureDOWN);
    Redraw();
}

void TorvelImageButton::setPictureChecked(const QImage& picture) {
    d->m.PictureChecked = picture;
    notify(key::PictureChecked);
    Redraw();
}

void TorvelImageButton::setPictureSelected(const QImage& picture) {
    d->m.PictureSelected = picture;
    notify(key::PictureSelected);
    if (d->m.ButtonSelected) {
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
    notify(key::Value);
    Redraw();
}

void TorvelImageButton::CheckedDisable() {
    setValue(false);
}

// ---- colours ----------------------------------------------------------------------------

void TorvelImageButton::setForeColor(common::OleColor color) {
    d->m.ForeColor = color;
    notify(key::ForeColor);
    Redraw();
}

void TorvelImageButton::setBackColor(common::OleColor color) {
    d->m.BackColor = color;
    notify(key::BackColor);
    Redraw();
}

void TorvelImageButton::setAlphaColor(common::OleColor color) {
    d->m.AlphaColor = color;
    notify(key::AlphaColor);
    redrawIfPainted();
}

// ---- 16-bit numbers ---------------------------------------------------------------------

bool TorvelImageButton::setPlainInt16(qint16& member, int value, QLatin1StringView key) {
    if (!fitsInt16(value)) {
        return false;
    }
    member = static_cast<qint16>(value);
    notify(key);
    redrawIfPainted();
    return true;
}

bool TorvelImageButton::setRangedInt16(qint16& member, int value, int low, int high,
                                       QLatin1StringView key) {
    if (!fitsInt16(value)) {
        return false;
    }
    const bool accepted = value >= low && value <= high && value != member;
    if (accepted) {
        member = static_cast<qint16>(value);
    }
    // The notice is given for refused values too; hosts rely on it to mark the form.
    notify(key);
    if (accepted) {
        redrawIfPainted();
    }
    // An equal value in range is no refusal: it is already what was asked for.
    return value >= low && value <= high;
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
    if (!fitsInt16(code)) {
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
    notify(key::PictureAlignment);
    redrawIfPainted();
}

void TorvelImageButton::setAlignment(eBtnAlignment alignment) {
    d->m.Alignment = alignment;
    notify(key::Alignment);
    redrawIfPainted();
}

void TorvelImageButton::setButtonAttrib(eBtnAttribute attrib) {
    d->m.ButtonAttrib = attrib;
    notify(key::ButtonAttrib);
    if (attrib == btnImage || attrib == btnImage_In || attrib == btnImage_Only) {
        // The picture looks size the button to their picture: no see-through under them.
        setButtonTransparent(None_Transparent);
        d->Timer2->stop();
    }
    redrawIfPainted();
}

void TorvelImageButton::setButtonTransparent(eTransparent transparent) {
    d->m.ButtonTransparent = transparent;
    notify(key::ButtonTransparent);
    if (transparent != None_Transparent) {
        CaptureBackground(true);
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
    notify(key::Enabled);
    redrawIfPainted();
}

void TorvelImageButton::setCaption(const QString& caption) {
    d->m.Caption = caption;
    notify(key::Caption);
    redrawIfPainted();
}

void TorvelImageButton::setCaptionChecked(const QString& caption) {
    d->m.CaptionChecked = caption;
    notify(key::CaptionChecked);
    redrawIfPainted();
}

void TorvelImageButton::setButtonFont(const QFont& font) {
    applyButtonFont(font);
    notify(key::Font);
    redrawIfPainted();
}

void TorvelImageButton::applyButtonFont(const QFont& font) {
    d->m.Font = font;
    QWidget::setFont(font);
    d->lbl->setFont(font);
}

void TorvelImageButton::setDefault(bool isDefault) {
    d->m.Default = isDefault;
    notify(key::Default);
    redrawIfPainted();
}

void TorvelImageButton::setCancel(bool isCancel) {
    d->m.Cancel = isCancel;
    notify(key::Cancel);
}

void TorvelImageButton::setOwnerDraw(bool ownerDraw) {
    d->m.OwnerDraw = ownerDraw;
    notify(key::OwnerDraw);
    Redraw();
}

void TorvelImageButton::Refresh() {
    CaptureBackground(true);
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
    resize(pixels);
    if (size() != old && testAttribute(Qt::WA_PendingResizeEvent)) {
        // A hidden widget gets its resize event only when shown; the pipeline needs the
        // resize handling now, as a visible one gets it.
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent event(size(), old);
        QApplication::sendEvent(this, &event);
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
    syncSurfaceSize();
    if (d->m.Painted) {
        Redraw();
    }
    d->m.ResizePending = true;
}

void TorvelImageButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Redraw();
}
