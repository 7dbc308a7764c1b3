#include "scanmark.h"

#include "common/raster.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace remote::controls {

ScanMark::ScanMark(QWidget* parent)
    : QWidget(parent) {
    setFixedSize(kSide, kSide);
    // The dial covers every pixel, so nothing behind the mark is painted with each step.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_step.setInterval(kStepMs);
    connect(&m_step, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % kPhases;
        update();
    });
}

void ScanMark::drawMark(QImage& image, const QRect& rect, int phase) {
    if (rect.width() < 3 || rect.height() < 3 || !common::prepareSurface(image)) {
        return;
    }
    common::fillRect(image, rect, kDialColor);
    common::frameRect(image, rect, kSweepColor);
    // The sweep turns round the centre in kPhases steps, from twelve o'clock clockwise.
    const int wrapped = ((phase % kPhases) + kPhases) % kPhases;
    const double angle = 2.0 * std::numbers::pi * wrapped / kPhases;
    const int cx = rect.left() + rect.width() / 2;
    const int cy = rect.top() + rect.height() / 2;
    const int radius = std::min(rect.width(), rect.height()) / 2 - 1;
    const int ex = cx + static_cast<int>(std::lround(radius * std::sin(angle)));
    const int ey = cy - static_cast<int>(std::lround(radius * std::cos(angle)));
    common::drawLineWithoutEnd(image, cx, cy, ex, ey, kSweepColor);
    common::setPixel(image, cx, cy, kSweepColor);
}

void ScanMark::paintEvent(QPaintEvent*) {
    const QColor background = palette().color(backgroundRole());
    if (background != m_facesBackground) {
        m_faces = {};
        m_facesBackground = background;
    }
    QImage& face = m_faces[static_cast<std::size_t>(m_phase)];
    if (face.size() != size()) {
        face = QImage(size(), common::kSurfaceFormat);
        face.fill(background);
        drawMark(face, face.rect(), m_phase);
    }
    QPainter(this).drawImage(0, 0, face);
}

void ScanMark::showEvent(QShowEvent*) {
    m_step.start();
}

void ScanMark::hideEvent(QHideEvent*) {
    m_step.stop();
}

} // namespace remote::controls
