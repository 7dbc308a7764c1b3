#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>

namespace remote::controls {

// The mark shown while the detector scans: a hand sweeping round a small dial. It animates
// only while shown; showing and hiding it is the blink the window drives.
class ScanMark : public QWidget {
    Q_OBJECT

public:
    explicit ScanMark(QWidget* parent = nullptr);

    int phase() const { return m_phase; }
    QSize sizeHint() const override { return {kSide, kSide}; }

    // Draws the dial into rect with the sweep at phase (0 to kPhases - 1; other values wrap).
    // Parts outside the image are clipped.
    static void drawMark(QImage& image, const QRect& rect, int phase);

    static constexpr int kSide = 22;  // pixels
    static constexpr int kPhases = 8; // positions of the sweep
    // Milliseconds between two positions: the window's own tick, so the sweep mostly wakes
    // the program when the tick does anyway.
    static constexpr int kStepMs = 100;
    static constexpr QRgb kDialColor = 0xFF103010;
    static constexpr QRgb kSweepColor = 0xFF40FF40;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_step;
    int m_phase = 0;
    // Each position as last drawn, and the background it was drawn on.
    std::array<QImage, kPhases> m_faces;
    QColor m_facesBackground;
};

} // namespace remote::controls
