#pragma once

#include <QFrame>

#include <vector>


namespace remote::startup {

// The detector's display: a sunken panel whose lines span its width. It places them itself:
// a line inside a layout would make each new text (several a second) lay out the whole
// window again, while a line here only repaints.
class DisplayScreen : public QFrame {
public:
    DisplayScreen(int lineWidth, int lineHeight, QWidget* parent);

    // Places line, a child of this screen, below the lines before it.
    void addLine(QWidget* line);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeLines();

    static constexpr int kMargin = 4;  // pixels inside the frame
    static constexpr int kSpacing = 2; // pixels between two lines
    int m_lineWidth;
    int m_lineHeight;
    std::vector<QWidget*> m_lines;
};

} // namespace remote::startup
