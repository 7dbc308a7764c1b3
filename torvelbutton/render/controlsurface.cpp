#include "controlsurface.h"

#include "common/olecolor.h"
#include "common/raster.h"

namespace torvelbutton {

ControlSurface::ControlSurface()
    : m_backColor(common::toQColor(kButtonFaceColor).rgb())
    , m_foreColor(qRgb(0, 0, 0)) {}

void ControlSurface::resize(const QSize& size) {
    if (size == m_image.size()) {
        return;
    }
    QImage next(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    if (next.isNull()) {
        m_image = QImage();
        return;
    }
    next.fill(m_backColor);
    if (!m_image.isNull()) {
        common::drawPicture(next, QPoint(0, 0), m_image);
    }
    m_image = std::move(next);
}

bool ControlSurface::setBackColor(common::OleColor color) {
    const auto plain = common::translateOleColor(color);
    if (!plain) {
        return false;
    }
    m_backColor = qRgb(common::redOf(*plain), common::greenOf(*plain), common::blueOf(*plain));
    return true;
}

bool ControlSurface::setForeColor(common::OleColor color) {
    const auto plain = common::translateOleColor(color);
    if (!plain) {
        return false;
    }
    m_foreColor = qRgb(common::redOf(*plain), common::greenOf(*plain), common::blueOf(*plain));
    return true;
}

void ControlSurface::cls() {
    m_image.fill(m_backColor);
    if (!m_picture.isNull()) {
        common::drawPicture(m_image, QPoint(0, 0), m_picture);
    }
}

void ControlSurface::line(QPoint from, QPoint to) {
    common::drawLineWithoutEnd(m_image, from.x(), from.y(), to.x(), to.y(), m_foreColor);
}

void ControlSurface::paintPicture(const QImage& picture, const QRect& dst, const QRect& src) {
    common::drawPicture(m_image, dst, picture, src);
}

void ControlSurface::paintPicture(const QImage& picture, QPoint pos) {
    common::drawPicture(m_image, pos, picture);
}

} // namespace torvelbutton
