#include "scanmark.h"

#include <QPainter>

#include <cmath>
#include <numbers>

ScanMark::ScanMark(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
    m_step.setInterval(kStepMs);
    connect(&m_step, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % kPhases;
        update();
    });
}

void ScanMark::drawMark(QImage& image, const QRect& rect, int phase) {
    if (image.isNull() || rect.width() < 3 || rect.height() < 3) {
        return;
    }
    QPainter painter(&image);
    painter.setClipRect(rect.intersected(image.rect()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(kDialColor));
    painter.drawEllipse(rect.adjusted(0, 0, -1, -1));
    const int wrapped = ((phase % kPhases) + kPhases) % kPhases;
    const double angle = 2.0 * std::numbers::pi * wrapped / kPhases;
    const QPointF centre = QRectF(rect).center();
    const double radius = std::min(rect.width(), rect.height()) / 2.0 - 1.0;
    painter.setPen(QPen(QColor::fromRgb(kSweepColor), 2));
    painter.drawLine(centre, centre + QPointF(radius * std::sin(angle), -radius * std::cos(angle)));
}

void ScanMark::paintEvent(QPaintEvent*) {
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    drawMark(image, image.rect(), m_phase);
    QPainter(this).drawImage(0, 0, image);
}

void ScanMark::showEvent(QShowEvent*) {
    m_step.start();
}

void ScanMark::hideEvent(QHideEvent*) {
    m_step.stop();
}
