// The three host procedures of an instance: new, load and save.
#include "common/numeric.h"
#include "common/propertybag.h"
#include "torvelimagebutton.h"

#include "torvelbutton/render/pictureholder.h"

#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <cmath>
#include <limits>
#include <optional>

using namespace torvelbutton;

namespace {

// Converting a stored value to the member's width. A value that does not fit, or of a kind
// that cannot stand for the member, gives nullopt and the member keeps what it held.

bool isIntegral(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

bool isFloating(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

// A whole number: integral values as they are (true counts -1), floating values to the
// nearest with halves to even.
std::optional<qint64> wholeNumber(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool() ? -1 : 0;
    }
    if (v.typeId() == QMetaType::ULongLong) {
        const qulonglong u = v.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            return std::nullopt;
        }
        return static_cast<qint64>(u);
    }
    if (isIntegral(v)) {
        return v.toLongLong();
    }
    if (isFloating(v)) {
        const double d = common::roundHalfEven(v.toDouble());
        if (!std::isfinite(d) || std::fabs(d) > 9.0e18) {
            return std::nullopt;
        }
        return static_cast<qint64>(d);
    }
    return std::nullopt;
}

std::optional<qint16> toInt16(const QVariant& v) {
    const auto n = wholeNumber(v);
    if (!n || *n < std::numeric_limits<qint16>::min() || *n > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(*n);
}

std::optional<qint32> toInt32(const QVariant& v) {
    const auto n = wholeNumber(v);
    if (!n || *n < std::numeric_limits<qint32>::min() || *n > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(*n);
}

// Colours are 32-bit patterns: stored signed (system colours are negative then) or not.
std::optional<common::OleColor> toColor(const QVariant& v) {
    const auto n = wholeNumber(v);
    if (!n || *n < std::numeric_limits<qint32>::min() || *n > std::numeric_limits<quint32>::max()) {
        return std::nullopt;
    }
    return static_cast<common::OleColor>(static_cast<quint32>(*n));
}

std::optional<bool> toBoolean(const QVariant& v) {
    const auto n = wholeNumber(v);
    if (!n) {
        return std::nullopt;
    }
    return *n != 0;
}

std::optional<QString> toText(const QVariant& v) {
    if (v.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return v.toString();
}

std::optional<QFont> toFont(const QVariant& v) {
    if (v.typeId() != QMetaType::QFont) {
        return std::nullopt;
    }
    return v.value<QFont>();
}

QVariant int16(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}
QVariant int32(int v) {
    return QVariant::fromValue(static_cast<qint32>(v));
}
QVariant color(common::OleColor v) {
    return QVariant::fromValue(static_cast<quint32>(v));
}
QVariant pictureValue(const QImage& v) {
    return v.isNull() ? QVariant() : QVariant(v);
}

class Reader {
public:
    explicit Reader(const common::PropertyBag& bag)
        : bag(bag) {}

    template <typename T, typename Convert>
    void read(QLatin1StringView key, const QVariant& defaultValue, T& member, Convert convert) {
        if (auto v = convert(bag.readProperty(QString(key), defaultValue))) {
            member = static_cast<T>(*v);
        }
    }

    template <typename Convert>
    auto value(QLatin1StringView key, const QVariant& defaultValue, Convert convert) {
        return convert(bag.readProperty(QString(key), defaultValue));
    }

private:
    const common::PropertyBag& bag;
};

} // namespace

void TorvelImageButton::initProperties() {
    setButtonEnabled(true);
    m.ButtonState = bNormal;
    m.Caption = ambientDisplayName();
    m.CaptionChecked = ambientDisplayName();
    lbl->setText(ambientDisplayName());
    applyMousePointer(0);
    setButtonFont(ambientFont());

    m.PictureAlignment = btnLeft;
    m.Alignment = btnAuto;
    m.ButtonAttrib = btnNormal;
    m.ButtonTransparent = None_Transparent;
    m.Gap = kNewGap;
    m.PictureOffsetX = kNewPictureOffset;
    m.PictureOffsetY = kNewPictureOffset;
    m.CaptionOffsetX = 0;
    m.CaptionOffsetY = 0;
    m.CheckOption = Not_Used;
    m.ForeColor = kButtonTextColor;
    m.BackColor = kButtonFaceColor;
    m_surface.setBackColor(kButtonFaceColor);

    m.Value = false;
    m.Default = false;
    m.Cancel = false;
    m.OwnerDraw = false;
    m.AutoReDraw = false;
    m.CaptionCheckedUSE = false;
    m.AlphaNormal = kNewAlphaNormal;
    m.AlphaUp = kMaxAlpha;
    m.AlphaDown = kMaxAlpha;
    m.AlphaDisable = kMaxAlpha;
    m.AlphaColor = kButtonFaceColor;
    m.ImgOutLineSize = kNewOutLineSize;
    m.ImgUpOutLineSize = kNewOutLineSize;
    m.ImgDownOutLineSize = kNewOutLineSize;
    m.ImgDisableOutLineSize = kNewOutLineSize;
    m.ImageListWidth = kBuiltinCellWidth;
    m.ImageListHeight = kBuiltinCellHeight;
    m.ParentEnabled = 0;
    m.Painted = false;
}

void TorvelImageButton::readProperties(const common::PropertyBag& bag) {
    // No range checks here: a stored value is taken as it is, as long as it fits the
    // member's width.
    Reader r(bag);
    if (const auto enabled = r.value(key::Enabled, true, toBoolean)) {
        setButtonEnabled(*enabled);
    }
    const QString name = ambientDisplayName();
    r.read(key::Caption, name, m.Caption, toText);
    r.read(key::CaptionChecked, name, m.CaptionChecked, toText);
    if (const auto font = r.value(key::Font, ambientFont(), toFont)) {
        setButtonFont(*font);
    }
    if (const auto pointer = r.value(key::MousePointer, int16(0), toInt16)) {
        applyMousePointer(*pointer);
    }
    r.read(key::Picture, QVariant(), m.Picture, common::imageFromVariant);
    r.read(key::PictureOVER, QVariant(), m.PictureOVER, common::imageFromVariant);
    r.read(key::PictureDOWN, QVariant(), m.PictureDOWN, common::imageFromVariant);
    r.read(key::PictureChecked, QVariant(), m.PictureChecked, common::imageFromVariant);
    r.read(key::PictureSelected, QVariant(), m.PictureSelected, common::imageFromVariant);
    r.read(key::ImageList, QVariant(), m.ImageList, common::imageFromVariant);
    r.read(key::TransparentPicture, QVariant(), m.TransparentPicture, common::imageFromVariant);
    r.read(key::Gap, int16(kNewGap), m.Gap, toInt16);
    r.read(key::PictureOffsetX, int16(kNewPictureOffset), m.PictureOffsetX, toInt16);
    r.read(key::PictureOffsetY, int16(kNewPictureOffset), m.PictureOffsetY, toInt16);
    r.read(key::CaptionOffsetX, int16(0), m.CaptionOffsetX, toInt16);
    r.read(key::CaptionOffsetY, int16(0), m.CaptionOffsetY, toInt16);
    r.read(key::PictureAlignment, int32(btnLeft), m.PictureAlignment, toInt32);
    r.read(key::Alignment, int32(btnAuto), m.Alignment, toInt32);
    r.read(key::ButtonAttrib, int32(btnNormal), m.ButtonAttrib, toInt32);
    r.read(key::ButtonTransparent, int32(None_Transparent), m.ButtonTransparent, toInt32);
    r.read(key::Value, false, m.Value, toBoolean);
    r.read(key::Default, false, m.Default, toBoolean);
    r.read(key::Cancel, false, m.Cancel, toBoolean);
    r.read(key::OwnerDraw, false, m.OwnerDraw, toBoolean);
    r.read(key::AutoReDraw, false, m.AutoReDraw, toBoolean);
    r.read(key::CaptionCheckedUSE, false, m.CaptionCheckedUSE, toBoolean);
    r.read(key::CheckOption, int32(Not_Used), m.CheckOption, toInt32);
    r.read(key::ForeColor, color(kButtonTextColor), m.ForeColor, toColor);
    r.read(key::BackColor, color(kButtonFaceColor), m.BackColor, toColor);
    r.read(key::AlphaNormal, int16(kNewAlphaNormal), m.AlphaNormal, toInt16);
    r.read(key::AlphaUp, int16(kMaxAlpha), m.AlphaUp, toInt16);
    r.read(key::AlphaDown, int16(kMaxAlpha), m.AlphaDown, toInt16);
    r.read(key::AlphaDisable, int16(kMaxAlpha), m.AlphaDisable, toInt16);
    r.read(key::AlphaColor, color(kButtonFaceColor), m.AlphaColor, toColor);
    r.read(key::ImgOutLineSize, int16(kStoredOutLineSize), m.ImgOutLineSize, toInt16);
    r.read(key::ImgUpOutLineSize, int16(kNewOutLineSize), m.ImgUpOutLineSize, toInt16);
    r.read(key::ImgDownOutLineSize, int16(kNewOutLineSize), m.ImgDownOutLineSize, toInt16);
    r.read(key::ImgDisableOutLineSize, int16(kNewOutLineSize), m.ImgDisableOutLineSize, toInt16);
    r.read(key::ImageListWidth, int16(kBuiltinCellWidth), m.ImageListWidth, toInt16);
    r.read(key::ImageListHeight, int16(kBuiltinCellHeight), m.ImageListHeight, toInt16);

    m.CurrentOutLineSize = outLineSizeFor(m.ButtonState);
    m.ParentEnabled = parentWidget() && parentWidget()->isEnabled() ? 1 : 0;
    if (m.ButtonTransparent != None_Transparent) {
        if (!Timer2->isActive()) {
            Timer2->start();
        }
    } else {
        Timer2->stop();
    }
}

void TorvelImageButton::writeProperties(common::PropertyBag& bag) const {
    auto write = [&bag](QLatin1StringView key, const QVariant& value,
                        const QVariant& defaultValue) {
        bag.writeProperty(QString(key), value, defaultValue);
    };
    const QString name = ambientDisplayName();
    write(key::Enabled, isButtonEnabled(), true);
    write(key::Caption, m.Caption, name);
    write(key::CaptionChecked, m.CaptionChecked, name);
    write(key::Font, m.Font, ambientFont());
    write(key::MousePointer, int16(m_mousePointer), int16(0));
    write(key::Picture, pictureValue(m.Picture), QVariant());
    write(key::PictureOVER, pictureValue(m.PictureOVER), QVariant());
    write(key::PictureDOWN, pictureValue(m.PictureDOWN), QVariant());
    write(key::PictureChecked, pictureValue(m.PictureChecked), QVariant());
    write(key::PictureSelected, pictureValue(m.PictureSelected), QVariant());
    write(key::ImageList, pictureValue(m.ImageList), QVariant());
    write(key::TransparentPicture, pictureValue(m.TransparentPicture), QVariant());
    write(key::Value, m.Value, false);
    write(key::Gap, int16(m.Gap), int16(kNewGap));
    write(key::PictureOffsetX, int16(m.PictureOffsetX), int16(kNewPictureOffset));
    write(key::PictureOffsetY, int16(m.PictureOffsetY), int16(kNewPictureOffset));
    write(key::CaptionOffsetX, int16(m.CaptionOffsetX), int16(0));
    write(key::CaptionOffsetY, int16(m.CaptionOffsetY), int16(0));
    write(key::PictureAlignment, int32(m.PictureAlignment), int32(btnLeft));
    write(key::Alignment, int32(m.Alignment), int32(btnAuto));
    write(key::ButtonAttrib, int32(m.ButtonAttrib), int32(btnNormal));
    write(key::ButtonTransparent, int32(m.ButtonTransparent), int32(None_Transparent));
    write(key::CheckOption, int32(m.CheckOption), int32(Not_Used));
    write(key::Default, m.Default, false);
    write(key::Cancel, m.Cancel, false);
    write(key::OwnerDraw, m.OwnerDraw, false);
    write(key::AutoReDraw, m.AutoReDraw, false);
    write(key::CaptionCheckedUSE, m.CaptionCheckedUSE, false);
    write(key::ForeColor, color(m.ForeColor), color(kButtonTextColor));
    write(key::BackColor, color(m.BackColor), color(kButtonFaceColor));
    write(key::AlphaNormal, int16(m.AlphaNormal), int16(kNewAlphaNormal));
    write(key::AlphaUp, int16(m.AlphaUp), int16(kMaxAlpha));
    write(key::AlphaDown, int16(m.AlphaDown), int16(kMaxAlpha));
    write(key::AlphaDisable, int16(m.AlphaDisable), int16(kMaxAlpha));
    write(key::AlphaColor, color(m.AlphaColor), color(kButtonFaceColor));
    write(key::ImgOutLineSize, int16(m.ImgOutLineSize), int16(kStoredOutLineSize));
    write(key::ImgUpOutLineSize, int16(m.ImgUpOutLineSize), int16(kNewOutLineSize));
    write(key::ImgDownOutLineSize, int16(m.ImgDownOutLineSize), int16(kNewOutLineSize));
    write(key::ImgDisableOutLineSize, int16(m.ImgDisableOutLineSize), int16(kNewOutLineSize));
    write(key::ImageListWidth, int16(m.ImageListWidth), int16(kBuiltinCellWidth));
    write(key::ImageListHeight, int16(m.ImageListHeight), int16(kBuiltinCellHeight));
}
