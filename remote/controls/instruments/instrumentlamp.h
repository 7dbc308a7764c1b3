#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <array>

namespace remote::controls {

// A square indicator light: lit (Value true) or dark. The station's traffic lamps "TXD" and
// "RXD" are two of these.
class InstrumentLamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QColor OnColor READ onColor WRITE setOnColor)

public:
    explicit InstrumentLamp(QWidget* parent = nullptr);

    bool value() const { return m_value; }
    void setValue(bool lit);

    QColor onColor() const { return m_onColor; }
    void setOnColor(const QColor& colour);
    // The dark state: the lit colour at a quarter of its brightness.
    QColor offColor() const { return darkOf(m_onColor); }
    static QColor darkOf(const QColor& onColor);

    // Draws a lamp into rect of image: a one-pixel frame in kFrameColor around a face filled
    // with the lit or dark colour. Rects smaller than 3 x 3 get only the frame.
    static void drawLamp(QImage& image, const QRect& rect, bool lit, const QColor& onColor);

    static constexpr QRgb kFrameColor = 0xFF404040;
    static constexpr int kSide = 16; // pixels, the preferred size

    QSize sizeHint() const override { return {kSide, kSide}; }

signals:
    void valueChanged(bool lit);
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void repaintIfChanged();

    bool m_value = false;
    QColor m_onColor{0x20, 0xE0, 0x20};
    // The face last painted, and whether a check against it waits in the event queue.
    bool m_shownValue = false;
    QColor m_shownColor = m_onColor;
    bool m_checkQueued = false;
    // The dark and the lit face as last drawn, and the colours they were drawn in.
    std::array<QImage, 2> m_faces;
    QColor m_facesColor;
    QColor m_facesBackground;
};

} // namespace remote::controls
