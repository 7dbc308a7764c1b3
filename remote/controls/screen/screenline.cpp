#include "screenline.h"

#include "common/glyphcells.h"
#include "common/raster.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace remote::controls {

namespace {

// What cell i of a line shows: past the end of its text, a blank.
QChar cellChar(QStringView text, qsizetype i) {
    return i < text.size() ? text[i] : QChar(u' ');
}

// The cells from the first to the last whose character differs, as [first, end); empty when
// the texts show alike.
std::pair<qsizetype, qsizetype> changedCells(QStringView shown, QStringView text) {
    qsizetype first = -1;
    qsizetype end = 0;
    for (qsizetype i = 0; i < std::max(shown.size(), text.size()); ++i) {
        if (cellChar(shown, i) != cellChar(text, i)) {
            first = first < 0 ? i : first;
            end = i + 1;
        }
    }
    return {std::max<qsizetype>(first, 0), end};
}

} // namespace

ScreenLine::ScreenLine(std::shared_ptr<const common::GlyphCells> glyphs, QWidget* parent)
    : QWidget(parent)
    , m_glyphs(std::move(glyphs)) {
    setFont(m_glyphs->font());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ScreenLine::~ScreenLine() = default;

void ScreenLine::setText(const QString& text) {
    if (text == m_text) {
        return;
    }
    const auto [first, end] = changedCells(m_text, text);
    m_text = text;
    if (first < end) {
        const int cw = m_glyphs->cellWidth();
        // Past the right edge nothing shows; the cells' band is all that can change.
        const qsizetype visibleEnd = std::min<qsizetype>(end, width() / cw + 1);
        if (first < visibleEnd) {
            update(static_cast<int>(first) * cw, (height() - m_glyphs->cellHeight()) / 2,
                   static_cast<int>(visibleEnd - first) * cw, m_glyphs->cellHeight());
        }
    }
}

QSize ScreenLine::sizeHint() const {
    return {static_cast<int>(std::min<qsizetype>(m_text.size(), 4096)) * m_glyphs->cellWidth(),
            m_glyphs->cellHeight()};
}

QSize ScreenLine::minimumSizeHint() const {
    return {0, m_glyphs->cellHeight()};
}

void ScreenLine::setScreenColour(const QColor& colour) {
    if (colour != m_screenColour) {
        m_screenColour = colour;
        update();
    }
}

void ScreenLine::drawLine(QImage& image, const common::GlyphCells& glyphs, QStringView text,
                          bool highlighted, const Look& look) {
    common::fillRect(image, image.rect(), highlighted ? look.highlight : look.screen);
    glyphs.drawText(image, QPoint(0, (image.height() - glyphs.cellHeight()) / 2), text, look.ink);
}

void ScreenLine::redrawCells(QImage& image, const common::GlyphCells& glyphs, QStringView shown,
                             QStringView text, bool highlighted, const Look& look) {
    const int cw = glyphs.cellWidth();
    const int top = (image.height() - glyphs.cellHeight()) / 2;
    // Cells past the image's right edge are never seen.
    const qsizetype inView = image.width() / cw + 1;
    const qsizetype cells = std::min(std::max(shown.size(), text.size()), inView);
    for (qsizetype i = 0; i < cells; ++i) {
        const QChar after = cellChar(text, i);
        if (cellChar(shown, i) == after) {
            continue;
        }
        const QPoint at(static_cast<int>(i) * cw, top);
        common::fillRect(image, QRect(at, QSize(cw, glyphs.cellHeight())),
                         highlighted ? look.highlight : look.screen);
        glyphs.drawText(image, at, QStringView(&after, 1), look.ink);
    }
}

void ScreenLine::paintEvent(QPaintEvent* event) {
    const Look look{m_screenColour.rgb(), palette().color(QPalette::Window).rgb(),
                    palette().color(QPalette::WindowText).rgb()};
    const bool highlighted = autoFillBackground();
    if (m_face.size() != size() || m_faceHighlighted != highlighted ||
        m_faceLook.screen != look.screen || m_faceLook.highlight != look.highlight ||
        m_faceLook.ink != look.ink) {
        if (m_face.size() != size()) {
            m_face = QImage(size(), common::kSurfaceFormat);
        }
        drawLine(m_face, *m_glyphs, text(), highlighted, look);
        m_faceText = text();
        m_faceHighlighted = highlighted;
        m_faceLook = look;
    } else if (m_faceText != text()) {
        // Most new texts change a few characters of the line (a level, a frequency).
        redrawCells(m_face, *m_glyphs, m_faceText, text(), highlighted, look);
        m_faceText = text();
    }
    QPainter(this).drawImage(event->rect(), m_face, event->rect());
}

} // namespace remote::controls
