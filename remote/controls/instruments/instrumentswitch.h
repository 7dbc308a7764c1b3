#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace remote::controls {

// The instrument-style switches of the monitor window. Both are checkable buttons: Value is
// the checked state, a mouse click (press and release over the switch) flips it and raises
// clicked(), and valueChanged() follows every change, by the operator or by the program.
// Each draws itself through a static function onto an image, so its look can be checked
// off screen.
class InstrumentSwitch : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool Value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QColor BackColor READ backColor WRITE setBackColor)

public:
    explicit InstrumentSwitch(QWidget* parent = nullptr);

    bool value() const { return isChecked(); }
    void setValue(bool on) { setChecked(on); }

    // The face behind the lever; an unsaved change shows in another colour.
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& colour);

    static constexpr QRgb kFrameColor = 0xFF303030;
    static constexpr QRgb kSlotColor = 0xFF101010;
    static constexpr QRgb kLeverColor = 0xFFC8C8C8;
    static constexpr QRgb kOnColor = 0xFF20B040;

signals:
    void valueChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void drawInto(QImage& image) const = 0;

private:
    QColor m_backColor{0xFF, 0xFF, 0xFF};
};

// An upright toggle switch: lever up for on, down for off.
class ToggleSwitch : public InstrumentSwitch {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {28, 44}; }

    // Fills rect with back, frames it, and draws a slot down the middle with the lever in its
    // upper half (on) or lower half (off). Parts outside the image are clipped.
    static void drawSwitch(QImage& image, const QRect& rect, bool on, const QColor& back);

protected:
    void drawInto(QImage& image) const override;
};

// A horizontal slide switch: the knob right (on, track lit) or left (off).
class SlideSwitch : public InstrumentSwitch {
    Q_OBJECT

public:
    explicit SlideSwitch(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {56, 22}; }

    // Fills rect with back, frames it, and draws the track with the knob in its right half
    // (on, the left half lit) or its left half (off). Parts outside the image are clipped.
    static void drawSwitch(QImage& image, const QRect& rect, bool on, const QColor& back);

protected:
    void drawInto(QImage& image) const override;
};

} // namespace remote::controls
