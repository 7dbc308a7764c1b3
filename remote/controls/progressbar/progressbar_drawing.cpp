#include "progressbar_drawing.h"

#include "common/numeric.h"
#include "common/raster.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>

namespace remote::controls::progressbar {

namespace {

// Coordinates far outside any image are pinned here so the arithmetic after them cannot
// overflow; what is drawn inside the image does not change.
constexpr double kCoordLimit = 1 << 26; // pixels

int roundCoord(double v) {
    if (!(v == v)) {
        return 0;
    }
    return static_cast<int>(common::roundHalfEven(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

// Bar sizes beyond any screen are pinned the same way, so the steps' sums stay in range.
int clampCoord(int v) {
    return std::clamp(v, -static_cast<int>(kCoordLimit), static_cast<int>(kCoordLimit));
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// Divisions rounding down and up, for any sign of a and b > 0.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && a < 0 ? 1 : 0);
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return a / b + (a % b != 0 && a > 0 ? 1 : 0);
}

int clampComponent(double v) {
    return static_cast<int>(std::clamp(v, 0.0, 255.0));
}

OleColor plain(OleColor c) {
    return TranslateColor(c).value_or(0);
}

} // namespace

std::optional<OleColor> TranslateColor(OleColor c) {
    return common::translateOleColor(c);
}

OleColor LightenColor(OleColor c, int a) {
    const auto lighten = [a](int x) { return std::clamp(a + ((255 - a) * x) / 255, 0, 255); };
    return common::bgr(lighten(common::redOf(c)), lighten(common::greenOf(c)),
                       lighten(common::blueOf(c)));
}

OleColor BlendColor(OleColor c1, OleColor c2, int a) {
    const OleColor p1 = plain(c1);
    const OleColor p2 = plain(c2);
    const auto blend = [a](int x1, int x2) {
        return clampComponent(common::roundHalfEven((255.0 - a) * x2 / 255.0 + a * x1 / 255.0));
    };
    return common::bgr(blend(common::redOf(p1), common::redOf(p2)),
                       blend(common::greenOf(p1), common::greenOf(p2)),
                       blend(common::blueOf(p1), common::blueOf(p2)));
}

void FrameBox(const Box& box, OleColor colour, QImage& hDC) {
    // Used as given: only the low 24 bits count.
    frameBox(hDC, box, colour & 0xFFFFFFu);
}

void FillBox(const Box& box, OleColor colour, QImage& hDC) {
    fillBox(hDC, box, plain(colour));
}

void DrawLine(int x1, int y1, int x2, int y2, QImage& hDC, OleColor colour) {
    drawLine(hDC, x1, y1, x2, y2, colour);
}

void DrawGradient(OleColor colour1, OleColor colour2, int x, int y, int a, int b, QImage& hDC,
                  bool vertical) {
    colour1 = plain(colour1);
    colour2 = plain(colour2);
    const int n = vertical ? a : b;
    if (n < 0) {
        return;
    }
    const int r1 = common::redOf(colour1);
    const int g1 = common::greenOf(colour1);
    const int b1 = common::blueOf(colour1);
    // Steps are single-precision, as the look was tuned with them.
    const float dR = n == 0 ? 0.0f : static_cast<float>(double(common::redOf(colour2) - r1) / n);
    const float dG = n == 0 ? 0.0f : static_cast<float>(double(common::greenOf(colour2) - g1) / n);
    const float dB = n == 0 ? 0.0f : static_cast<float>(double(common::blueOf(colour2) - b1) / n);

    // Only the lines that can land in the image are walked; each keeps the colour of its
    // place in the whole band.
    const std::int64_t origin = vertical ? x : y;
    const std::int64_t extent = vertical ? hDC.width() : hDC.height();
    const std::int64_t first = std::max<std::int64_t>(0, -origin);
    const std::int64_t last = std::min<std::int64_t>(n, extent - 1 - origin);
    for (std::int64_t i = first; i <= last; ++i) {
        const double k = static_cast<double>(i);
        const OleColor colour =
            common::bgr(clampComponent(common::roundHalfEven(r1 + double(dR) * k)),
                        clampComponent(common::roundHalfEven(g1 + double(dG) * k)),
                        clampComponent(common::roundHalfEven(b1 + double(dB) * k)));
        const int offset = static_cast<int>(origin + i);
        if (vertical) {
            drawLine(hDC, offset, y, offset, b, colour);
        } else {
            drawLine(hDC, x, offset, a, offset, colour);
        }
    }
}

QFont defaultLabelFont() {
    QFont font(QString::fromLatin1(kDefaultFontFamily));
    font.setPixelSize(kDefaultFontPixelSize);
    // Crisp glyphs in exactly the label colour, so the contrasting copy over the fill
    // replaces the plain one pixel for pixel.
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

ProgressBarPainter::ProgressBarPainter(QImage& hDC, ProgressBarState& state, int width, int height)
    : m_dc(hDC)
    , m_state(state)
    , W(clampCoord(width))
    , H(clampCoord(height)) {
    // Converted once here, so the label's painter sees the same surface as the pixel rules.
    common::prepareSurface(m_dc);
}

void ProgressBarPainter::DrawProgressBar() {
    if (m_state.percent > kPercentLimit) {
        m_state.percent = kPercentLimit;
    }
    m_state.clientRect = Box{0, 0, W, H};
    FillBox(m_state.clientRect, m_state.Scrolling == kStyleDark ? kDarkBackground : kBackground,
            m_dc);
    drawStyle();
    DrawPercentText();
}

void ProgressBarPainter::drawStyle() {
    switch (m_state.Scrolling) {
    case kStyleSegmented:
        CalcSegments();
        DrawXPFill();
        DrawSegmentGaps();
        DrawXPFrame();
        break;
    case kStyleFlat:
        DrawFlatStyle();
        break;
    case kStyleEtched:
        DrawEtchedStyle();
        break;
    case kStyleTrack:
        DrawTrackStyle();
        break;
    case kStyleDark:
        DrawDarkStyle();
        break;
    case kStyleHatch:
        DrawHatchStyle();
        break;
    case kStyleImage:
        DrawImageStyle();
        break;
    case kStyleGlass:
        DrawGlassStyle();
        break;
    default: // 1, 2 and every unknown style
        CalcSegments();
        DrawXPFill();
        DrawXPFrame();
        break;
    }
}

void ProgressBarPainter::CalcSegments() {
    ProgressBarState& s = m_state;
    s.segmentWidth = s.Scrolling == kStyleSegmented ? kSegmentWidth : 0;
    s.gapWidth = kGapWidth;
    s.clientRect.left = kSegmentInset;
    s.fillRect = s.clientRect;
    s.fraction = std::max(0.0, s.percent / kFullFraction);
    const int step = s.segmentWidth + s.gapWidth;
    const Box& c = s.clientRect;
    if (s.Orientation == 0) {
        const int e = roundCoord(double(c.right - c.left) * s.fraction + c.left);
        s.fillRect.right = e - ((e - s.fillRect.left) % step);
        s.fillRect.right = std::max(s.fillRect.right, c.left);
    } else {
        // Grows upward from the bottom.
        s.fraction = 1.0 - s.fraction;
        const int e = roundCoord(double(c.bottom - c.top) * s.fraction + c.top);
        s.fillRect.top = e - ((e - s.fillRect.bottom) % step);
        s.fillRect.top = std::min(s.fillRect.top, c.bottom);
    }
}

void ProgressBarPainter::DrawXPFill() {
    if (m_state.Orientation == 0) {
        drawXPFillHorizontal();
    } else {
        drawXPFillVertical();
    }
}

void ProgressBarPainter::drawXPFillHorizontal() {
    ProgressBarState& s = m_state;
    const OleColor k = s.Color;
    if (s.fillRect.right <= kMinFillRight) {
        s.fillRect.right = kShortFillRight;
    }
    const int r = W < s.fillRect.right + 4 ? s.fillRect.right - 4 : s.fillRect.right;
    if (s.Scrolling != kStyleSearching) {
        DrawGradient(LightenColor(k, 150), k, 4, 3, r, 6, m_dc, false);
        FillBox(Box{4, 8, r, H - 8}, k, m_dc);
        DrawGradient(k, LightenColor(k, 150), 4, H - 10, r, 6, m_dc, false);
        return;
    }
    // Three blocks, lightest first, trailing the fill end by kBlockLag pixels at 0 %.
    const double lag = (kPercentScale - s.percent) / kPercentScale * kBlockLag;
    for (int d = 0; d < kBlockCount; ++d) {
        const int x =
            roundCoord(double(s.fillRect.right) + double(s.segmentWidth + kBlockSpacing) * d - lag);
        const int shade = kBlockLightest - kBlockStep * d;
        DrawGradient(LightenColor(k, shade), LightenColor(k, shade - 20), x, 3, 9, H - 2, m_dc,
                     true);
    }
}

void ProgressBarPainter::drawXPFillVertical() {
    ProgressBarState& s = m_state;
    const OleColor k = s.Color;
    const int top = s.fillRect.top;
    if (s.Scrolling != kStyleSearching) {
        DrawGradient(LightenColor(k, 150), k, 4, top, 4, H, m_dc, true);
        FillBox(Box{9, top, W - 8, H}, k, m_dc);
        DrawGradient(k, LightenColor(k, 150), W - 8, top, 4, H, m_dc, true);
        return;
    }
    for (int d = 0; d < kBlockCount; ++d) {
        const int y = (s.segmentWidth + kBlockSpacing) * d + top;
        const int shade = kBlockLightest - kBlockStep * d;
        DrawGradient(LightenColor(k, shade), LightenColor(k, shade - 20), W - 2, y, 2, 9, m_dc,
                     false);
    }
}

void ProgressBarPainter::DrawSegmentGaps() {
    ProgressBarState& s = m_state;
    const std::int64_t step = std::int64_t{s.segmentWidth} + s.gapWidth;
    const std::int64_t gap = s.gapWidth;
    s.gapRect = s.clientRect;
    if (s.Orientation == 0) {
        s.gapRect.top = 0;
        s.gapRect.bottom = H;
    } else {
        s.gapRect.left = kSegmentInset;
        s.gapRect.right = W;
    }
    if (step <= 0) {
        return; // one gap would follow another on the spot, for ever
    }
    // Gap k is at p = first + k * step (rightward) or first - k * step (upward). Only the gaps
    // that can reach into the image are visited; gapRect is left on the last one all the same.
    std::int64_t first = 0;
    std::int64_t count = 0;
    std::int64_t kFrom = 0;
    std::int64_t kTo = 0;
    std::function<void(std::int64_t)> place;
    if (s.Orientation == 0) {
        first = std::int64_t{s.fillRect.left} + s.segmentWidth;
        if (first > s.fillRect.right) {
            return;
        }
        count = (s.fillRect.right - first) / step + 1;
        // Columns p + 1 .. p + gap: left of the image until p >= -gap, past it once
        // p + 1 >= its width.
        kFrom = ceilDiv(-gap - first, step);
        kTo = floorDiv(m_dc.width() - 2 - first, step);
        place = [&](std::int64_t k) {
            const std::int64_t x = first + k * step;
            s.gapRect.left = clampToInt(x + 1);
            s.gapRect.right = clampToInt(x + 1 + gap);
        };
    } else {
        first = s.fillRect.bottom;
        const std::int64_t last = std::int64_t{s.fillRect.top} + s.segmentWidth;
        if (first < last) {
            return;
        }
        count = (first - last) / step + 1;
        // Rows p - gap .. p - 1: below the image until p - gap < its height, above it once
        // p <= 0.
        kFrom = ceilDiv(first - gap - m_dc.height() + 1, step);
        kTo = floorDiv(first - 1, step);
        place = [&](std::int64_t k) {
            const std::int64_t y = first - k * step;
            s.gapRect.top = clampToInt(y - gap);
            s.gapRect.bottom = clampToInt(y);
        };
    }
    for (std::int64_t k = std::max<std::int64_t>(kFrom, 0); k <= std::min(kTo, count - 1); ++k) {
        place(k);
        FillBox(s.gapRect, kBackground, m_dc);
    }
    place(count - 1);
}

void ProgressBarPainter::DrawXPFrame() {
    m_state.clientRect.left -= kSegmentInset;
    DrawLine(2, 1, W - 2, 1, m_dc, kFrameShadow);
    DrawLine(2, H - 2, W - 2, H - 2, m_dc, kFrameLight);
    DrawLine(1, 2, 1, H - 2, m_dc, kFrameShadow);
    DrawLine(2, 2, 2, H - 2, m_dc, kFrameLight);
    DrawLine(2, 2, W - 2, 2, m_dc, kFrameLight);
    DrawLine(W - 2, 2, W - 2, H - 2, m_dc, kFrameLight);
    FrameBox(m_state.clientRect, kFrameOutline, m_dc);
    for (const CornerPixel& corner : kCornerPixels) {
        const int x = corner.x < 0 ? W + corner.x : corner.x;
        const int y = corner.y < 0 ? H + corner.y : corner.y;
        setPixel(m_dc, x, y, plain(corner.colour));
    }
}

void ProgressBarPainter::DrawFlatStyle() {
    ProgressBarState& s = m_state;
    FrameBox(s.clientRect, LightenColor(s.Color, 100), m_dc);
    s.fillRect = Box{1, 1, roundCoord(s.percent / kPercentScale * W), H - 1};
    FillBox(s.fillRect, LightenColor(s.Color, 180), m_dc);
}

void ProgressBarPainter::DrawEtchedStyle() {
    const OleColor k = m_state.Color;
    drawEdge(m_dc, m_state.clientRect, Edge::Etched);
    DrawGradient(LightenColor(k, 140), LightenColor(k, 200), 2, 2,
                 roundCoord(m_state.percent / kPercentScale * (W - 4)), H - 3, m_dc, true);
}

void ProgressBarPainter::DrawTrackStyle() {
    ProgressBarState& s = m_state;
    const OleColor k = s.Color;
    FrameBox(s.clientRect, LightenColor(k, 10), m_dc);
    // Divides by 101: the fill stops a little short of the end at 100 %.
    s.fillRect.right = roundCoord(s.percent / 101.0 * W);
    DrawGradient(k, LightenColor(k, 100), 2, 2, W - 2, H - 5, m_dc, false);
    DrawGradient(LightenColor(k, 250), k, 3, 3, s.fillRect.right, H - 6, m_dc, false);
    DrawLine(s.fillRect.right, 2, s.fillRect.right, H - 2, m_dc, LightenColor(k, 25));
}

void ProgressBarPainter::DrawDarkStyle() {
    const OleColor k = m_state.Color;
    FrameBox(m_state.clientRect, BlendColor(k, 0, 200), m_dc);
    const OleColor end = LightenColor(BlendColor(k, 0, 100), 10);
    DrawGradient(0, end, 2, 2, roundCoord(m_state.percent / kPercentScale * (W - 5)), H - 2, m_dc,
                 true);
}

void ProgressBarPainter::DrawHatchStyle() {
    ProgressBarState& s = m_state;
    drawEdge(m_dc, s.clientRect, Edge::Bump);
    s.fillRect = Box{2, 2, roundCoord(s.percent / 101.0 * W), H - 2};
    hatchBox(m_dc, s.fillRect, s.BrushStyle, s.Color, LightenColor(s.Color, 140));
}

void ProgressBarPainter::DrawImageStyle() {
    ProgressBarState& s = m_state;
    drawEdge(m_dc, s.clientRect, Edge::SunkenOuter);
    if (s.Image.isNull()) {
        return;
    }
    const int w = roundCoord(s.percent / 101.0 * W);
    s.fillRect.right = w;
    patternBox(m_dc, Box{2, 2, 2 + w, H - 2}, s.Image);
}

void ProgressBarPainter::DrawGlassStyle() {
    ProgressBarState& s = m_state;
    const OleColor k = s.Color;
    const int h = roundCoord((H - 3) / 2.0);
    s.fillRect.right = roundCoord(s.percent / kPercentScale * (W - 4));
    const OleColor silver = BlendColor(0xC0C0C0, 0, 255);
    DrawGradient(0xFFFFFF, 0xC0C0C0, 2, 2, W - 3, h, m_dc, false);
    DrawGradient(silver, silver, 2, h, W - 3, h, m_dc, false);
    DrawGradient(LightenColor(k, 150), BlendColor(k, 0, 180), 2, 2, s.fillRect.right, h, m_dc,
                 false);
    DrawGradient(BlendColor(k, 0, 190), k, 2, h, s.fillRect.right, h, m_dc, false);
    s.clientRect.left += kSegmentInset;
    DrawXPFrame();
}

QString ProgressBarPainter::labelText() const {
    if (m_state.Scrolling == kStyleSearching) {
        return QString::fromLatin1(kSearchingText);
    }
    return QString::number(m_state.percent) + QString::fromLatin1(kPercentSuffix);
}

double ProgressBarPainter::fillEnd() const {
    return m_state.percent / kPercentScale * W;
}

void ProgressBarPainter::DrawPercentText() {
    const QString text = labelText();
    if (!m_state.ShowText) {
        return;
    }
    const bool dark = m_state.Scrolling == kStyleDark;
    const bool overlay = dark || m_state.Scrolling == kStyleGlass;
    CenterTextRect(text);
    // Where the fill covers the whole label, only the contrasting copy is drawn.
    if (!(overlay && fillEnd() > m_state.textRect.right)) {
        drawLabel(m_state.textRect, text, dark ? kDarkTextColor : kTextColor);
    }
    if (overlay) {
        DrawOverlayText(text);
    }
}

void ProgressBarPainter::CenterTextRect(const QString& text) {
    const QFontMetrics metrics =
        m_dc.isNull() ? QFontMetrics(m_state.Font) : QFontMetrics(m_state.Font, &m_dc);
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    // Measured and placed in one go, so even the first drawing is centred.
    Box& r = m_state.textRect;
    r.left = roundCoord(W / 2.0 - w / 2.0);
    r.top = roundCoord(H / 2.0 - h / 2.0);
    r.right = r.left + w;
    r.bottom = r.top + h;
}

void ProgressBarPainter::DrawOverlayText(const QString& text) {
    const double end = fillEnd();
    const Box& r = m_state.textRect;
    if (end < r.left) {
        return;
    }
    const OleColor colour = m_state.Scrolling == kStyleDark
                                ? LightenColor(m_state.Color, kDarkOverlayLighten)
                                : plain(kOverlayTextColor);
    const Box over{roundCoord(W / 2.0 - (r.right - r.left) / 2.0), r.top, roundCoord(end),
                   r.bottom};
    drawLabel(over, text, colour);
}

void ProgressBarPainter::drawLabel(const Box& box, const QString& text, OleColor colour) {
    if (box.isEmpty() || m_dc.isNull()) {
        return;
    }
    QPainter painter(&m_dc);
    painter.setFont(m_state.Font);
    painter.setPen(common::toQColor(colour));
    const QRect clip(box.left, box.top, box.right - box.left, box.bottom - box.top);
    painter.setClipRect(clip);
    const QFontMetrics metrics(m_state.Font, &m_dc);
    painter.drawText(QPoint(box.left, box.top + metrics.ascent()), text);
}

} // namespace remote::controls::progressbar
