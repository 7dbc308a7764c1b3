#include "torvelimagebutton.h"

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
    , lbl(new QLabel(this))
    , imgTemp(new PictureHolder(this))
    , Timer1(new QTimer(this))
    , Timer2(new QTimer(this)) {
    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setTextFormat(Qt::PlainText);
    lbl->setAttribute(Qt::WA_TransparentForMouseEvents);
    imgTemp->setObjectName(QStringLiteral("imgTemp"));
    lbl->raise(); // the caption is shown over the picture
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kHoverInterval);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kWatchInterval);

    pc1.setPicture(builtinStrip());
    pc.setPicture(pc1.picture());
    m.Font = font();
    m_surface.setBackColor(m.BackColor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TorvelImageButton::~TorvelImageButton() = default;

void TorvelImageButton::notify(QLatin1StringView key) {
    emit propertyChanged(QString(key));
}

void TorvelImageButton::redrawIfPainted() {
    if (m.Painted) {
        Redraw();
    }
}

// ---- pictures ---------------------------------------------------------------------------

void TorvelImageButton::setImageList(const QImage& picture) {
    m.ImageList = picture;
    notify(key::ImageList);
    Redraw();
}

void TorvelImageButton::setPicture(const QImage& picture) {
    m.Picture = picture;
    notify(key::Picture);
    Redraw();
}

void TorvelImageButton::setPictureOVER(const QImage& picture) {
    m.PictureOVER = picture;
    notify(key::PictureOVER);
    Redraw();
}

void TorvelImageButton::setPictureDOWN(const QImage& picture) {
    m.PictureDOWN = picture;
    notify(key::PictureDOWN);
    Redraw();
}

void TorvelImageButton::setPictureChecked(const QImage& picture) {
    m.PictureChecked = picture;
    notify(key::PictureChecked);
    Redraw();
}

void TorvelImageButton::setPictureSelected(const QImage& picture) {
    m.PictureSelected = picture;
    notify(key::PictureSelected);
    if (m.ButtonSelected) {
        Redraw();
    }
}

// ---- state ------------------------------------------------------------------------------

void TorvelImageButton::setButtonSelected(bool selected) {
    if (selected == m.ButtonSelected) {
        return;
    }
    m.ButtonSelected = selected;
    redrawIfPainted();
}

void TorvelImageButton::setCheckOption(eChecked option) {
    m.CheckOption = option;
    notify(key::CheckOption);
}

void TorvelImageButton::setValue(bool value) {
    if (value == m.Value) {
        return;
    }
    m.Value = value;
    notify(key::Value);
    Redraw();
}

void TorvelImageButton::CheckedDisable() {
    setValue(false);
}

// ---- colours ----------------------------------------------------------------------------

void TorvelImageButton::setForeColor(common::OleColor color) {
    m.ForeColor = color;
    notify(key::ForeColor);
    Redraw();
}

void TorvelImageButton::setBackColor(common::OleColor color) {
    m.BackColor = color;
    notify(key::BackColor);
    Redraw();
}

void TorvelImageButton::setAlphaColor(common::OleColor color) {
    m.AlphaColor = color;
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
    return true;
}

bool TorvelImageButton::setGap(int gap) {
    return setPlainInt16(m.Gap, gap, key::Gap);
}

bool TorvelImageButton::setCaptionOffsetX(int offset) {
    return setPlainInt16(m.CaptionOffsetX, offset, key::CaptionOffsetX);
}

bool TorvelImageButton::setCaptionOffsetY(int offset) {
    return setPlainInt16(m.CaptionOffsetY, offset, key::CaptionOffsetY);
}

bool TorvelImageButton::setPictureOffsetX(int offset) {
    return setPlainInt16(m.PictureOffsetX, offset, key::PictureOffsetX);
}

bool TorvelImageButton::setPictureOffsetY(int offset) {
    return setPlainInt16(m.PictureOffsetY, offset, key::PictureOffsetY);
}

bool TorvelImageButton::setAlphaNormal(int alpha) {
    return setRangedInt16(m.AlphaNormal, alpha, 0, kMaxAlpha, key::AlphaNormal);
}

bool TorvelImageButton::setAlphaUp(int alpha) {
    return setRangedInt16(m.AlphaUp, alpha, 0, kMaxAlpha, key::AlphaUp);
}

bool TorvelImageButton::setAlphaDown(int alpha) {
    return setRangedInt16(m.AlphaDown, alpha, 0, kMaxAlpha, key::AlphaDown);
}

bool TorvelImageButton::setAlphaDisable(int alpha) {
    return setRangedInt16(m.AlphaDisable, alpha, 0, kMaxAlpha, key::AlphaDisable);
}

bool TorvelImageButton::setImgOutLineSize(int size) {
    return setRangedInt16(m.ImgOutLineSize, size, 0, kMaxOutLineSize, key::ImgOutLineSize);
}

bool TorvelImageButton::setImgUpOutLineSize(int size) {
    return setRangedInt16(m.ImgUpOutLineSize, size, 0, kMaxOutLineSize, key::ImgUpOutLineSize);
}

bool TorvelImageButton::setImgDownOutLineSize(int size) {
    return setRangedInt16(m.ImgDownOutLineSize, size, 0, kMaxOutLineSize, key::ImgDownOutLineSize);
}

bool TorvelImageButton::setImgDisableOutLineSize(int size) {
    return setRangedInt16(m.ImgDisableOutLineSize, size, 0, kMaxOutLineSize,
                          key::ImgDisableOutLineSize);
}

bool TorvelImageButton::setImageListWidth(int width) {
    return setRangedInt16(m.ImageListWidth, width, 0, std::numeric_limits<qint16>::max(),
                          key::ImageListWidth);
}

bool TorvelImageButton::setImageListHeight(int height) {
    return setRangedInt16(m.ImageListHeight, height, 0, std::numeric_limits<qint16>::max(),
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
    m_mousePointer = code;
    if (code == 0 || code == kCustomPointer) {
        unsetCursor();
    } else {
        setCursor(kPointerShapes[static_cast<std::size_t>(code)]);
    }
}

// ---- looks ------------------------------------------------------------------------------

void TorvelImageButton::setPictureAlignment(eBtnAlignment alignment) {
    m.PictureAlignment = alignment;
    notify(key::PictureAlignment);
    redrawIfPainted();
}

void TorvelImageButton::setAlignment(eBtnAlignment alignment) {
    m.Alignment = alignment;
    notify(key::Alignment);
    redrawIfPainted();
}

void TorvelImageButton::setButtonAttrib(eBtnAttribute attrib) {
    m.ButtonAttrib = attrib;
    notify(key::ButtonAttrib);
    if (attrib == btnImage || attrib == btnImage_In || attrib == btnImage_Only) {
        // The picture looks size the button to their picture: no see-through under them.
        setButtonTransparent(None_Transparent);
        Timer2->stop();
    }
    redrawIfPainted();
}

void TorvelImageButton::setButtonTransparent(eTransparent transparent) {
    m.ButtonTransparent = transparent;
    notify(key::ButtonTransparent);
    if (transparent != None_Transparent) {
        CaptureBackground(true);
    } else {
        Timer2->stop();
    }
    redrawIfPainted();
}

void TorvelImageButton::CaptureBackground(bool /*recheck*/) {
    // Taking a snapshot of the parent under the button belongs to see-through mode, which
    // this build does not have yet: the button keeps its own background.
}

bool TorvelImageButton::isButtonEnabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

void TorvelImageButton::setButtonEnabled(bool enabled) {
    if (enabled) {
        m.ButtonState = bNormal;
        setLabelForeColor();
        lbl->setEnabled(true);
        imgTemp->setEnabled(true);
    } else {
        m.ButtonState = bDisable;
    }
    QWidget::setEnabled(enabled);
    notify(key::Enabled);
    redrawIfPainted();
}

void TorvelImageButton::setCaption(const QString& caption) {
    m.Caption = caption;
    notify(key::Caption);
    redrawIfPainted();
}

void TorvelImageButton::setCaptionChecked(const QString& caption) {
    m.CaptionChecked = caption;
    notify(key::CaptionChecked);
    redrawIfPainted();
}

void TorvelImageButton::setButtonFont(const QFont& font) {
    applyButtonFont(font);
    notify(key::Font);
    redrawIfPainted();
}

void TorvelImageButton::applyButtonFont(const QFont& font) {
    m.Font = font;
    QWidget::setFont(font);
    lbl->setFont(font);
}

void TorvelImageButton::setDefault(bool isDefault) {
    m.Default = isDefault;
    notify(key::Default);
    redrawIfPainted();
}

void TorvelImageButton::setCancel(bool isCancel) {
    m.Cancel = isCancel;
    notify(key::Cancel);
}

void TorvelImageButton::setOwnerDraw(bool ownerDraw) {
    m.OwnerDraw = ownerDraw;
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
    if (!common::translateOleColor(m.ForeColor)) {
        return;
    }
    const QColor text = common::toQColor(m.ForeColor);
    QPalette palette = lbl->palette();
    if (palette.color(QPalette::Active, QPalette::WindowText) == text &&
        palette.color(QPalette::Inactive, QPalette::WindowText) == text) {
        return;
    }
    palette.setColor(QPalette::Active, QPalette::WindowText, text);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
    lbl->setPalette(palette);
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
    m_surface.resize(size());
}

void TorvelImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_surface.image());
}

void TorvelImageButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    syncSurfaceSize();
    if (m.Painted) {
        Redraw();
    }
    m.ResizePending = true;
}

void TorvelImageButton::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Redraw();
}
