#pragma once

// What every part of the image-button library shares: the export mark, the published
// enumerations and the button's fixed numbers. It includes no widget header, so the paint
// pipeline can use it without seeing the widget.

#include "common/olecolorvalue.h"

#include <QLatin1StringView>
#include <QtCore/qglobal.h>

// Marks the library's public classes and functions; the library's own sources are built
// with TORVELBUTTON_LIBRARY defined.
#if defined(TORVELBUTTON_LIBRARY)
#define TORVELBUTTON_EXPORT Q_DECL_EXPORT
#else
#define TORVELBUTTON_EXPORT Q_DECL_IMPORT
#endif
// Marks members of an exported class that only the library's own sources call.
#define TORVELBUTTON_NO_EXPORT __attribute__((visibility("hidden")))

namespace torvelbutton {

// The published enumerations, 32-bit signed. TorvelImageButton repeats their members in its
// own body, with these values, because the meta-object (and with it a form designer and the
// forms it saves) knows an enumeration only by the class that declares it.
enum eBtnState : int {
    bNormal = 0,
    bDown = 1,
    bDisable = 2,
    bUp = 3 // the cursor is over the button
};
enum eBtnAlignment : int {
    btnAuto = 0,
    btnLeft = 1,
    btnRight = 2,
    btnTop = 3,
    btnBottom = 4,
    btnCenter = 5
};
enum eBtnAttribute : int {
    btnNormal = 0,
    btnNormal_In = 1,
    btnOutLine = 2,
    btnOutLine_In = 3,
    btnImage = 4,
    btnImage_In = 5,
    btnImage_Only = 6
};
enum eTransparent : int { None_Transparent = 0, Transparent = 1, Transparent_IN = 2 };
enum eChecked : int { Not_Used = 0, btnChecked = 1, btnOption = 2 };

// Fixed numbers of the image button: sizes, limits, timer periods, colours and the keys
// under which a host stores an instance.

constexpr int kTwipsPerPixel = 15; // twips per pixel: the unit of the host's outer size

constexpr int kHoverInterval = 10;  // milliseconds, hover tracker Timer1
constexpr int kWatchInterval = 100; // milliseconds, see-through watch Timer2 as created
constexpr int kWatchPeriod = 200;   // milliseconds, Timer2 from its first tick on

constexpr int kStripCells = 8;         // cells in one row of an image strip
constexpr int kBuiltinCellWidth = 18;  // pixels, one cell of the built-in strip
constexpr int kBuiltinCellHeight = 21; // pixels
constexpr int kMaxOutLineSize = 20;    // pixels, largest accepted skin border
constexpr int kMaxAlpha = 100;         // percent, picture fully opaque
constexpr int kPressedShift = 2;       // pixels right and down, pressed picture looks
constexpr int kFlatFrameGrey = 200;    // red = green = blue of the flat frame of "_In" looks

constexpr common::OleColor kButtonTextColor = 0x80000012u; // system colour 18, button text
constexpr common::OleColor kButtonFaceColor = 0x8000000Fu; // system colour 15, button face

constexpr int kNewGap = 4;            // pixels
constexpr int kNewPictureOffset = 2;  // pixels, both PictureOffsetX and PictureOffsetY
constexpr int kNewAlphaNormal = 80;   // percent
constexpr int kNewOutLineSize = 3;    // pixels, all four states
constexpr int kStoredOutLineSize = 2; // pixels: the stored default of "ImgOutLineSize" only

// Mouse-pointer codes the control window understands (0 is the default pointer).
constexpr int kLastStandardPointer = 15;
constexpr int kCustomPointer = 99;

// Stored keys, in the order the loading procedure reads them.
namespace key {
inline constexpr QLatin1StringView Enabled{"Enabled"};
inline constexpr QLatin1StringView Caption{"Caption"};
inline constexpr QLatin1StringView CaptionChecked{"CaptionChecked"};
inline constexpr QLatin1StringView Font{"Font"};
inline constexpr QLatin1StringView MousePointer{"MousePointer"};
inline constexpr QLatin1StringView Picture{"Picture"};
inline constexpr QLatin1StringView PictureOVER{"PictureOVER"};
inline constexpr QLatin1StringView PictureDOWN{"PictureDOWN"};
inline constexpr QLatin1StringView PictureChecked{"PictureChecked"};
inline constexpr QLatin1StringView PictureSelected{"PictureSelected"};
inline constexpr QLatin1StringView ImageList{"ImageList"};
inline constexpr QLatin1StringView TransparentPicture{"TransparentPicture"};
inline constexpr QLatin1StringView Gap{"Gap"};
inline constexpr QLatin1StringView PictureOffsetX{"PictureOffsetX"};
inline constexpr QLatin1StringView PictureOffsetY{"PictureOffsetY"};
inline constexpr QLatin1StringView CaptionOffsetX{"CaptionOffsetX"};
inline constexpr QLatin1StringView CaptionOffsetY{"CaptionOffsetY"};
inline constexpr QLatin1StringView PictureAlignment{"PictureAlignment"};
inline constexpr QLatin1StringView Alignment{"Alignment"};
inline constexpr QLatin1StringView ButtonAttrib{"ButtonAttrib"};
inline constexpr QLatin1StringView ButtonTransparent{"ButtonTransparent"};
inline constexpr QLatin1StringView Value{"Value"};
inline constexpr QLatin1StringView Default{"Default"};
inline constexpr QLatin1StringView Cancel{"Cancel"};
inline constexpr QLatin1StringView OwnerDraw{"OwnerDraw"};
inline constexpr QLatin1StringView AutoReDraw{"AutoReDraw"};
inline constexpr QLatin1StringView CaptionCheckedUSE{"CaptionCheckedUSE"};
inline constexpr QLatin1StringView CheckOption{"CheckOption"};
inline constexpr QLatin1StringView ForeColor{"ForeColor"};
inline constexpr QLatin1StringView BackColor{"BackColor"};
inline constexpr QLatin1StringView AlphaNormal{"AlphaNormal"};
inline constexpr QLatin1StringView AlphaUp{"AlphaUp"};
inline constexpr QLatin1StringView AlphaDown{"AlphaDown"};
inline constexpr QLatin1StringView AlphaDisable{"AlphaDisable"};
inline constexpr QLatin1StringView AlphaColor{"AlphaColor"};
inline constexpr QLatin1StringView ImgOutLineSize{"ImgOutLineSize"};
inline constexpr QLatin1StringView ImgUpOutLineSize{"ImgUpOutLineSize"};
inline constexpr QLatin1StringView ImgDownOutLineSize{"ImgDownOutLineSize"};
inline constexpr QLatin1StringView ImgDisableOutLineSize{"ImgDisableOutLineSize"};
inline constexpr QLatin1StringView ImageListWidth{"ImageListWidth"};
inline constexpr QLatin1StringView ImageListHeight{"ImageListHeight"};
} // namespace key

} // namespace torvelbutton
