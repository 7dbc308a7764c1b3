#pragma once

#include "progressbar_state.h"

#include <QString>

#include <optional>

// The bar's drawing pipeline: everything is drawn into a QImage from a ProgressBarState, so
// the same code serves the widget, the gallery tool, the benchmarks and pixel tests.
namespace remote::controls::progressbar {

// A plain colour for c; system colours are looked up, nullopt when c cannot be drawn.
std::optional<OleColor> TranslateColor(OleColor c);

// Each component x becomes a + ((255 - a) * x) / 255 (truncating), at most 255.
OleColor LightenColor(OleColor c, int a);

// Each component becomes (255 - a) * x2 / 255 + a * x1 / 255, halves to even.
OleColor BlendColor(OleColor c1, OleColor c2, int a);

void FrameBox(const Box& box, OleColor colour, QImage& hDC);
void FillBox(const Box& box, OleColor colour, QImage& hDC);

// One line of plain colour, end point left out.
void DrawLine(int x1, int y1, int x2, int y2, QImage& hDC, OleColor colour);

// A band of lines running from colour1 to colour2. vertical: columns x .. x + a, each from
// row y to row b; otherwise rows y .. y + b, each from column x to column a. A count of 0
// draws one line in colour1, a negative count nothing.
void DrawGradient(OleColor colour1, OleColor colour2, int x, int y, int a, int b, QImage& hDC,
                  bool vertical);

// The label font a new bar starts with.
QFont defaultLabelFont();

// Draws one frame of the bar into an image of at least width x height pixels (a smaller or
// null image is clipped). Updates the state's geometry, and clamps its percent to 100.
class ProgressBarPainter {
public:
    ProgressBarPainter(QImage& hDC, ProgressBarState& state, int width, int height);

    void DrawProgressBar();

    // Steps of the styles, public so each can be checked alone.
    void CalcSegments();
    void DrawXPFill();
    void DrawSegmentGaps();
    void DrawXPFrame();
    void DrawFlatStyle();
    void DrawEtchedStyle();
    void DrawTrackStyle();
    void DrawDarkStyle();
    void DrawHatchStyle();
    void DrawImageStyle();
    void DrawGlassStyle();

    QString labelText() const;
    void DrawPercentText();
    void CenterTextRect(const QString& text);
    void DrawOverlayText(const QString& text);

private:
    void drawStyle();
    void drawXPFillHorizontal();
    void drawXPFillVertical();
    void drawLabel(const Box& box, const QString& text, OleColor colour);
    double fillEnd() const;

    QImage& m_dc;
    ProgressBarState& m_state;
    int W;
    int H;
};

} // namespace remote::controls::progressbar
