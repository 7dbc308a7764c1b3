#include "buttontestsupport.h"

#include "common/propertybag.h"
#include "common/raster.h"

#include <QTimer>

namespace {

using namespace buttontest;

QVariant i16(int v) {
    return QVariant::fromValue(static_cast<qint16>(v));
}

// ---- frame and skin ----------------------------------------------------------------------

// The painter alone, on a 100 x 30 surface of the face colour, with a strip whose pixels
// name their source.
class Skin : public ::testing::Test {
protected:
    void SetUp() override {
        look.ImageList = coordinateStrip();
        painter.surface().resize(QSize(100, 30));
    }

    QRgb at(int x, int y) const { return painter.surface().image().pixel(x, y); }
    Source src(int x, int y) const { return sourceOf(at(x, y)); }

    torvelbutton::ButtonLook look;
    torvelbutton::ButtonPainter painter;
};

TEST_F(Skin, NineSliceCopiesCornersOneToOneAndStretchesEdgesAndFace) {
    qint16 cell = 0;
    painter.drawSkin(look, cell, true);
    ASSERT_EQ(look.CurrentOutLineSize, 3);
    // Corners, one to one.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(src(x, y), (Source{0, x, y}));
            EXPECT_EQ(src(97 + x, y), (Source{0, 15 + x, y}));
            EXPECT_EQ(src(97 + x, 27 + y), (Source{0, 15 + x, 18 + y}));
            EXPECT_EQ(src(x, 27 + y), (Source{0, x, 18 + y}));
        }
    }
    // Top edge (3, 0, 94, 3) from (3, 0, 12, 3): rows one to one, columns stretched over
    // 3..14 from end to end, never going back.
    int previous = 3;
    for (int x = 3; x < 97; ++x) {
        const Source s = src(x, 1);
        EXPECT_EQ(s.y, 1);
        EXPECT_GE(s.x, previous);
        previous = s.x;
        EXPECT_EQ(src(x, 28).y, 19) << "bottom edge";
    }
    EXPECT_EQ(src(3, 0).x, 3);
    EXPECT_EQ(src(96, 0).x, 14);
    // Left edge (0, 3, 3, 24) from (0, 3, 3, 15).
    EXPECT_EQ(src(1, 3), (Source{0, 1, 3}));
    EXPECT_EQ(src(1, 26), (Source{0, 1, 17}));
    EXPECT_EQ(src(98, 26), (Source{0, 16, 17}));
    // Face (3, 3, 94, 24) from (3, 3, 12, 15).
    EXPECT_EQ(src(3, 3), (Source{0, 3, 3}));
    EXPECT_EQ(src(96, 26), (Source{0, 14, 17}));
    const Source middle = src(50, 15);
    EXPECT_TRUE(middle.x >= 3 && middle.x <= 14 && middle.y >= 3 && middle.y <= 17);
}

TEST_F(Skin, OutlineSizeZeroStretchesTheWholeCellOverTheFace) {
    look.ImgOutLineSize = 0;
    qint16 cell = 0;
    painter.drawSkin(look, cell, true);
    EXPECT_EQ(src(0, 0), (Source{0, 0, 0}));
    EXPECT_EQ(src(99, 29), (Source{0, 17, 20}));
}

TEST_F(Skin, OutlineSizePerState) {
    look.ImgUpOutLineSize = 5;
    look.ImgDownOutLineSize = 1;
    look.ImgDisableOutLineSize = 0;
    const struct {
        Btn::eBtnState state;
        int size;
    } rows[] = {{Btn::bNormal, 3}, {Btn::bUp, 5}, {Btn::bDown, 1}, {Btn::bDisable, 0}};
    for (const auto& row : rows) {
        look.ButtonState = row.state;
        painter.drawFrame(look, true);
        EXPECT_EQ(look.CurrentOutLineSize, row.size) << row.state;
    }
    look.ButtonState = static_cast<Btn::eBtnState>(9);
    painter.drawFrame(look, true);
    EXPECT_EQ(look.CurrentOutLineSize, 0) << "an unknown state keeps the last size";
}

struct CellCase {
    Btn::eBtnState state;
    bool value;
    bool enabled;
    int cell;
};

class CellChoice : public Skin, public ::testing::WithParamInterface<CellCase> {};

TEST_P(CellChoice, FollowsStateValueAndEnabled) {
    const CellCase c = GetParam();
    look.Value = c.value;
    look.Enabled = c.enabled;
    look.ButtonState = c.state;
    painter.drawFrame(look, true);
    EXPECT_EQ(src(1, 1).cell, c.cell);
    EXPECT_EQ(src(50, 15).cell, c.cell);
}

INSTANTIATE_TEST_SUITE_P(
    States, CellChoice,
    ::testing::Values(CellCase{Btn::bNormal, false, true, 0}, CellCase{Btn::bDown, false, true, 1},
                      CellCase{Btn::bDisable, false, true, 2}, CellCase{Btn::bUp, false, true, 3},
                      CellCase{Btn::bNormal, true, true, 4}, CellCase{Btn::bDown, true, true, 5},
                      CellCase{Btn::bDisable, true, true, 2}, CellCase{Btn::bUp, true, true, 7},
                      CellCase{Btn::bUp, true, false, 2}, CellCase{Btn::bNormal, false, false, 2},
                      CellCase{static_cast<Btn::eBtnState>(9), false, true, 0},
                      CellCase{static_cast<Btn::eBtnState>(-1), true, true, 4}));

TEST_F(Skin, DisabledStateWritesCellTwoBackToTheCaller) {
    look.ButtonState = Btn::bDisable;
    qint16 cell = 7;
    painter.drawSkin(look, cell, true);
    EXPECT_EQ(cell, 2);
}

TEST_F(Skin, InLooksShowAFlatGreyFrameWhenNormal) {
    const QRgb grey = qRgb(200, 200, 200);
    for (auto attrib : {Btn::btnNormal_In, Btn::btnOutLine_In}) {
        look.ButtonAttrib = attrib;
        look.ButtonState = Btn::bNormal;
        painter.drawFrame(look, true);
        for (int y = 0; y < 30; ++y) {
            EXPECT_EQ(at(0, y), grey);
            EXPECT_EQ(at(1, y), grey);
            EXPECT_EQ(at(99, y), grey);
        }
        for (int x = 0; x < 100; ++x) {
            EXPECT_EQ(at(x, 0), grey);
            EXPECT_EQ(at(x, 1), grey);
            EXPECT_EQ(at(x, 29), grey);
        }
        EXPECT_EQ(at(2, 2), kFace);
        EXPECT_EQ(at(98, 28), kFace) << "one pixel on the right and bottom";
        EXPECT_EQ(at(50, 15), kFace) << "no face in the flat look";
    }
    // Hot, the normal look returns: skin edges and, for btnNormal_In, the face.
    look.ButtonAttrib = Btn::btnNormal_In;
    look.ButtonState = Btn::bUp;
    painter.drawFrame(look, true);
    EXPECT_EQ(src(1, 1), (Source{3, 1, 1}));
    EXPECT_EQ(src(50, 15).cell, 3);
}

TEST_F(Skin, OutlineLooksShowTheBackColourInTheFace) {
    look.BackColor = common::bgr(10, 120, 30);
    look.ButtonAttrib = Btn::btnOutLine;
    for (auto state : {Btn::bNormal, Btn::bDown, Btn::bUp, Btn::bDisable}) {
        look.ButtonState = state;
        painter.drawFrame(look, true);
        EXPECT_EQ(at(50, 15), qRgb(10, 120, 30)) << state;
        EXPECT_EQ(src(1, 1).x, 1) << state;
    }
}

TEST_F(Skin, TransparentInDrawsEdgesOnlyWhenHotAndNeverTheFace) {
    look.ButtonTransparent = Btn::Transparent_IN;
    look.ButtonState = Btn::bNormal;
    painter.drawFrame(look, true);
    EXPECT_EQ(at(1, 1), kFace);
    EXPECT_EQ(at(50, 15), kFace);
    for (auto state : {Btn::bUp, Btn::bDown}) {
        look.ButtonState = state;
        painter.drawFrame(look, true);
        EXPECT_EQ(src(1, 1), (Source{state, 1, 1}));
        EXPECT_EQ(at(50, 15), kFace);
    }
    look.ButtonTransparent = Btn::Transparent;
    look.ButtonState = Btn::bNormal;
    painter.drawFrame(look, true);
    EXPECT_EQ(src(1, 1), (Source{0, 1, 1}));
    EXPECT_EQ(at(50, 15), kFace);
}

// The button settles its look before the painter runs.
using Settled = HostedButton;

TEST_F(Settled, WithoutAStripTheBuiltInOneIsUsedAtItsCellSize) {
    button->setImageList(QImage());
    button->setImageListWidth(30);
    button->setImageListHeight(25);
    const QStringList notices = noticesDuring([&] { button->Redraw(); });
    EXPECT_EQ(notices, (QStringList{"ImageListHeight", "ImageListWidth"}));
    EXPECT_EQ(button->imageListWidth(), 18);
    EXPECT_EQ(button->imageListHeight(), 21);
    EXPECT_EQ(at(50, 0), qRgb(0, 60, 116)) << "the built-in normal cell's outline";
    EXPECT_EQ(at(50, 29), qRgb(0, 60, 116));
}

TEST_F(Settled, TheLabelTakesTheForeColourOnEveryFrame) {
    button->setForeColor(common::bgr(200, 0, 0));
    button->Redraw();
    EXPECT_EQ(lbl()->palette().color(QPalette::Active, QPalette::WindowText), QColor(200, 0, 0));
}

// ---- alpha overlay -----------------------------------------------------------------------

class Overlay : public HostedButton {
protected:
    void SetUp() override {
        HostedButton::SetUp();
        button->setAlphaColor(common::bgr(0, 0, 0));
        button->setPicture(solid(16, 16, qRgb(255, 255, 255)));
    }

    QRect pictureArea() const { return imgTemp()->geometry(); }
};

TEST_F(Overlay, EightyPercentBlackOverWhiteGives204) {
    button->Redraw();
    EXPECT_FALSE(imgTemp()->isVisibleTo(button));
    const QRect area = pictureArea();
    ASSERT_EQ(area.size(), QSize(16, 16));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ASSERT_EQ(at(x, y), qRgb(204, 204, 204)) << x << ", " << y;
        }
    }
    EXPECT_NE(at(area.right() + 1, area.top()), qRgb(204, 204, 204));
}

TEST_F(Overlay, FullOpacityLeavesThePictureToTheHolder) {
    button->setAlphaNormal(100);
    button->Redraw();
    EXPECT_TRUE(imgTemp()->isVisibleTo(button));
    const QRect area = pictureArea();
    EXPECT_NE(at(area.center().x(), area.center().y()), qRgb(255, 255, 255))
        << "the surface under the holder is the face, not the picture";
}

TEST_F(Overlay, TintFollowsTheStatesAlpha) {
    button->setAlphaUp(0);
    button->setAlphaColor(common::bgr(0, 128, 255));
    button->setButtonState(Btn::bUp);
    button->Redraw();
    const QRect area = pictureArea();
    EXPECT_EQ(at(area.center().x(), area.center().y()), qRgb(0, 128, 255));
}

TEST_F(Overlay, LoadedAlphaOutOfRangeLeavesTheTintAtZero) {
    common::FilePropertyBag bag;
    bag.writeProperty("Picture", solid(16, 16, qRgb(255, 255, 255)));
    bag.writeProperty("AlphaNormal", i16(150));
    bag.writeProperty("AlphaColor", QVariant::fromValue(quint32(0)));
    button->readProperties(bag);
    button->Redraw();
    const QRect area = pictureArea();
    EXPECT_FALSE(imgTemp()->isVisibleTo(button));
    EXPECT_EQ(at(area.center().x(), area.center().y()), qRgb(255, 255, 255));
}

TEST_F(Overlay, UntranslatableColourLeavesThePictureUntinted) {
    button->setAlphaColor(0x80000019u); // a system index with no colour
    button->Redraw();
    const QRect area = pictureArea();
    EXPECT_EQ(at(area.center().x(), area.center().y()), qRgb(255, 255, 255));
}

TEST_F(Overlay, PressedPictureLookIsShiftedTwoPixels) {
    QImage picture(40, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            picture.setPixel(x, y, qRgb(5 * x, 10 * y, 77));
        }
    }
    button->setButtonAttrib(Btn::btnImage);
    button->setPicture(picture);
    button->setAlphaDown(100);
    button->setButtonState(Btn::bNormal);
    button->Redraw();
    ASSERT_EQ(button->size(), QSize(40, 20));
    const QRgb p = picture.pixel(10, 10);
    using common::blendChannel;
    EXPECT_EQ(at(10, 10), qRgb(blendChannel(0, qRed(p), 51), blendChannel(0, qGreen(p), 51),
                               blendChannel(0, qBlue(p), 51)))
        << "normal: tinted at 80 %, not shifted";
    button->setAlphaNormal(100);
    button->Redraw();
    EXPECT_EQ(at(10, 10), picture.pixel(10, 10));

    button->setButtonState(Btn::bDown);
    button->Redraw();
    for (int y = 3; y < 17; ++y) {
        for (int x = 3; x < 37; ++x) {
            ASSERT_EQ(at(x, y), picture.pixel(x - 2, y - 2)) << x << ", " << y;
        }
    }
    // Below 100 % the tinted picture is painted first and the shifted one over it.
    button->setAlphaDown(0);
    button->Redraw();
    EXPECT_EQ(at(10, 10), picture.pixel(8, 8));
}

TEST_F(Overlay, PictureOnlyLookHasNoFrameAndNoShift) {
    QImage picture = solid(30, 20, qRgb(1, 2, 3));
    picture.setPixel(0, 0, qRgb(9, 9, 9));
    button->setButtonAttrib(Btn::btnImage_Only);
    button->setPicture(picture);
    button->setAlphaDown(100);
    button->setButtonState(Btn::bDown);
    button->Redraw();
    EXPECT_EQ(at(0, 0), qRgb(9, 9, 9));
    EXPECT_EQ(at(2, 2), qRgb(1, 2, 3));
}

// ---- the pass ----------------------------------------------------------------------------

using Pass = HostedButton;

QImage tagged(int id) {
    return solid(16, 16, qRgb(id, 0, 0));
}
int tagOf(const QImage& picture) {
    return picture.isNull() ? 0 : qRed(picture.pixel(0, 0));
}

enum Pic : int { P = 1, OVER = 2, DOWN = 4, CHECKED = 8, SELECTED = 16 };

struct ChoiceCase {
    const char* name;
    int pictures;
    bool enabled;
    bool selected;
    bool value;
    Btn::eBtnState state;
    int shown; // tag of the picture shown, 0 for none
};

class PictureChoice : public HostedButton, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(PictureChoice, ShowsThePictureOfTheState) {
    const ChoiceCase c = GetParam();
    if (c.pictures & P) {
        button->setPicture(tagged(P));
    }
    if (c.pictures & OVER) {
        button->setPictureOVER(tagged(OVER));
    }
    if (c.pictures & DOWN) {
        button->setPictureDOWN(tagged(DOWN));
    }
    if (c.pictures & CHECKED) {
        button->setPictureChecked(tagged(CHECKED));
    }
    if (c.pictures & SELECTED) {
        button->setPictureSelected(tagged(SELECTED));
    }
    button->setButtonEnabled(c.enabled);
    button->setButtonSelected(c.selected);
    button->setValue(c.value);
    button->setButtonState(c.state);
    button->Redraw();
    EXPECT_EQ(tagOf(m().CurrentPicture), c.shown);
}

constexpr int kAll = P | OVER | DOWN | CHECKED | SELECTED;

INSTANTIATE_TEST_SUITE_P(
    Table, PictureChoice,
    ::testing::Values(
        ChoiceCase{"HoverWithoutOverShowsPicture", P | DOWN, true, false, false, Btn::bUp, P},
        ChoiceCase{"PressedWithOnlyOverShowsOver", P | OVER, true, false, false, Btn::bDown, OVER},
        ChoiceCase{"PressedShowsDown", kAll, true, false, false, Btn::bDown, DOWN},
        ChoiceCase{"CheckedPressedNeverShowsDown", kAll, true, false, true, Btn::bDown, CHECKED},
        ChoiceCase{"CheckedWithoutCheckedPictureShowsPicture", P | DOWN, true, false, true,
                   Btn::bDown, P},
        ChoiceCase{"DisabledSelectedShowsSelected", kAll, false, true, false, Btn::bDisable,
                   SELECTED},
        ChoiceCase{"DisabledCheckedShowsPicture", kAll, false, false, true, Btn::bDisable, P},
        ChoiceCase{"SelectedBeatsChecked", kAll, true, true, true, Btn::bNormal, SELECTED},
        ChoiceCase{"SelectedWithoutItsPictureShowsPicture", P | CHECKED, true, true, true,
                   Btn::bNormal, P},
        ChoiceCase{"HoverShowsOver", kAll, true, false, false, Btn::bUp, OVER},
        ChoiceCase{"NormalShowsPicture", kAll, true, false, false, Btn::bNormal, P},
        ChoiceCase{"UnknownStateShowsNothing", kAll, true, false, false,
                   static_cast<Btn::eBtnState>(5), 0},
        ChoiceCase{"NoPictureAtAll", 0, true, false, false, Btn::bNormal, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pass, CheckedCaptionOnlyWhenEnabledUnselectedAndInUse) {
    common::FilePropertyBag bag;
    bag.writeProperty("Caption", QString("Off"));
    bag.writeProperty("CaptionChecked", QString("On"));
    bag.writeProperty("CaptionCheckedUSE", true);
    bag.writeProperty("Value", true);
    button->readProperties(bag);
    button->Redraw();
    EXPECT_EQ(lbl()->text(), "On");
    button->setButtonSelected(true);
    button->Redraw();
    EXPECT_EQ(lbl()->text(), "Off");
    button->setButtonSelected(false);
    button->setButtonEnabled(false);
    button->Redraw();
    EXPECT_EQ(lbl()->text(), "Off");
    EXPECT_FALSE(lbl()->isEnabled());
    EXPECT_FALSE(imgTemp()->isEnabled());

    bag.writeProperty("CaptionCheckedUSE", false);
    button->readProperties(bag);
    button->Redraw();
    EXPECT_EQ(lbl()->text(), "Off");
}

TEST_F(Pass, WithoutPictureTheCaptionIsCentredPlusItsOffsets) {
    button->setCaption("Go on");
    button->setCaptionOffsetX(3);
    button->setCaptionOffsetY(-2);
    button->Redraw();
    const QRect r = lbl()->geometry();
    ASSERT_GT(r.width(), 0);
    // Centred: equal space on both sides, give or take the odd pixel.
    EXPECT_LE(std::abs((r.left() - 3) - (100 - (r.right() + 1 - 3))), 1);
    EXPECT_LE(std::abs((r.top() + 2) - (30 - (r.bottom() + 1 + 2))), 1);
    EXPECT_FALSE(imgTemp()->isVisibleTo(button));
    EXPECT_TRUE(m().Painted);
    EXPECT_TRUE(m().CurrentPicture.isNull());
    // Nothing tinted: the face is the skin.
    EXPECT_EQ(at(1, 1), builtinCellPixel(0, 1, 1));
}

TEST_F(Pass, CaptionFollowsThePictureAndTheGap) {
    button->setCaption("Go");
    button->setPicture(solid(16, 16, qRgb(255, 255, 255)));
    button->Redraw();
    button->Redraw(); // the second pass places with the frame's outline size
    const QRect pic = imgTemp()->geometry();
    const QRect cap = lbl()->geometry();
    const int PX = 3 + 2;
    EXPECT_EQ(pic.left(), PX);
    EXPECT_EQ(pic.top(), 7);
    // The caption is centred in what the picture, its offset and the gap leave free.
    const int leftSpace = cap.left() - (PX + 16 + 4);
    const int rightSpace = (100 - PX) - (cap.right() + 1);
    EXPECT_LE(std::abs(leftSpace - rightSpace), 1);
    EXPECT_TRUE(lbl()->isVisibleTo(button));
}

TEST_F(Pass, OutlineSizeMovesThePictureOnePassLate) {
    button->setImgUpOutLineSize(8);
    button->setPicture(solid(16, 16, qRgb(255, 255, 255))); // the first pass
    EXPECT_EQ(imgTemp()->x(), 0 + 2) << "a new instance has drawn no frame yet";
    button->Redraw();
    EXPECT_EQ(imgTemp()->x(), 3 + 2);
    button->setButtonState(Btn::bUp);
    button->Redraw();
    EXPECT_EQ(imgTemp()->x(), 3 + 2);
    button->Redraw();
    EXPECT_EQ(imgTemp()->x(), 8 + 2);
}

TEST_F(Pass, PictureModeSizesTheButtonToThePictureInTwips) {
    button->setButtonAttrib(Btn::btnImage);
    button->setPicture(solid(48, 32, qRgb(0, 0, 255)));
    EXPECT_EQ(button->outerSizeTwips(), QSize(720, 480));
    EXPECT_EQ(button->size(), QSize(48, 32));
    EXPECT_EQ(button->pictureAlignment(), Btn::btnAuto);
    EXPECT_FALSE(imgTemp()->isVisibleTo(button));
    EXPECT_EQ(button->surface().size(), QSize(48, 32));
    EXPECT_EQ(button->surface().picture().size(), QSize(48, 32));
}

TEST_F(Pass, ResizingAPaintedButtonRedrawsItAndMarksTheResize) {
    button->resize(60, 40);
    EXPECT_FALSE(m().Painted);
    host->show(); // shown: the first pass runs
    ASSERT_TRUE(m().Painted);
    button->resize(80, 40);
    EXPECT_TRUE(m().ResizePending);
    EXPECT_EQ(button->surface().size(), QSize(80, 40));
    EXPECT_EQ(at(79, 0), builtinCellPixel(0, 17, 0)) << "the frame was drawn at the new size";
}

TEST_F(Pass, OwnerDrawHandsOverTheClearedSurfaceOncePerPassAndTouchesNothingElse) {
    button->setCaption("Go");
    button->setPicture(solid(16, 16, qRgb(255, 255, 255)));
    button->setAlphaNormal(100);
    button->Redraw();
    const QRect labelBefore = lbl()->geometry();
    const QRect pictureBefore = imgTemp()->geometry();
    const bool pictureVisible = imgTemp()->isVisibleTo(button);
    const QImage currentBefore = m().CurrentPicture;

    QList<Btn::eBtnState> states;
    QObject::connect(button, &TorvelImageButton::OwnerDraw, [&](QImage* hdc, Btn::eBtnState state) {
        states << state;
        ASSERT_NE(hdc, nullptr);
        EXPECT_EQ(hdc->pixel(50, 15), kFace) << "cleared to BackColor";
        EXPECT_EQ(hdc->pixel(1, 1), kFace);
        hdc->setPixel(5, 5, qRgb(255, 0, 0));
    });
    button->setOwnerDraw(true);
    button->setButtonState(Btn::bDown);
    button->setCaption("Other");
    button->setPicture(solid(20, 20, qRgb(0, 0, 0)));
    EXPECT_EQ(states, (QList<Btn::eBtnState>{Btn::bNormal, Btn::bDown, Btn::bDown}))
        << "setOwnerDraw, setCaption (painted), setPicture";
    EXPECT_EQ(at(5, 5), qRgb(255, 0, 0)) << "what the host drew stays";
    EXPECT_EQ(lbl()->geometry(), labelBefore);
    EXPECT_EQ(lbl()->text(), "Go");
    EXPECT_EQ(imgTemp()->geometry(), pictureBefore);
    EXPECT_EQ(imgTemp()->isVisibleTo(button), pictureVisible);
    EXPECT_EQ(m().CurrentPicture, currentBefore);
}

TEST_F(Pass, OwnerDrawnFromTheStartNeverCountsAsPainted) {
    button->setOwnerDraw(true);
    button->Redraw();
    EXPECT_FALSE(m().Painted);
}

TEST_F(Pass, TheFaceSurvivesRepaints) {
    button->setImageList(coordinateStrip());
    host->show();
    const QImage first = button->grab().toImage();
    const QImage second = button->grab().toImage();
    EXPECT_EQ(sourceOf(first.pixel(1, 1)), (Source{0, 1, 1}));
    EXPECT_EQ(first, second);
}

TEST_F(Pass, DegenerateSizesAndLoadedExtremesDrawWithoutFault) {
    common::FilePropertyBag bag;
    bag.writeProperty("ImgOutLineSize", QVariant::fromValue(qint16(30000))); // 2 * O overflows
    bag.writeProperty("PictureOffsetX", QVariant::fromValue(qint16(32767)));
    bag.writeProperty("CaptionOffsetY", QVariant::fromValue(qint16(-32768)));
    bag.writeProperty("ImageListWidth", QVariant::fromValue(qint16(-4)));
    bag.writeProperty("AlphaNormal", QVariant::fromValue(qint16(-20)));
    bag.writeProperty("Picture", solid(16, 16, qRgb(1, 2, 3)));
    button->readProperties(bag);
    for (const QSize size : {QSize(100, 30), QSize(0, 0), QSize(1, 1), QSize(4, 40)}) {
        button->resize(size);
        button->Redraw();
        EXPECT_EQ(button->surface().size(), size);
    }
    button->setImgOutLineSize(20); // wider than the 4-pixel button
    button->setImageList(coordinateStrip(3, 2));
    button->Redraw();
    EXPECT_TRUE(m().Painted);
}

} // namespace
