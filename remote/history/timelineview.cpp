#include "remote/history/timelineview.h"

#include "remote/history/alarmrecord.h"

#include "common/raster.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace remote::history {

TimelineView::TimelineView(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setMinimumHeight(9 * 8 + fontMetrics().height());
}

void TimelineView::setState(timeline::State state, std::vector<int> utcOffsets) {
    m_state = std::move(state);
    m_offsets = std::move(utcOffsets);
    update();
}

QString TimelineView::markText(std::size_t index) const {
    if (index >= m_state.marks.size()) {
        return {};
    }
    const auto& m = m_state.marks[index];
    if (m.channel < 0 || m.channel >= kChannelCount) {
        return {}; // not drawn, so never hovered
    }
    const int offset = index < m_offsets.size() ? m_offsets[index] : 0;
    return QStringLiteral("%1  %2").arg(
        QString::fromStdString(isoLocalTime(m.utcMs, offset)),
        QString::fromLatin1(
            link::protocol::AlarmChannelLabels[static_cast<std::size_t>(m.channel)]));
}

QRect TimelineView::plotRect() const {
    // Channel names on the left, the range's ends under the rows.
    const QFontMetrics metrics(font());
    int gutter = 0;
    for (const char* label : link::protocol::AlarmChannelLabels) {
        gutter = std::max(gutter, metrics.horizontalAdvance(QString::fromLatin1(label)));
    }
    return QRect(gutter + 8, 0, std::max(0, width() - gutter - 8),
                 std::max(0, height() - metrics.height() - 2));
}

void TimelineView::paintEvent(QPaintEvent*) {
    const QRect plot = plotRect();
    QImage image(plot.size(), common::kSurfaceFormat);
    timeline::paint(image, m_state);
    QPainter painter(this);
    painter.drawImage(plot.topLeft(), image);
    const int rh = timeline::rowHeight(plot.height());
    if (rh <= 0) {
        return;
    }
    for (int row = 0; row < timeline::kRows; ++row) {
        painter.drawText(
            QRect(0, row * rh, plot.left() - 4, rh), Qt::AlignRight | Qt::AlignVCenter,
            QString::fromLatin1(link::protocol::AlarmChannelLabels[static_cast<std::size_t>(row)]));
    }
    const auto when = [](std::int64_t ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    const QRect axis(plot.left(), plot.bottom() + 2, plot.width(), height() - plot.bottom() - 2);
    painter.drawText(axis, Qt::AlignLeft | Qt::AlignTop, when(m_state.fromMs));
    painter.drawText(axis, Qt::AlignRight | Qt::AlignTop, when(m_state.toMs));
}

void TimelineView::mouseMoveEvent(QMouseEvent* event) {
    const QRect plot = plotRect();
    const auto hit =
        timeline::hitTest(m_state, plot.size(), event->position().toPoint() - plot.topLeft());
    if (hit != m_state.hovered) {
        m_state.hovered = hit;
        update();
    }
    if (hit) {
        QToolTip::showText(event->globalPosition().toPoint(), markText(*hit), this);
    } else {
        QToolTip::hideText();
    }
}

void TimelineView::leaveEvent(QEvent*) {
    if (m_state.hovered) {
        m_state.hovered.reset();
        update();
    }
}

} // namespace remote::history
