// One frame of the progress bar per style at 200 x 20 pixels, beside Qt's own QProgressBar in
// the Fusion style drawn into an image of the same size, in the same run.
//
// Arguments of each case: style (or -) and whether the label is shown.
#include "remote/controls/progressbar/progressbar_drawing.h"
#include "remote/controls/progressbar/xp_progressbar.h"

#include <QApplication>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionProgressBar>

#include <benchmark/benchmark.h>

#include <memory>

using remote::controls::XP_ProgressBar;

using namespace remote::controls::progressbar;

namespace {

constexpr int kWidth = 200;  // pixels
constexpr int kHeight = 20;  // pixels
constexpr int kPercent = 57; // percent
constexpr OleColor kColour = 0x006A240A;

QImage pictureTile() {
    QImage tile(8, 8, kSurfaceFormat);
    tile.fill(qRgb(240, 160, 40));
    return tile;
}

void BM_DrawProgressBar(benchmark::State& state) {
    ProgressBarState s;
    s.Font = defaultLabelFont();
    s.Color = kColour;
    s.Scrolling = static_cast<int>(state.range(0));
    s.ShowText = state.range(1) != 0;
    s.BrushStyle = 5;
    s.Image = pictureTile();
    QImage image(kWidth, kHeight, kSurfaceFormat);
    for (auto _ : state) {
        s.percent = kPercent;
        ProgressBarPainter(image, s, kWidth, kHeight).DrawProgressBar();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawProgressBar)
    ->ArgNames({"style", "text"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, 9, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// What the splash window pays per step: the Value write with its immediate redraw.
void BM_WidgetSetValue(benchmark::State& state) {
    XP_ProgressBar bar;
    bar.resize(kWidth, kHeight);
    bar.setMin(1);
    bar.setShowText(state.range(0) != 0);
    int v = 0;
    for (auto _ : state) {
        bar.setValue(v);
        v = (v + 1) % 100;
    }
}
BENCHMARK(BM_WidgetSetValue)->ArgName("text")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

struct FusionBar {
    explicit FusionBar(bool text)
        : style(QStyleFactory::create(QStringLiteral("Fusion"))) {
        bar.setStyle(style.get());
        bar.resize(kWidth, kHeight);
        bar.setRange(0, 100);
        bar.setValue(kPercent);
        bar.setTextVisible(text);
        bar.ensurePolished();
    }
    std::unique_ptr<QStyle> style;
    QProgressBar bar;
};

// The style's own drawing of the bar (groove, fill, label) into an image: the same work one
// DrawProgressBar does.
void BM_QProgressBarFusionDrawControl(benchmark::State& state) {
    FusionBar f(state.range(0) != 0);
    QStyleOptionProgressBar option;
    option.initFrom(&f.bar);
    option.rect = QRect(0, 0, kWidth, kHeight);
    option.minimum = 0;
    option.maximum = 100;
    option.progress = kPercent;
    option.textVisible = state.range(0) != 0;
    option.text = f.bar.text();
    option.state |= QStyle::State_Horizontal;
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        f.style->drawControl(QStyle::CE_ProgressBar, &option, &painter, &f.bar);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_QProgressBarFusionDrawControl)
    ->ArgName("text")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

// The whole widget rendered into an image, paint event and all.
void BM_QProgressBarFusionRender(benchmark::State& state) {
    FusionBar f(state.range(0) != 0);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        f.bar.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_QProgressBarFusionRender)
    ->ArgName("text")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

} // namespace
