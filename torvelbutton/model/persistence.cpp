// The three host procedures of an instance: new, load and save.
#include "common/numeric.h"
#include "common/propertybag.h"
#include "torvelimagebutton_p.h"

#include "torvelbutton/render/pictureholder.h"

#include <QLabel>
#include <QPixmap>
#include <QPointer>
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
    // Both setters give change notices; a handler may delete the button.
    const QPointer<TorvelImageButton> self(this);
    setButtonEnabled(true);
    if (!self) {
        return;
    }
    d->m.ButtonState = bNormal;
    d->m.Caption = ambientDisplayName();
    d->m.CaptionChecked = ambientDisplayName();
    d->lbl->setText(ambientDisplayName());
    applyMousePointer(0);
    setButtonFont(ambientFont());
    if (!self) {
        return;
    }

    d->m.PictureAlignment = btnLeft;
    d->m.Alignment = btnAuto;
    d->m.ButtonAttrib = btnNormal;
    d->m.ButtonTransparent = None_Transparent;
    d->m.Gap = kNewGap;
    d->m.PictureOffsetX = kNewPictureOffset;
    d->m.PictureOffsetY = kNewPictureOffset;
    d->m.CaptionOffsetX = 0;
    d->m.CaptionOffsetY = 0;
    d->m.CheckOption = Not_Used;
    d->m.ForeColor = kButtonTextColor;
    d->m.BackColor = kButtonFaceColor;
    d->painter.surface().setBackColor(kButtonFaceColor);

    d->m.Value = false;
    d->m.Default = false;
    d->m.Cancel = false;
    d->m.OwnerDraw = false;
    d->m.AutoReDraw = false;
    d->m.CaptionCheckedUSE = false;
    d->m.AlphaNormal = kNewAlphaNormal;
    d->m.AlphaUp = kMaxAlpha;
    d->m.AlphaDown = kMaxAlpha;
    d->m.AlphaDisable = kMaxAlpha;
    d->m.AlphaColor = kButtonFaceColor;
    d->m.ImgOutLineSize = kNewOutLineSize;
    d->m.ImgUpOutLineSize = kNewOutLineSize;
    d->m.ImgDownOutLineSize = kNewOutLineSize;
    d->m.ImgDisableOutLineSize = kNewOutLineSize;
    d->m.ImageListWidth = kBuiltinCellWidth;
    d->m.ImageListHeight = kBuiltinCellHeight;
    d->m.ParentEnabled = 0;
    d->m.Painted = false;
}

void TorvelImageButton::readProperties(const common::PropertyBag& bag) {
    // No range checks here: a stored value is taken as it is, as long as it fits the
    // member's width.
    Reader r(bag);
    // Enabled and Font go through their setters, which give change notices; a handler may
    // delete the button.
    const QPointer<TorvelImageButton> self(this);
    if (const auto enabled = r.value(key::Enabled, true, toBoolean)) {
        setButtonEnabled(*enabled);
        if (!self) {
            return;
        }
    }
    const QString name = ambientDisplayName();
    r.read(key::Caption, name, d->m.Caption, toText);
    r.read(key::CaptionChecked, name, d->m.CaptionChecked, toText);
    if (const auto font = r.value(key::Font, ambientFont(), toFont)) {
        setButtonFont(*font);
        if (!self) {
            return;
        }
    }
    if (const auto pointer = r.value(key::MousePointer, int16(0), toInt16)) {
        applyMousePointer(*pointer);
    }
    r.read(key::Picture, QVariant(), d->m.Picture, common::imageFromVariant);
    r.read(key::PictureOVER, QVariant(), d->m.PictureOVER, common::imageFromVariant);
    r.read(key::PictureDOWN, QVariant(), d->m.PictureDOWN, common::imageFromVariant);
    r.read(key::PictureChecked, QVariant(), d->m.PictureChecked, common::imageFromVariant);
    r.read(key::PictureSelected, QVariant(), d->m.PictureSelected, common::imageFromVariant);
    r.read(key::ImageList, QVariant(), d->m.ImageList, common::imageFromVariant);
    r.read(key::TransparentPicture, QVariant(), d->m.TransparentPicture, common::imageFromVariant);
    r.read(key::Gap, int16(kNewGap), d->m.Gap, toInt16);
    r.read(key::PictureOffsetX, int16(kNewPictureOffset), d->m.PictureOffsetX, toInt16);
    r.read(key::PictureOffsetY, int16(kNewPictureOffset), d->m.PictureOffsetY, toInt16);
    r.read(key::CaptionOffsetX, int16(0), d->m.CaptionOffsetX, toInt16);
    r.read(key::CaptionOffsetY, int16(0), d->m.CaptionOffsetY, toInt16);
    r.read(key::PictureAlignment, int32(btnLeft), d->m.PictureAlignment, toInt32);
    r.read(key::Alignment, int32(btnAuto), d->m.Alignment, toInt32);
    r.read(key::ButtonAttrib, int32(btnNormal), d->m.ButtonAttrib, toInt32);
    r.read(key::ButtonTransparent, int32(None_Transparent), d->m.ButtonTransparent, toInt32);
    r.read(key::Value, false, d->m.Value, toBoolean);
    r.read(key::Default, false, d->m.Default, toBoolean);
    r.read(key::Cancel, false, d->m.Cancel, toBoolean);
    r.read(key::OwnerDraw, false, d->m.OwnerDraw, toBoolean);
    r.read(key::AutoReDraw, false, d->m.AutoReDraw, toBoolean);
    r.read(key::CaptionCheckedUSE, false, d->m.CaptionCheckedUSE, toBoolean);
    r.read(key::CheckOption, int32(Not_Used), d->m.CheckOption, toInt32);
    r.read(key::ForeColor, color(kButtonTextColor), d->m.ForeColor, toColor);
    r.read(key::BackColor, color(kButtonFaceColor), d->m.BackColor, toColor);
    r.read(key::AlphaNormal, int16(kNewAlphaNormal), d->m.AlphaNormal, toInt16);
    r.read(key::AlphaUp, int16(kMaxAlpha), d->m.AlphaUp, toInt16);
    r.read(key::AlphaDown, int16(kMaxAlpha), d->m.AlphaDown, toInt16);
    r.read(key::AlphaDisable, int16(kMaxAlpha), d->m.AlphaDisable, toInt16);
    r.read(key::AlphaColor, color(kButtonFaceColor), d->m.AlphaColor, toColor);
    r.read(key::ImgOutLineSize, int16(kStoredOutLineSize), d->m.ImgOutLineSize, toInt16);
    r.read(key::ImgUpOutLineSize, int16(kNewOutLineSize), d->m.ImgUpOutLineSize, toInt16);
    r.read(key::ImgDownOutLineSize, int16(kNewOutLineSize), d->m.ImgDownOutLineSize, toInt16);
    r.read(key::ImgDisableOutLineSize, int16(kNewOutLineSize), d->m.ImgDisableOutLineSize, toInt16);
    r.read(key::ImageListWidth, int16(kBuiltinCellWidth), d->m.ImageListWidth, toInt16);
    r.read(key::ImageListHeight, int16(kBuiltinCellHeight), d->m.ImageListHeight, toInt16);

    d->m.CurrentOutLineSize = ButtonPainter::outLineSizeFor(d->m, d->m.ButtonState);
    d->m.ParentEnabled = parentWidget() && parentWidget()->isEnabled() ? 1 : 0;
    if (d->m.ButtonTransparent != None_Transparent) {
        if (!d->Timer2->isActive()) {
            d->Timer2->start();
        }
    } else {
        d->Timer2->stop();
    }
}

void TorvelImageButton::writeProperties(common::PropertyBag& bag) const {
    auto write = [&bag](QLatin1StringView key, const QVariant& value,
                        const QVariant& defaultValue) {
        bag.writeProperty(QString(key), value, defaultValue);
    };
    const QString name = ambientDisplayName();
    write(key::Enabled, isButtonEnabled(), true);
    write(key::Caption, d->m.Caption, name);
    write(key::CaptionChecked, d->m.CaptionChecked, name);
    write(key::Font, d->m.Font, ambientFont());
    write(key::MousePointer, int16(d->mousePointer), int16(0));
    write(key::Picture, pictureValue(d->m.Picture), QVariant());
    write(key::PictureOVER, pictureValue(d->m.PictureOVER), QVariant());
    write(key::PictureDOWN, pictureValue(d->m.PictureDOWN), QVariant());
    write(key::PictureChecked, pictureValue(d->m.PictureChecked), QVariant());
    write(key::PictureSelected, pictureValue(d->m.PictureSelected), QVariant());
    write(key::ImageList, pictureValue(d->m.ImageList), QVariant());
    write(key::TransparentPicture, pictureValue(d->m.TransparentPicture), QVariant());
    write(key::Value, d->m.Value, false);
    write(key::Gap, int16(d->m.Gap), int16(kNewGap));
    write(key::PictureOffsetX, int16(d->m.PictureOffsetX), int16(kNewPictureOffset));
    write(key::PictureOffsetY, int16(d->m.PictureOffsetY), int16(kNewPictureOffset));
    write(key::CaptionOffsetX, int16(d->m.CaptionOffsetX), int16(0));
    write(key::CaptionOffsetY, int16(d->m.CaptionOffsetY), int16(0));
    write(key::PictureAlignment, int32(d->m.PictureAlignment), int32(btnLeft));
    write(key::Alignment, int32(d->m.Alignment), int32(btnAuto));
    write(key::ButtonAttrib, int32(d->m.ButtonAttrib), int32(btnNormal));
    write(key::ButtonTransparent, int32(d->m.ButtonTransparent), int32(None_Transparent));
    write(key::CheckOption, int32(d->m.CheckOption), int32(Not_Used));
    write(key::Default, d->m.Default, false);
    write(key::Cancel, d->m.Cancel, false);
    write(key::OwnerDraw, d->m.OwnerDraw, false);
    write(key::AutoReDraw, d->m.AutoReDraw, false);
    write(key::CaptionCheckedUSE, d->m.CaptionCheckedUSE, false);
    write(key::ForeColor, color(d->m.ForeColor), color(kButtonTextColor));
    write(key::BackColor, color(d->m.BackColor), color(kButtonFaceColor));
    write(key::AlphaNormal, int16(d->m.AlphaNormal), int16(kNewAlphaNormal));
    write(key::AlphaUp, int16(d->m.AlphaUp), int16(kMaxAlpha));
    write(key::AlphaDown, int16(d->m.AlphaDown), int16(kMaxAlpha));
    write(key::AlphaDisable, int16(d->m.AlphaDisable), int16(kMaxAlpha));
    write(key::AlphaColor, color(d->m.AlphaColor), color(kButtonFaceColor));
    write(key::ImgOutLineSize, int16(d->m.ImgOutLineSize), int16(kStoredOutLineSize));
    write(key::ImgUpOutLineSize, int16(d->m.ImgUpOutLineSize), int16(kNewOutLineSize));
    write(key::ImgDownOutLineSize, int16(d->m.ImgDownOutLineSize), int16(kNewOutLineSize));
    write(key::ImgDisableOutLineSize, int16(d->m.ImgDisableOutLineSize), int16(kNewOutLineSize));
    write(key::ImageListWidth, int16(d->m.ImageListWidth), int16(kBuiltinCellWidth));
    write(key::ImageListHeight, int16(d->m.ImageListHeight), int16(kBuiltinCellHeight));
}
