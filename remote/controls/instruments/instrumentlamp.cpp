#include "instrumentlamp.h"

#include "common/raster.h"

#include <QMouseEvent>
#include <QPainter>

namespace remote::controls {

InstrumentLamp::InstrumentLamp(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
    // The face covers every pixel, so nothing behind the lamp has to be painted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void InstrumentLamp::setValue(bool lit) {
    if (lit == m_value) {
        return;
    }
    m_value = lit;
    repaintIfChanged();
    emit valueChanged(lit);
}

void InstrumentLamp::setOnColor(const QColor& colour) {
    if (colour == m_onColor) {
        return;
    }
    m_onColor = colour;
    repaintIfChanged();
}

// A traffic lamp is often turned off and on again within one tick of the poll cycle. What
// it should show is known only when the handler that changed it has returned, and a paint
// is due only if that differs from the face on screen.
void InstrumentLamp::repaintIfChanged() {
    if (m_checkQueued) {
        return;
    }
    m_checkQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkQueued = false;
            if (m_value != m_shownValue || m_onColor != m_shownColor) {
                update();
            }
        },
        Qt::QueuedConnection);
}

QColor InstrumentLamp::darkOf(const QColor& onColor) {
    return QColor(onColor.red() / 4, onColor.green() / 4, onColor.blue() / 4);
}

void InstrumentLamp::drawLamp(QImage& image, const QRect& rect, bool lit, const QColor& onColor) {
    const QColor face = lit ? onColor : darkOf(onColor);
    common::fillRect(image, rect, face.rgb());
    common::frameRect(image, rect, kFrameColor);
}

void InstrumentLamp::paintEvent(QPaintEvent*) {
    m_shownValue = m_value;
    m_shownColor = m_onColor;
    // Both faces are kept, drawn again only when the colours or the size change.
    const QColor background = palette().color(backgroundRole());
    if (m_faces[0].size() != size() || m_facesColor != m_onColor ||
        m_facesBackground != background) {
        for (const bool lit : {false, true}) {
            QImage& face = m_faces[lit ? 1 : 0];
            face = QImage(size(), QImage::Format_RGB32);
            face.fill(background);
            drawLamp(face, face.rect(), lit, m_onColor);
        }
        m_facesColor = m_onColor;
        m_facesBackground = background;
    }
    QPainter(this).drawImage(0, 0, m_faces[m_value ? 1 : 0]);
}

void InstrumentLamp::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

} // namespace remote::controls
