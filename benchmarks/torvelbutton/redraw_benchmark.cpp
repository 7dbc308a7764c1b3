// One paint pass of a 100 x 30 image button with a 16 x 16 picture tinted at 80 %, beside
// a push button with text and a 16 x 16 icon rendered into an image of the same size.
#include "torvelbutton/model/torvelimagebutton.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <benchmark/benchmark.h>

namespace {

QImage picture16() {
    QImage image(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            image.setPixel(x, y, qRgb(16 * x, 16 * y, 128));
        }
    }
    return image;
}

QFont benchFont() {
    return QFont("DejaVu Sans", 9);
}

struct ImageButtonOnForm {
    ImageButtonOnForm() {
        form.setFont(benchFont());
        button = new TorvelImageButton(&form);
        button->setObjectName("cmdGo");
        button->resize(100, 30);
        button->initProperties();
        button->setCaption("Button");
        button->setPicture(picture16());
        button->setAlphaNormal(80);
        button->Redraw();
    }

    QWidget form;
    TorvelImageButton* button = nullptr;
};

void ImageButtonRedraw(benchmark::State& state) {
    ImageButtonOnForm f;
    for (auto _ : state) {
        f.button->Redraw();
        benchmark::DoNotOptimize(f.button->surface().image().constBits());
    }
}
BENCHMARK(ImageButtonRedraw)->Unit(benchmark::kMicrosecond);

// The whole look as a host sees it: the pass, then surface, picture holder and caption
// composed into an image.
void ImageButtonRedrawAndRender(benchmark::State& state) {
    ImageButtonOnForm f;
    QImage image(100, 30, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        f.button->Redraw();
        f.button->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(ImageButtonRedrawAndRender)->Unit(benchmark::kMicrosecond);

void PushButtonRender(benchmark::State& state) {
    QPushButton button("Button");
    button.setFont(benchFont());
    button.setIcon(QIcon(QPixmap::fromImage(picture16())));
    button.setIconSize(QSize(16, 16));
    button.resize(100, 30);
    QImage image(100, 30, QImage::Format_ARGB32_Premultiplied);
    button.render(&image);
    for (auto _ : state) {
        button.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PushButtonRender)->Unit(benchmark::kMicrosecond);

} // namespace
