#include "common/raster.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels drawn(int x1, int y1, int x2, int y2) {
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    common::drawLineWithoutEnd(image, x1, y1, x2, y2, qRgb(0, 0, 0));
    Pixels out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == qRgb(0, 0, 0)) {
                out.insert({x, y});
            }
        }
    }
    return out;
}

TEST(LineWithoutEnd, LeavesOutTheEndPointInEveryDirection) {
    const struct {
        const char* name;
        int x1, y1, x2, y2;
        Pixels expected;
    } cases[] = {
        {"right", 1, 2, 4, 2, {{1, 2}, {2, 2}, {3, 2}}},
        {"left", 4, 2, 1, 2, {{4, 2}, {3, 2}, {2, 2}}},
        {"down", 3, 0, 3, 3, {{3, 0}, {3, 1}, {3, 2}}},
        {"up", 3, 3, 3, 0, {{3, 3}, {3, 2}, {3, 1}}},
        {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"single point", 2, 2, 2, 2, {}},
        {"clipped at both ends",
         -5,
         1,
         20,
         1,
         {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        {"far off, missing the image", -2000000000, -5, 2000000000, -9, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(drawn(c.x1, c.y1, c.x2, c.y2), c.expected) << c.name;
    }
}

} // namespace
