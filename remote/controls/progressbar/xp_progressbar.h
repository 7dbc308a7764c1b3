#pragma once

#include "common/olecolor.h"
#include "common/propertybag.h"
#include "progressbar_state.h"

#include <QFont>
#include <QImage>
#include <QWidget>

namespace remote::controls {

// The self-drawn progress bar. Every frame is drawn into a back buffer that only grows and
// reaches the screen in one copy, so the bar does not flicker while it advances.
//
// Writes that can be refused return false and change nothing: a Value whose v * 100 (or
// resulting percent) does not fit 32 bits, a colour that cannot be drawn, a BrushStyle
// outside 0 to 5.
class XP_ProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Max READ max WRITE setMax)
    Q_PROPERTY(int Min READ min WRITE setMin)
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(uint Color READ color WRITE setColor)
    Q_PROPERTY(int Scrolling READ scrolling WRITE setScrolling)
    Q_PROPERTY(int Orientation READ orientation WRITE setOrientation)
    Q_PROPERTY(bool ShowText READ showText WRITE setShowText)
    Q_PROPERTY(int BrushStyle READ brushStyle WRITE setBrushStyle)
    Q_PROPERTY(QImage Image READ image WRITE setImage)
    Q_PROPERTY(QFont Font READ labelFont WRITE setLabelFont)

public:
    using OleColor = common::OleColor;
    using State = remote::controls::progressbar::ProgressBarState;

    explicit XP_ProgressBar(QWidget* parent = nullptr);

    int max() const { return m_state.Max; }
    void setMax(int max);
    int min() const { return m_state.Min; }
    void setMin(int min);

    // percent scaled back by Max and Min; ok is false (and 0 returned) when that does not
    // fit 32 bits.
    int value(bool* ok = nullptr) const;
    // Raises Min and Max to at least 1, then percent = v * 100 / Max + Min (halves to even).
    bool setValue(int v);
    int percent() const { return m_state.percent; }

    // Always a plain 0x00BBGGRR value: system colours are translated when written.
    OleColor color() const { return m_state.Color; }
    bool setColor(OleColor color);

    int scrolling() const { return m_state.Scrolling; }
    void setScrolling(int style);
    int orientation() const { return m_state.Orientation; }
    void setOrientation(int orientation);
    bool showText() const { return m_state.ShowText; }
    void setShowText(bool show);
    int brushStyle() const { return m_state.BrushStyle; }
    bool setBrushStyle(int style);
    QImage image() const { return m_state.Image; }
    void setImage(const QImage& image);
    QFont labelFont() const { return m_state.Font; }
    void setLabelFont(const QFont& font);

    // The stored property set. readProperties applies every readable key and returns false
    // with a message naming each key it refused (those keep their current value).
    bool readProperties(const common::PropertyBag& bag, QString* error = nullptr);
    void writeProperties(common::PropertyBag& bag) const;

    // Draws the whole bar into the back buffer and schedules its copy to the screen.
    void DrawProgressBar();

    // Drawing primitives on any image. Colours may be system colours; DrawGradient writes
    // the translated values back. A colour that cannot be translated draws nothing.
    bool DrawLine(int x1, int y1, int x2, int y2, QImage& hDC, OleColor colour);
    bool DrawGradient(OleColor& colour1, OleColor& colour2, int x, int y, int a, int b, QImage& hDC,
                      bool vertical);
    // Copies a block of the back buffer to hDC; a width or height below 1 means the
    // buffer's.
    void pDraw(QImage& hDC, int xSrc, int ySrc, int width, int height, int xDst, int yDst) const;

    bool isBuffered() const { return m_buffered; }
    const QImage& backBuffer() const { return m_buffer; }
    const State& state() const { return m_state; }

    QSize sizeHint() const override;

signals:
    // A stored property changed; the host marks its stored copy out of date.
    void propertyChanged(const QString& key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureSurface();
    void EnsureBuffer(int width, int height);
    void CreateBuffer(int width, int height);
    void FreeBuffer();
    void renderFrame();
    void notify(const char* key);

    State m_state;
    QImage m_buffer;
    bool m_buffered = false;
};

} // namespace remote::controls
