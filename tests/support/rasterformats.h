#pragma once

#include "common/raster.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

namespace test {

// A drawing entry point with fixed arguments that reach into the image.
struct DrawingEntryPoint {
    const char* name;
    std::function<void(QImage&)> draw;
};

// The formats a caller might hand in: packed 24-bit rows, palettes, grey, alpha, the surface
// format itself and one bit a pixel.
inline constexpr std::initializer_list<QImage::Format> kAnyFormats = {
    QImage::Format_RGB888, QImage::Format_Indexed8, QImage::Format_Grayscale8,
    QImage::Format_ARGB32, QImage::Format_RGB32,    QImage::Format_Mono};

// Each entry point, on a copy of start in each format, must leave the image in the surface
// format with exactly what it draws on the image converted beforehand; on a null image it
// must do nothing.
inline void expectEveryFormatDrawnAsTheSurface(const std::vector<DrawingEntryPoint>& entries,
                                               const QImage& start) {
    for (const DrawingEntryPoint& entry : entries) {
        for (const QImage::Format format : kAnyFormats) {
            QImage image = start.convertToFormat(format);
            QImage expected = image.convertToFormat(common::kSurfaceFormat);
            entry.draw(expected);
            entry.draw(image);
            ASSERT_EQ(image.format(), common::kSurfaceFormat)
                << entry.name << ", format " << format;
            EXPECT_TRUE(image == expected) << entry.name << ", format " << format;
        }
        QImage null;
        entry.draw(null);
        EXPECT_TRUE(null.isNull()) << entry.name;
    }
}

} // namespace test
