#include "xp_progressbar.h"

#include "progressbar_constants.h"
#include "progressbar_drawing.h"

#include "common/numeric.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

namespace remote::controls {

using namespace progressbar;

namespace {

constexpr QSize kDefaultSize(100, 20); // pixels

std::optional<int> toInt32(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()) {
            return static_cast<int>(n);
        }
        return std::nullopt;
    }
    case QMetaType::ULongLong: {
        const qulonglong n = v.toULongLong();
        if (n <= qulonglong(std::numeric_limits<int>::max())) {
            return static_cast<int>(n);
        }
        return std::nullopt;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return common::roundToInt32(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    default:
        return std::nullopt;
    }
}

std::optional<bool> toBoolean(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    const std::optional<int> n = toInt32(v);
    if (!n) {
        return std::nullopt;
    }
    return *n != 0;
}

std::optional<common::OleColor> toOleColor(const QVariant& v) {
    if (v.typeId() == QMetaType::QColor) {
        return common::fromQColor(v.value<QColor>());
    }
    if (v.typeId() == QMetaType::ULongLong) {
        const qulonglong n = v.toULongLong();
        if (n > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<common::OleColor>(n);
    }
    if (v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::LongLong) {
        const qlonglong n = v.toLongLong();
        // A negative 32-bit number is the same colour as its unsigned bit pattern.
        if (n < std::numeric_limits<std::int32_t>::min() ||
            n > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
        return static_cast<common::OleColor>(static_cast<std::uint32_t>(n));
    }
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float ||
        v.typeId() == QMetaType::Bool) {
        return std::nullopt;
    }
    const std::optional<int> n = toInt32(v);
    if (!n) {
        return std::nullopt;
    }
    return static_cast<common::OleColor>(static_cast<std::uint32_t>(*n));
}

} // namespace

XP_ProgressBar::XP_ProgressBar(QWidget* parent)
    : QWidget(parent) {
    m_state.Font = defaultLabelFont();
    // Every pixel comes from the back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kDefaultSize);
    ensureSurface();
    m_state.Max = kDefaultMax;
    m_state.Min = kDefaultMin;
    m_state.percent = 0;
    m_state.Orientation = 0;
    m_state.Scrolling = 0;
    m_state.Color = TranslateColor(kDefaultColor).value_or(0);
    DrawProgressBar();
}

QSize XP_ProgressBar::sizeHint() const {
    return kDefaultSize;
}

void XP_ProgressBar::notify(const char* key) {
    emit propertyChanged(QString::fromLatin1(key));
}

void XP_ProgressBar::setMax(int max) {
    m_state.Max = max;
    notify(kKeyMax);
}

void XP_ProgressBar::setMin(int min) {
    m_state.Min = min;
    notify(kKeyMin);
}

int XP_ProgressBar::value(bool* ok) const {
    const double divisor = m_state.Min > 0 ? m_state.Min : 1;
    const std::optional<int> v =
        common::roundToInt32(m_state.percent / kPercentScale * m_state.Max / divisor);
    if (ok) {
        *ok = v.has_value();
    }
    return v.value_or(0);
}

bool XP_ProgressBar::setValue(int v) {
    // Checked before anything is stored, so a refused write leaves Min and Max as well.
    const std::int64_t scaled = std::int64_t{v} * 100;
    if (scaled < std::numeric_limits<std::int32_t>::min() ||
        scaled > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    const int min = std::max(m_state.Min, 1);
    const int max = std::max(m_state.Max, 1);
    const std::optional<int> percent =
        common::roundToInt32(static_cast<double>(scaled) / max + min);
    if (!percent) {
        return false;
    }
    m_state.Min = min;
    m_state.Max = max;
    m_state.percent = *percent;
    DrawProgressBar();
    return true;
}

bool XP_ProgressBar::setColor(OleColor color) {
    const std::optional<OleColor> plain = TranslateColor(color);
    if (!plain) {
        return false;
    }
    m_state.Color = *plain;
    DrawProgressBar();
    return true;
}

void XP_ProgressBar::setScrolling(int style) {
    m_state.Scrolling = style;
    notify(kKeyScrolling);
    DrawProgressBar();
}

void XP_ProgressBar::setOrientation(int orientation) {
    m_state.Orientation = orientation;
    notify(kKeyOrientation);
    DrawProgressBar();
}

void XP_ProgressBar::setShowText(bool show) {
    m_state.ShowText = show;
    notify(kKeyShowText);
    DrawProgressBar();
}

bool XP_ProgressBar::setBrushStyle(int style) {
    if (style < 0 || style >= kHatchStyleCount) {
        return false;
    }
    m_state.BrushStyle = style;
    notify(kKeyBrushStyle);
    return true;
}

void XP_ProgressBar::setImage(const QImage& image) {
    m_state.Image = image;
    notify(kKeyImage);
    DrawProgressBar();
}

void XP_ProgressBar::setLabelFont(const QFont& font) {
    m_state.Font = font;
}

bool XP_ProgressBar::readProperties(const common::PropertyBag& bag, QString* error) {
    QStringList refused;
    const auto read = [&bag](const char* key, const QVariant& defaultValue) {
        return bag.readProperty(QString::fromLatin1(key), defaultValue);
    };
    const auto refuse = [&refused](const char* key, const QString& why) {
        refused.append(QStringLiteral("%1: %2").arg(QString::fromLatin1(key), why));
    };
    const auto readInt = [&](const char* key, int defaultValue, auto&& apply) {
        const std::optional<int> v = toInt32(read(key, defaultValue));
        if (!v) {
            refuse(key, QStringLiteral("not a 32-bit whole number"));
        } else {
            apply(*v);
        }
    };

    readInt(kKeyBrushStyle, kStoredDefaultBrushStyle, [&](int v) {
        if (v < 0 || v >= kHatchStyleCount) {
            refuse(kKeyBrushStyle, QStringLiteral("hatch style %1 is not 0 to 5").arg(v));
        } else {
            m_state.BrushStyle = v;
        }
    });

    const std::optional<OleColor> color = toOleColor(read(kKeyColor, kDefaultColor));
    if (!color) {
        refuse(kKeyColor, QStringLiteral("not a colour"));
    } else if (!setColor(*color)) {
        refuse(kKeyColor,
               QStringLiteral("colour 0x%1 cannot be drawn").arg(*color, 8, 16, QLatin1Char('0')));
    }

    const std::optional<QImage> picture = common::imageFromVariant(read(kKeyImage, QVariant()));
    if (!picture) {
        refuse(kKeyImage, QStringLiteral("not a picture"));
    } else {
        m_state.Image = *picture;
    }

    readInt(kKeyMax, kDefaultMax, [this](int v) { setMax(v); });
    readInt(kKeyMin, kDefaultMin, [this](int v) { setMin(v); });
    readInt(kKeyOrientation, 0, [this](int v) { setOrientation(v); });
    readInt(kKeyScrolling, 0, [this](int v) { setScrolling(v); });

    const std::optional<bool> show = toBoolean(read(kKeyShowText, false));
    if (!show) {
        refuse(kKeyShowText, QStringLiteral("not a boolean"));
    } else {
        setShowText(*show);
    }

    readInt(kKeyValue, 0, [&](int v) {
        if (!setValue(v)) {
            refuse(kKeyValue, QStringLiteral("%1 overflows the value arithmetic").arg(v));
        }
    });

    if (error) {
        *error = refused.join(QStringLiteral("; "));
    }
    return refused.isEmpty();
}

void XP_ProgressBar::writeProperties(common::PropertyBag& bag) const {
    const auto key = [](const char* k) { return QString::fromLatin1(k); };
    bag.writeProperty(key(kKeyFont), QVariant::fromValue(m_state.Font));
    bag.writeProperty(key(kKeyBrushStyle), m_state.BrushStyle, kStoredDefaultBrushStyle);
    bag.writeProperty(key(kKeyColor), QVariant::fromValue<uint>(m_state.Color),
                      QVariant::fromValue<uint>(kDefaultColor));
    bag.writeProperty(key(kKeyImage), QVariant::fromValue(m_state.Image), QVariant());
    bag.writeProperty(key(kKeyMax), m_state.Max, kDefaultMax);
    bag.writeProperty(key(kKeyMin), m_state.Min, kDefaultMin);
    bag.writeProperty(key(kKeyOrientation), m_state.Orientation, 0);
    bag.writeProperty(key(kKeyScrolling), m_state.Scrolling, 0);
    bag.writeProperty(key(kKeyShowText), m_state.ShowText, false);
    // The percent itself, not the value read back through Min and Max.
    bag.writeProperty(key(kKeyValue), m_state.percent, 0);
}

void XP_ProgressBar::DrawProgressBar() {
    renderFrame();
    update();
}

void XP_ProgressBar::renderFrame() {
    // Resize events of a hidden widget arrive late; the size may have changed already.
    ensureSurface();
    ProgressBarPainter painter(m_buffer, m_state, width(), height());
    painter.DrawProgressBar();
}

bool XP_ProgressBar::DrawLine(int x1, int y1, int x2, int y2, QImage& hDC, OleColor colour) {
    const std::optional<OleColor> plain = TranslateColor(colour);
    if (!plain) {
        return false;
    }
    remote::controls::progressbar::DrawLine(x1, y1, x2, y2, hDC, *plain);
    return true;
}

bool XP_ProgressBar::DrawGradient(OleColor& colour1, OleColor& colour2, int x, int y, int a, int b,
                                  QImage& hDC, bool vertical) {
    const std::optional<OleColor> plain1 = TranslateColor(colour1);
    const std::optional<OleColor> plain2 = TranslateColor(colour2);
    if (!plain1 || !plain2) {
        return false;
    }
    colour1 = *plain1;
    colour2 = *plain2;
    remote::controls::progressbar::DrawGradient(colour1, colour2, x, y, a, b, hDC, vertical);
    return true;
}

void XP_ProgressBar::pDraw(QImage& hDC, int xSrc, int ySrc, int width, int height, int xDst,
                           int yDst) const {
    if (m_buffer.isNull() || hDC.isNull()) {
        return;
    }
    const int w = width < 1 ? m_buffer.width() : width;
    const int h = height < 1 ? m_buffer.height() : height;
    QPainter painter(&hDC);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(xDst, yDst), m_buffer, QRect(xSrc, ySrc, w, h));
}

void XP_ProgressBar::paintEvent(QPaintEvent*) {
    renderFrame();
    QPainter painter(this);
    if (!m_buffered) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), m_buffer, QRect(0, 0, width(), height()));
}

void XP_ProgressBar::resizeEvent(QResizeEvent*) {
    // Only the buffer follows here; the paint that comes next draws.
    ensureSurface();
}

void XP_ProgressBar::ensureSurface() {
    EnsureBuffer(width(), height());
    m_buffered = !m_buffer.isNull();
}

void XP_ProgressBar::EnsureBuffer(int width, int height) {
    if (m_buffer.isNull()) {
        if (width > 0 && height > 0) {
            CreateBuffer(width, height);
        }
        return;
    }
    if (m_buffer.width() < width || m_buffer.height() < height) {
        // Never narrower or lower than before: a bar that changes shape keeps its buffer
        // once each side has been as large.
        CreateBuffer(std::max(width, m_buffer.width()), std::max(height, m_buffer.height()));
    }
}

void XP_ProgressBar::CreateBuffer(int width, int height) {
    FreeBuffer();
    m_buffer = QImage(width, height, kSurfaceFormat);
    // A failed allocation leaves a null image: no buffer, nothing drawn off-screen.
    if (!m_buffer.isNull()) {
        m_buffer.fill(Qt::white);
    }
}

void XP_ProgressBar::FreeBuffer() {
    m_buffer = QImage();
}

} // namespace remote::controls
