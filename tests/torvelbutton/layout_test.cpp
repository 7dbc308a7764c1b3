#include "torvelbutton/render/layout.h"

#include <gtest/gtest.h>

namespace {

using torvelbutton::LayoutInput;
using torvelbutton::layoutPictureAndCaption;

enum : int { Auto = 0, Left = 1, Right = 2, Top = 3, Bottom = 4, Center = 5 };
constexpr std::optional<int> none = std::nullopt;

struct LayoutCase {
    const char* name;
    LayoutInput in;
    std::optional<int> pictureLeft;
    std::optional<int> pictureTop;
    std::optional<int> captionLeft;
    std::optional<int> captionTop;
};

std::ostream& operator<<(std::ostream& os, const LayoutCase& c) {
    return os << c.name;
}

// A 100 x 30 button with a 16 x 16 picture, a 40 x 14 caption, O = 3, offsets 2, gap 4.
LayoutInput base(int pictureAlignment, int alignment) {
    LayoutInput in;
    in.W = 100;
    in.H = 30;
    in.PW = 16;
    in.PH = 16;
    in.CW = 40;
    in.CH = 14;
    in.O = 3;
    in.PictureOffsetX = 2;
    in.PictureOffsetY = 2;
    in.Gap = 4;
    in.PictureAlignment = pictureAlignment;
    in.Alignment = alignment;
    return in;
}

LayoutInput with(LayoutInput in, void (*change)(LayoutInput&)) {
    change(in);
    return in;
}

// A tall 60 x 60 button for the vertical rows.
LayoutInput tall(int pictureAlignment, int alignment) {
    LayoutInput in = base(pictureAlignment, alignment);
    in.W = 60;
    in.H = 60;
    return in;
}

class Placement : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Placement, PutsPictureAndCaptionWhereTheTablesSay) {
    const LayoutCase& c = GetParam();
    const auto r = layoutPictureAndCaption(c.in);
    EXPECT_EQ(r.picture.left, c.pictureLeft) << "picture left";
    EXPECT_EQ(r.picture.top, c.pictureTop) << "picture top";
    EXPECT_EQ(r.caption.left, c.captionLeft) << "caption left";
    EXPECT_EQ(r.caption.top, c.captionTop) << "caption top";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Placement,
    ::testing::Values(
        // PX = 5, free = 100 - 10 - 4 - 16 - 40 = 30, half = 15, caption at 16 + 4 + 5 + 15.
        LayoutCase{"LeftPictureAutoCaption", base(Left, Auto), 5, 7, 40, 8},
        // CW = 80: free = -10, the caption goes against the far edge: 100 - 5 - 80.
        LayoutCase{"LeftPictureCaptionTooWide",
                   with(base(Left, Auto), [](LayoutInput& i) { i.CW = 80; }), 5, 7, 15, 8},
        // free = 31: half = nearest(15.5) = 16 (even).
        LayoutCase{"LeftPictureOddFreeSpace",
                   with(base(Left, Auto), [](LayoutInput& i) { i.CW = 39; }), 5, 7, 41, 8},
        LayoutCase{"RightPictureAutoCaption", base(Right, Auto), 79, 7, 20, 8},
        LayoutCase{"RightPictureCaptionTooWide",
                   with(base(Right, Auto), [](LayoutInput& i) { i.CW = 80; }), 79, 7, 5, 8},
        // Centred halves go to the even neighbour: (101 - 50) / 2 = 25.5 -> 26,
        // (103 - 50) / 2 = 26.5 -> 26.
        LayoutCase{"CentredCaptionHalfUp",
                   with(base(Auto, Auto),
                        [](LayoutInput& i) {
                            i.W = 101;
                            i.CW = 50;
                        }),
                   42, 7, 26, 8},
        LayoutCase{"CentredCaptionHalfDown",
                   with(base(Auto, Auto),
                        [](LayoutInput& i) {
                            i.W = 103;
                            i.CW = 50;
                        }),
                   44, 7, 26, 8},
        LayoutCase{"CenterPictureAutoCaption", base(Center, Auto), 42, 7, 30, 8},
        // free = 60 - 10 - 4 - 16 - 14 = 16, half = 8: caption top 16 + 4 + 5 + 8.
        LayoutCase{"TopPictureAutoCaption", tall(Top, Auto), 22, 5, 10, 33},
        LayoutCase{"BottomPictureAutoCaption", tall(Bottom, Auto), 22, 39, 10, 13},
        // An explicit caption side moves only the caption when the picture has a side.
        LayoutCase{"LeftPictureLeftCaption", base(Left, Left), 5, 7, 25, 8},
        LayoutCase{"LeftPictureRightCaption", base(Left, Right), 5, 7, 55, 8},
        LayoutCase{"RightPictureRightCaption", base(Right, Right), 79, 7, 35, 8},
        LayoutCase{"RightPictureRightCaptionTooWide",
                   with(base(Right, Right), [](LayoutInput& i) { i.CW = 80; }), 79, 7, 5, 8},
        LayoutCase{"LeftPictureLeftCaptionTooWide",
                   with(base(Left, Left), [](LayoutInput& i) { i.CW = 80; }), 5, 7, 15, 8},
        // Caption right above the picture and the gap: top 5 + 16, bottom 35 = 39 - 4.
        LayoutCase{"BottomPictureBottomCaption", tall(Bottom, Bottom), 22, 39, 10, 21},
        LayoutCase{"TopPictureBottomCaption", tall(Top, Bottom), 22, 5, 10, 41},
        LayoutCase{"TopPictureTopCaption", tall(Top, Top), 22, 5, 10, 25},
        LayoutCase{"LeftPictureTopCaption", tall(Left, Top), 5, 22, 10, 5},
        // With an automatic picture, the picture goes opposite the caption.
        LayoutCase{"AutoPictureLeftCaption", base(Auto, Left), 79, 7, 5, 8},
        LayoutCase{"AutoPictureRightCaption", base(Auto, Right), 5, 7, 55, 8},
        LayoutCase{"AutoPictureTopCaption", tall(Auto, Top), 22, 39, 10, 5},
        LayoutCase{"AutoPictureBottomCaptionUsesCaptionHeight", tall(Auto, Bottom), 22, 14, 10, 41},
        LayoutCase{"AutoPictureCenterCaption", base(Auto, Center), 42, 7, 30, 8},
        // Picture looks: a left caption keeps PX, the others touch the edge.
        LayoutCase{"PictureModeLeftCaption",
                   with(base(Auto, Left), [](LayoutInput& i) { i.pictureMode = true; }), 95, 7, 5,
                   8},
        LayoutCase{"PictureModeRightCaption",
                   with(base(Auto, Right), [](LayoutInput& i) { i.pictureMode = true; }), 0, 7, 60,
                   8},
        LayoutCase{"PictureModeTopCaption",
                   with(tall(Auto, Top), [](LayoutInput& i) { i.pictureMode = true; }), 22, 60, 10,
                   0},
        LayoutCase{"PictureModeBottomCaption",
                   with(tall(Auto, Bottom), [](LayoutInput& i) { i.pictureMode = true; }), 22, 14,
                   10, 46},
        // Numbers outside the enumerations place nothing.
        LayoutCase{"UnknownPictureAlignment", base(9, Auto), none, none, none, none},
        LayoutCase{"AutoPictureUnknownAlignment", base(Auto, 7), none, none, none, none},
        // A 16-bit overflow of PX leaves it at 0.
        LayoutCase{"OffsetOverflowLeavesPXAtZero",
                   with(base(Left, Auto), [](LayoutInput& i) { i.PictureOffsetX = 32767; }), 0, 7,
                   40, 8},
        // Positions that do not fit 16 bits are not set.
        LayoutCase{"HugeButtonLeavesOutOfRangePositions",
                   with(base(Center, Auto), [](LayoutInput& i) { i.W = 200000; }), none, 7, none,
                   8}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
