// Throws random images (any format, any size up to 64 x 64, or null), coordinates, colours
// and bar states at the public drawing entry points, and stops at the first write outside a
// buffer (ASan), undefined arithmetic (UBSan), or an image left in a third format or size.
#include "common/raster.h"
#include "fuzzcheck.h"
#include "remote/controls/progressbar/progressbar_drawing.h"
#include "remote/controls/progressbar/raster.h"

#include <QGuiApplication>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace remote::controls::progressbar;

constexpr std::array kFormats = {QImage::Format_RGB32,      QImage::Format_ARGB32,
                                 QImage::Format_RGB888,     QImage::Format_Indexed8,
                                 QImage::Format_Grayscale8, QImage::Format_Mono,
                                 QImage::Format_RGB16,      QImage::Format_ARGB32_Premultiplied,
                                 QImage::Format_RGBA64};

// Mostly coordinates near the image, sometimes anything at all.
int coordinate(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange(-80, 80) : in.ConsumeIntegral<int>();
}

QImage image(FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 15) == 0) {
        return {};
    }
    const auto format = kFormats[in.ConsumeIntegralInRange<std::size_t>(0, kFormats.size() - 1)];
    QImage made(in.ConsumeIntegralInRange(1, 64), in.ConsumeIntegralInRange(1, 64),
                QImage::Format_RGB32);
    made.fill(in.ConsumeIntegral<QRgb>());
    return made.convertToFormat(format);
}

QRect rect(FuzzedDataProvider& in) {
    return QRect(QPoint(coordinate(in), coordinate(in)), QPoint(coordinate(in), coordinate(in)));
}

Box box(FuzzedDataProvider& in) {
    return Box{coordinate(in), coordinate(in), coordinate(in), coordinate(in)};
}

void drawOne(FuzzedDataProvider& in, QImage& dst) {
    const QRgb rgb = in.ConsumeIntegral<QRgb>();
    const OleColor ole = in.ConsumeIntegral<OleColor>();
    switch (in.ConsumeIntegralInRange(0, 16)) {
    case 0:
        common::setPixel(dst, coordinate(in), coordinate(in), rgb);
        break;
    case 1:
        common::drawLineWithoutEnd(dst, coordinate(in), coordinate(in), coordinate(in),
                                   coordinate(in), rgb);
        break;
    case 2:
        common::fillRect(dst, rect(in), rgb);
        break;
    case 3:
        common::frameRect(dst, rect(in), rgb);
        break;
    case 4:
        common::fillHatched(dst, rect(in), in.ConsumeIntegralInRange(-1, 7), rgb,
                            in.ConsumeIntegral<QRgb>());
        break;
    case 5: {
        const QImage tile = image(in);
        common::fillTiled(dst, rect(in), tile);
        break;
    }
    case 6:
        common::blendRect(dst, rect(in), rgb, in.ConsumeIntegral<int>());
        break;
    case 7: {
        const QImage picture = image(in);
        const QRect to = rect(in);
        common::drawPicture(dst, to, picture, rect(in));
        break;
    }
    case 8: {
        const QImage picture = image(in);
        common::drawPicture(dst, QPoint(coordinate(in), coordinate(in)), picture);
        break;
    }
    case 9:
        DrawLine(coordinate(in), coordinate(in), coordinate(in), coordinate(in), dst, ole);
        break;
    case 10: {
        const OleColor other = in.ConsumeIntegral<OleColor>();
        DrawGradient(ole, other, coordinate(in), coordinate(in), coordinate(in), coordinate(in),
                     dst, in.ConsumeBool());
        break;
    }
    case 11:
        FillBox(box(in), ole, dst);
        break;
    case 12:
        FrameBox(box(in), ole, dst);
        break;
    case 13:
        drawEdge(dst, box(in), static_cast<Edge>(in.ConsumeIntegralInRange(0, 2)));
        break;
    case 14:
        hatchBox(dst, box(in), in.ConsumeIntegralInRange(-1, 7), ole,
                 in.ConsumeIntegral<OleColor>());
        break;
    case 15: {
        const QImage tile = image(in);
        patternBox(dst, box(in), tile);
        break;
    }
    default: {
        // The whole bar: any style, percent, orientation and size, the label drawn too.
        ProgressBarState state;
        state.Font = defaultLabelFont();
        state.Color = ole & 0xFFFFFFu;
        state.Scrolling = in.ConsumeIntegralInRange(-1, 10);
        state.Orientation = in.ConsumeIntegralInRange(0, 1);
        state.percent = in.ConsumeIntegral<int>();
        state.ShowText = in.ConsumeBool();
        state.BrushStyle = in.ConsumeIntegralInRange(-1, 7);
        state.Image = image(in);
        const int width = coordinate(in);
        const int height = coordinate(in);
        ProgressBarPainter(dst, state, width, height).DrawProgressBar();
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The label is drawn with a font: that needs a GUI application, off screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "raster_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    QImage dst = image(in);
    const QSize size0 = dst.size();
    const bool wasNull = dst.isNull();
    const QImage::Format format0 = dst.format();
    for (int op = 0; op < 8 && in.remaining_bytes() > 0; ++op) {
        drawOne(in, dst);
        FUZZ_CHECK(dst.isNull() == wasNull);
        FUZZ_CHECK(dst.size() == size0);
        // Converted by the first call that draws, untouched by calls that draw nothing.
        FUZZ_CHECK(dst.format() == format0 || dst.format() == common::kSurfaceFormat);
    }
    return 0;
}
