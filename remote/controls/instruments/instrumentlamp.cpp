#include "instrumentlamp.h"

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
    const QRect r = rect.intersected(image.rect());
    if (r.isEmpty()) {
        return;
    }
    const QColor face = lit ? onColor : darkOf(onColor);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const bool edge =
                x == rect.left() || x == rect.right() || y == rect.top() || y == rect.bottom();
            image.setPixel(x, y, edge ? kFrameColor : face.rgb());
        }
    }
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
