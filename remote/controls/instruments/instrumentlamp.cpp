#include "instrumentlamp.h"

#include "common/raster.h"

#include <QMouseEvent>
#include <QPainter>

InstrumentLamp::InstrumentLamp(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
}

void InstrumentLamp::setValue(bool lit) {
    if (lit == m_value) {
        return;
    }
    m_value = lit;
    update();
    emit valueChanged(lit);
}

void InstrumentLamp::setOnColor(const QColor& colour) {
    if (colour == m_onColor) {
        return;
    }
    m_onColor = colour;
    update();
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
    QImage image(size(), QImage::Format_RGB32);
    image.fill(palette().color(backgroundRole()));
    drawLamp(image, image.rect(), m_value, m_onColor);
    QPainter(this).drawImage(0, 0, image);
}

void InstrumentLamp::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}
