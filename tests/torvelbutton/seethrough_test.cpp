#include "buttontestsupport.h"

#include "common/propertybag.h"

#include <QPainter>
#include <QTest>
#include <QTimer>

namespace {

using namespace buttontest;

// A form whose own pixels name where they are: red = x, green = y (both modulo 256).
class PatternForm : public QWidget {
public:
    static QRgb at(int x, int y) { return qRgb(x % 256, y % 256, 99); }

protected:
    void paintEvent(QPaintEvent*) override {
        QImage picture(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y) {
            for (int x = 0; x < width(); ++x) {
                picture.setPixel(x, y, at(x, y));
            }
        }
        QPainter(this).drawImage(0, 0, picture);
    }
};

constexpr int kWait = 10000; // ms; every wait ends as soon as its condition holds

class SeeThrough : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<PatternForm>();
        form->setFont(QFont("DejaVu Sans", 9));
        form->resize(300, 200);
        form->move(40, 40);
        button = new TorvelImageButton(form.get());
        button->setObjectName("cmdSee");
        button->setGeometry(30, 50, 100, 30);
        button->initProperties();
        form->show();
    }

    const torvelbutton::ButtonMembers& m() const { return torvelbutton::buttonMembers(*button); }
    QRgb at(int x, int y) const { return button->surface().image().pixel(x, y); }
    QTimer* timer2() const { return button->findChild<QTimer*>("Timer2"); }
    qint64 snapshotKey() const { return button->surface().picture().cacheKey(); }

    // True when the face shows the form's pixels under the button placed at (left, top).
    bool showsFormAt(int left, int top) const {
        return at(50, 15) == PatternForm::at(left + 50, top + 15) &&
               at(10, 20) == PatternForm::at(left + 10, top + 20);
    }

    // Waits until a tick has recorded the present placements.
    bool tickSeen() {
        return QTest::qWaitFor(
            [&] {
                return m().FirstTickDone && m().PrevOwnLeft == button->x() &&
                       m().PrevOwnTop == button->y() && m().PrevParentLeft == form->x();
            },
            kWait);
    }

    std::unique_ptr<PatternForm> form;
    TorvelImageButton* button = nullptr;
};

TEST_F(SeeThrough, TheFaceShowsTheFormsPixelsUnderTheButtonWithSkinEdges) {
    button->setAlphaNormal(10); // no effect without a picture to tint
    button->setButtonTransparent(Btn::Transparent);
    EXPECT_TRUE(showsFormAt(30, 50));
    EXPECT_EQ(at(1, 1), builtinCellPixel(0, 1, 1)) << "the edges are the skin's";
    EXPECT_TRUE(timer2()->isActive());
    EXPECT_TRUE(m().TransparentPicture.isNull()) << "a top-level parent: not kept";
}

TEST_F(SeeThrough, AMoveOnAStillFormTakesANewSnapshotAMoveOfTheFormDoesNot) {
    button->setButtonTransparent(Btn::Transparent);
    ASSERT_TRUE(tickSeen());
    button->move(120, 90);
    ASSERT_TRUE(QTest::qWaitFor([&] { return showsFormAt(120, 90); }, kWait));

    ASSERT_TRUE(tickSeen());
    const qint64 before = snapshotKey();
    form->move(90, 70);
    ASSERT_TRUE(tickSeen());
    EXPECT_EQ(snapshotKey(), before);
    EXPECT_TRUE(showsFormAt(120, 90));
}

TEST_F(SeeThrough, AResizeTakesANewSnapshotOfTheNewSize) {
    button->setButtonTransparent(Btn::Transparent);
    ASSERT_TRUE(tickSeen());
    button->resize(140, 50);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return button->surface().picture().size() == QSize(140, 50); }, kWait));
    EXPECT_EQ(at(120, 40), PatternForm::at(30 + 120, 50 + 40));
}

TEST_F(SeeThrough, RefreshWithAnUnchangedEnabledStateTakesNoSnapshot) {
    button->setButtonTransparent(Btn::Transparent);
    const qint64 before = snapshotKey();
    button->Refresh();
    EXPECT_EQ(snapshotKey(), before);
}

TEST_F(SeeThrough, ADisabledParentStopsTheWatch) {
    button->setButtonTransparent(Btn::Transparent);
    ASSERT_TRUE(timer2()->isActive());
    form->setEnabled(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timer2()->isActive(); }, kWait));
    EXPECT_EQ(m().ParentEnabled, 0);
}

TEST_F(SeeThrough, InAFrameTheSnapshotIsKeptWithTheInstanceAndShownOnTheNextLoad) {
    auto* frame = new PatternForm;
    frame->setParent(form.get());
    frame->setGeometry(10, 10, 250, 150);
    button->setParent(frame);
    button->move(30, 50);
    frame->show();
    button->show();
    button->setButtonTransparent(Btn::Transparent);
    ASSERT_FALSE(m().TransparentPicture.isNull());
    EXPECT_EQ(m().TransparentPicture.pixel(50, 15), PatternForm::at(30 + 50, 50 + 15));

    common::FilePropertyBag bag;
    button->writeProperties(bag);
    auto* loaded = new TorvelImageButton(frame);
    loaded->setObjectName("cmdSee2");
    loaded->setGeometry(140, 100, 100, 30); // elsewhere: the kept snapshot still shows
    loaded->readProperties(bag);
    loaded->show();
    ASSERT_TRUE(loaded->findChild<QTimer*>("Timer2")->isActive());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return torvelbutton::buttonMembers(*loaded).FirstTickDone; }, kWait));
    EXPECT_EQ(loaded->surface().image().pixel(50, 15), PatternForm::at(30 + 50, 50 + 15));
}

TEST_F(SeeThrough, APictureLookOrNoneStopsTheWatch) {
    button->setButtonTransparent(Btn::Transparent);
    button->setButtonAttrib(Btn::btnImage_Only);
    EXPECT_EQ(button->buttonTransparent(), Btn::None_Transparent);
    EXPECT_FALSE(timer2()->isActive());
}

} // namespace
