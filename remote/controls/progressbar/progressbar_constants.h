#pragma once

#include "common/olecolor.h"

#include <array>

// Fixed numbers of the progress bar's look and of its stored property set.
namespace remote::controls::progressbar {

using common::OleColor;

// Property defaults after creation and in the stored set.
constexpr int kDefaultMax = 100;
constexpr int kDefaultMin = 0;
constexpr int kStoredDefaultBrushStyle = 4; // a fresh bar holds 0; the store's default is 4
constexpr OleColor kDefaultColor = common::systemColor(common::Highlight);
constexpr int kPercentLimit = 100; // percent, the drawing clamps to it

// Value arithmetic.
constexpr double kPercentScale = 100.0; // percent per Max

// Styles (`Scrolling`).
constexpr int kStyleSegmented = 0;
constexpr int kStyleContinuous = 1;
constexpr int kStyleSearching = 2;
constexpr int kStyleFlat = 3;
constexpr int kStyleEtched = 4;
constexpr int kStyleTrack = 5;
constexpr int kStyleDark = 6;
constexpr int kStyleHatch = 7;
constexpr int kStyleImage = 8;
constexpr int kStyleGlass = 9;

constexpr int kHatchStyleCount = 6; // `BrushStyle` 0 to 5

// Segment step of styles 0 to 2.
constexpr int kSegmentWidth = 6;     // pixels, style 0 only
constexpr int kGapWidth = 2;         // pixels
constexpr int kSegmentInset = 3;     // pixels the client left moves in for the fill
constexpr double kFullFraction = 98; // percent at which the segmented fill reaches the end
constexpr int kMinFillRight = 14;    // pixels; a shorter fill is drawn to kShortFillRight
constexpr int kShortFillRight = 12;  // pixels

// Moving blocks of style 2.
constexpr int kBlockSpacing = 10;   // pixels added to the segment width between blocks
constexpr int kBlockLag = 45;       // pixels the blocks trail the fill end at percent 0
constexpr int kBlockCount = 3;      // blocks
constexpr int kBlockLightest = 220; // lighten amount of the first block's start colour
constexpr int kBlockStep = 40;      // lighten amount less per block

// Label.
constexpr OleColor kTextColor = 0x000000;
constexpr OleColor kDarkTextColor = 0xC0C0C0; // silver, style 6
constexpr OleColor kOverlayTextColor = 0xFFFFFF;
constexpr int kDarkOverlayLighten = 80;
inline constexpr char kSearchingText[] = "Searching..";
inline constexpr char kPercentSuffix[] = " %";
inline constexpr char kDefaultFontFamily[] = "DejaVu Sans";
constexpr int kDefaultFontPixelSize = 11; // pixels

// Background.
constexpr OleColor kBackground = 0xFFFFFF;
constexpr OleColor kDarkBackground = 0x000000;

// Frame of styles 0 to 2 and 9.
constexpr OleColor kFrameShadow = 0xBEBEBE;
constexpr OleColor kFrameLight = 0xEFEFEF;
constexpr OleColor kFrameOutline = 0x686868;

// Corner pixels of the frame, set one by one in this order. A negative x or y counts from
// the right or bottom edge: -1 is W - 1 (or H - 1).
struct CornerPixel {
    int x;
    int y;
    OleColor colour;
};

constexpr std::array<CornerPixel, 24> kCornerPixels = {{
    {0, 0, 0xFFFFFF},   {0, 1, 0xA6ABAC},   {0, 2, 0x7D7E7F},   {1, 0, 0xA7ABAC},
    {1, 1, 0x777777},   {2, 0, 0x7D7E7F},   {2, 2, 0xBEBEBE},   {0, -1, 0xFFFFFF},
    {1, -1, 0xA6ABAC},  {2, -1, 0x7D7E7F},  {0, -3, 0x7D7E7F},  {0, -2, 0xA7ABAC},
    {1, -2, 0x777777},  {-1, 0, 0xFFFFFF},  {-1, 1, 0xBEBEBE},  {-1, 2, 0x7D7E7F},
    {-2, 2, 0xBEBEBE},  {-2, 1, 0x686868},  {-1, -1, 0xFFFFFF}, {-1, -2, 0xBEBEBE},
    {-1, -3, 0x7D7E7F}, {-2, -2, 0x777777}, {-2, -1, 0xBEBEBE}, {-3, -1, 0x7D7E7F},
}};

// Stored property keys, in the order they are written.
inline constexpr char kKeyFont[] = "Font";
inline constexpr char kKeyBrushStyle[] = "BrushStyle";
inline constexpr char kKeyColor[] = "Color";
inline constexpr char kKeyImage[] = "Image";
inline constexpr char kKeyMax[] = "Max";
inline constexpr char kKeyMin[] = "Min";
inline constexpr char kKeyOrientation[] = "Orientation";
inline constexpr char kKeyScrolling[] = "Scrolling";
inline constexpr char kKeyShowText[] = "ShowText";
inline constexpr char kKeyValue[] = "Value";

} // namespace remote::controls::progressbar
