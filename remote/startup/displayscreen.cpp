#include "displayscreen.h"

#include <algorithm>

namespace remote::startup {

DisplayScreen::DisplayScreen(int lineWidth, int lineHeight, QWidget* parent)
    : QFrame(parent)
    , m_lineWidth(lineWidth)
    , m_lineHeight(lineHeight) {}

void DisplayScreen::addLine(QWidget* line) {
    m_lines.push_back(line);
    updateGeometry();
    placeLines();
}

QSize DisplayScreen::sizeHint() const {
    return minimumSizeHint();
}

QSize DisplayScreen::minimumSizeHint() const {
    const int count = static_cast<int>(m_lines.size());
    const int chrome = 2 * (frameWidth() + kMargin);
    return {m_lineWidth + chrome,
            count * m_lineHeight + std::max(0, count - 1) * kSpacing + chrome};
}

void DisplayScreen::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placeLines();
}

void DisplayScreen::placeLines() {
    const QRect area = contentsRect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    int top = area.top();
    for (QWidget* line : m_lines) {
        // A line of fixed size takes a new text without asking its parent to lay out again.
        line->setFixedSize(area.width(), m_lineHeight);
        line->move(area.left(), top);
        top += m_lineHeight + kSpacing;
    }
}

} // namespace remote::startup
