#pragma once

#include "remote/history/timeline.h"

#include <QWidget>

#include <vector>

namespace remote::history {

// The self-drawn timeline above the table; shows the alarm's time under the cursor.
class TimelineView : public QWidget {
    Q_OBJECT

public:
    explicit TimelineView(QWidget* parent = nullptr);
    // The marks to draw with each mark's UTC offset (for its local time in the hover text;
    // a mark without one is shown in UTC).
    void setState(timeline::State state, std::vector<int> utcOffsets = {});
    const timeline::State& state() const { return m_state; }
    QSize sizeHint() const override { return {600, 9 * 14 + 2 * fontMetrics().height()}; }
    // Where the rows are drawn; channel names to the left, the range's ends below.
    QRect plotRect() const;
    // The text the hover shows for a mark.
    QString markText(std::size_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    timeline::State m_state;
    std::vector<int> m_offsets; // UTC offset of each mark, for its local time
};

} // namespace remote::history
