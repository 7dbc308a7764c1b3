#include "buttontestsupport.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

using namespace buttontest;

// Hosts a shown form and records the events a button raises, in order, with the state the
// button had when each was raised.
class EventLog {
public:
    void watch(TorvelImageButton* b, const QString& name = {}) {
        const QString prefix = name.isEmpty() ? QString() : name + ":";
        auto add = [this, b, prefix](const QString& e) {
            entries << prefix + e;
            states << torvelbutton::buttonMembers(*b).ButtonState;
        };
        QObject::connect(b, &Btn::Click, [add] { add("Click"); });
        QObject::connect(b, &Btn::DblClick, [add] { add("DblClick"); });
        QObject::connect(b, &Btn::MouseExit, [add] { add("MouseExit"); });
        QObject::connect(b, &Btn::MouseDown,
                         [add, this](short& button, short&, float& x, float& y) {
                             add("MouseDown");
                             points << QPointF(x, y);
                             buttons << button;
                         });
        QObject::connect(b, &Btn::MouseMove,
                         [add, this](short& button, short&, float& x, float& y) {
                             add("MouseMove");
                             points << QPointF(x, y);
                             buttons << button;
                         });
        QObject::connect(b, &Btn::MouseUp, [add, this](short& button, short&, float& x, float& y) {
            add("MouseUp");
            points << QPointF(x, y);
            buttons << button;
        });
    }

    QStringList entries;
    QList<int> states;
    QList<QPointF> points;
    QList<short> buttons;
};

class Interaction : public HostedButton {
protected:
    void SetUp() override {
        HostedButton::SetUp();
        host->resize(400, 300);
        button->move(20, 20);
        host->show();
        log.watch(button);
    }

    // Puts the cursor at (x, y) of w's client area: the rules read it from there.
    static void cursorAt(QWidget* w, int x, int y) {
        QCursor::setPos(w->mapToGlobal(QPoint(x, y)));
    }

    // A mouse event delivered to w with the cursor at (x, y) of w; the event itself names a
    // point far away, which the rules must not use.
    static void send(QWidget* w, QEvent::Type type, Qt::MouseButton b, int x, int y,
                     Qt::MouseButtons held = Qt::NoButton) {
        cursorAt(w, x, y);
        const QPointF bogus(-500, -500);
        QMouseEvent e(type, bogus, w->mapToGlobal(bogus), b,
                      type == QEvent::MouseButtonRelease ? held : (held | b), Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    static void press(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        send(w, QEvent::MouseButtonPress, b, x, y);
    }
    static void release(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        send(w, QEvent::MouseButtonRelease, b, x, y);
    }
    static void moveTo(QWidget* w, int x, int y, Qt::MouseButtons held = Qt::NoButton) {
        send(w, QEvent::MouseMove, Qt::NoButton, x, y, held);
    }
    static void clickOn(QWidget* w) {
        press(w, 5, 5);
        release(w, 5, 5);
    }

    QTimer* timer1() const { return button->findChild<QTimer*>("Timer1"); }

    EventLog log;
};

TEST_F(Interaction, HoverPressReleaseInsideThenLeave) {
    moveTo(button, 10, 10);
    EXPECT_EQ(m().ButtonState, Btn::bUp);
    EXPECT_TRUE(timer1()->isActive());
    press(button, 11, 12);
    EXPECT_EQ(m().ButtonState, Btn::bDown);
    release(button, 12, 13);
    EXPECT_EQ(m().ButtonState, Btn::bUp);
    EXPECT_EQ(log.entries, (QStringList{"MouseMove", "MouseDown", "MouseUp", "Click"}));
    EXPECT_EQ(log.states, (QList<int>{Btn::bUp, Btn::bDown, Btn::bUp, Btn::bUp}));
    // The events carry the cursor's position, not the event's.
    EXPECT_EQ(log.points, (QList<QPointF>{{10, 10}, {11, 12}, {12, 13}}));

    cursorAt(button, 150, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.entries.contains("MouseExit"); }, 10000));
    EXPECT_EQ(log.entries.last(), "MouseExit");
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
    EXPECT_FALSE(timer1()->isActive());
}

TEST_F(Interaction, PressDragOutReleaseOutside) {
    press(button, 10, 10);
    moveTo(button, 12, 10, Qt::LeftButton); // hover starts with the button held: bDown
    EXPECT_EQ(m().ButtonState, Btn::bDown);
    moveTo(button, 14, 10, Qt::LeftButton);
    moveTo(button, 300, 10, Qt::LeftButton); // outside: nothing
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.entries.contains("MouseExit"); }, 10000));
    EXPECT_EQ(m().ButtonState, Btn::bDown) << "the pressed look stays until the release";
    release(button, 300, 10);
    EXPECT_EQ(log.entries, (QStringList{"MouseDown", "MouseMove", "MouseMove", "MouseExit",
                                        "MouseUp", "Click"}));
    EXPECT_EQ(log.buttons.mid(1, 2), (QList<short>{1, 1}));
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
}

TEST_F(Interaction, RightButtonPressAndReleaseDoNothingButItsMoveHovers) {
    button->setValue(true);
    press(button, 10, 10, Qt::RightButton);
    release(button, 10, 10, Qt::RightButton);
    EXPECT_TRUE(log.entries.isEmpty());
    EXPECT_TRUE(button->value());
    moveTo(button, 10, 10, Qt::RightButton);
    EXPECT_EQ(m().ButtonState, Btn::bUp);
    EXPECT_EQ(log.entries, QStringList{"MouseMove"});
}

TEST_F(Interaction, TheFarEdgesCountAsInside) {
    press(button, 100, 30); // x = width, y = height
    EXPECT_EQ(log.entries, QStringList{"MouseDown"});
    press(button, 101, 30);
    press(button, -1, 0);
    EXPECT_EQ(log.entries, QStringList{"MouseDown"});
    release(button, 100, 30);
    EXPECT_EQ(m().ButtonState, Btn::bUp);
    release(button, 100, 31);
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
}

TEST_F(Interaction, CheckRuleByCheckOption) {
    const struct {
        int option;
        bool before;
        bool after;
    } rows[] = {
        {Btn::btnChecked, false, true},
        {Btn::btnChecked, true, false},
        {Btn::Not_Used, true, false},
        {Btn::Not_Used, false, false},
        {7, true, false}, // not a member of the enumeration: cleared like Not_Used
        {Btn::btnOption, false, true},
        {Btn::btnOption, true, true},
    };
    for (const auto& row : rows) {
        button->setCheckOption(static_cast<Btn::eChecked>(row.option));
        button->setValue(row.before);
        log.entries.clear();
        clickOn(button);
        EXPECT_EQ(button->value(), row.after) << row.option << " " << row.before;
        // Placing the cursor may deliver moves while the option group is worked out
        // (pending events are processed then); the order of the others is fixed.
        log.entries.removeAll("MouseMove");
        EXPECT_EQ(log.entries, (QStringList{"MouseDown", "MouseUp", "Click"}));
    }
}

TEST_F(Interaction, ValueChangesBeforeMouseUpAndClick) {
    button->setCheckOption(Btn::btnChecked);
    QList<bool> seen;
    QObject::connect(button, &Btn::MouseUp,
                     [&](short&, short&, float&, float&) { seen << button->value(); });
    QObject::connect(button, &Btn::Click, [&] { seen << button->value(); });
    clickOn(button);
    EXPECT_EQ(seen, (QList<bool>{true, true}));
}

TEST_F(Interaction, ThreeOptionButtonsOnTheFormFormOneGroup) {
    QList<TorvelImageButton*> group{button, new TorvelImageButton(host.get()),
                                    new TorvelImageButton(host.get())};
    for (int i = 0; i < 3; ++i) {
        group[i]->setObjectName(QString("optGo%1").arg(i));
        group[i]->initProperties();
        group[i]->move(20, 60 + 40 * i);
        group[i]->show();
        group[i]->setCheckOption(Btn::btnOption);
        group[i]->setValue(true);
        EXPECT_EQ(group[i]->ReturnContanerHwnd(), -1);
    }
    clickOn(group[1]);
    EXPECT_EQ((QList<bool>{group[0]->value(), group[1]->value(), group[2]->value()}),
              (QList<bool>{false, true, false}));
    clickOn(group[1]);
    EXPECT_TRUE(group[1]->value()) << "releasing over it again keeps it checked";
    clickOn(group[2]);
    EXPECT_EQ((QList<bool>{group[0]->value(), group[1]->value(), group[2]->value()}),
              (QList<bool>{false, false, true}));
}

TEST_F(Interaction, ALabelBeforeTheFramesDoesNotMergeTheirGroups) {
    // The form's order: a label, then two frames with option buttons, then one on the form.
    auto* label = new QLabel("Pick one", host.get());
    label->stackUnder(button); // still earlier among the form's children
    auto* frameA = new QFrame(host.get());
    auto* frameB = new QFrame(host.get());
    frameA->setGeometry(150, 0, 120, 120);
    frameB->setGeometry(270, 0, 120, 120);
    auto makeIn = [](QWidget* parent, const char* name) {
        auto* b = new TorvelImageButton(parent);
        b->setObjectName(name);
        b->initProperties();
        b->resize(100, 30);
        b->setCheckOption(Btn::btnOption);
        b->show();
        return b;
    };
    TorvelImageButton* a1 = makeIn(frameA, "a1");
    TorvelImageButton* a2 = makeIn(frameA, "a2");
    TorvelImageButton* b1 = makeIn(frameB, "b1");
    button->setCheckOption(Btn::btnOption);
    frameA->show();
    frameB->show();

    EXPECT_EQ(a1->ReturnContanerHwnd(), qint64(reinterpret_cast<quintptr>(frameA)));
    EXPECT_EQ(b1->ReturnContanerHwnd(), qint64(reinterpret_cast<quintptr>(frameB)));
    EXPECT_EQ(button->ReturnContanerHwnd(), -1);

    a1->setValue(true);
    b1->setValue(true);
    button->setValue(true);
    clickOn(a2);
    EXPECT_TRUE(a2->value());
    EXPECT_FALSE(a1->value()) << "same frame: one group";
    EXPECT_TRUE(b1->value()) << "another frame is another group";
    EXPECT_TRUE(button->value()) << "the form's own buttons are another group";
}

TEST_F(Interaction, EnterAndEscReachTheDefaultAndCancelButtons) {
    auto* other = new TorvelImageButton(host.get());
    other->setObjectName("cmdCancel");
    other->initProperties();
    other->show();
    EventLog otherLog;
    otherLog.watch(other);
    button->setDefault(true);
    button->setCheckOption(Btn::btnChecked);
    other->setCancel(true);

    QTest::keyClick(host.get(), Qt::Key_Return);
    EXPECT_EQ(log.entries, QStringList{"Click"});
    EXPECT_FALSE(button->value()) << "Enter does not run the check rule";
    EXPECT_EQ(m().ButtonState, Btn::bNormal);
    EXPECT_TRUE(otherLog.entries.isEmpty());
    QTest::keyClick(host.get(), Qt::Key_Escape);
    EXPECT_EQ(otherLog.entries, QStringList{"Click"});
    EXPECT_EQ(log.entries, QStringList{"Click"});

    button->setCancel(true);
    button->AccessKeyPress(27);
    button->AccessKeyPress(13);
    button->AccessKeyPress(32);
    EXPECT_EQ(log.entries, (QStringList{"Click", "Click", "Click"}));
}

TEST_F(Interaction, KeysArePassedThroughByReference) {
    QList<int> codes;
    QObject::connect(button, &Btn::KeyDown,
                     [&](short& code, short& shift) { codes << code << shift; });
    QObject::connect(button, &Btn::KeyPress, [&](short& ascii) { codes << ascii; });
    QObject::connect(button, &Btn::KeyUp, [&](short& code, short&) { codes << -code; });
    QKeyEvent down(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A");
    QApplication::sendEvent(button, &down);
    QApplication::sendEvent(button, &up);
    EXPECT_EQ(codes, (QList<int>{65, 1, 'A', -65}));
}

TEST_F(Interaction, DoubleClickRaisesDblClickOnly) {
    cursorAt(button, 5, 5);
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(button, &e);
    EXPECT_EQ(log.entries, QStringList{"DblClick"});
}

TEST_F(Interaction, AHandlerMayDeleteTheButton) {
    QPointer<TorvelImageButton> watched(button);
    QObject::connect(button, &Btn::MouseUp, [&](short&, short&, float&, float&) { delete button; });
    clickOn(button);
    EXPECT_TRUE(watched.isNull());
    EXPECT_FALSE(log.entries.contains("Click"));
}

struct FollowCase {
    const char* displayName;
    const char* caption;
    const char* expected;
};

class CaptionFollow : public HostedButton, public ::testing::WithParamInterface<FollowCase> {};

TEST_P(CaptionFollow, TakesTheBaseNameWhenTheCaptionCarriesIt) {
    const FollowCase c = GetParam();
    button->setCaption(c.caption);
    button->setObjectName(c.displayName); // the display name changes: the rule runs
    EXPECT_EQ(button->caption(), c.expected);
    if (QString(c.expected) != c.caption) {
        EXPECT_EQ(button->captionChecked(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CaptionFollow,
                         ::testing::Values(FollowCase{"cmdGo(2)", "cmdGo1", "cmdGo"},
                                           FollowCase{"cmdGo(2)", "OK", "OK"},
                                           FollowCase{"cmdGo2", "cmdGo1", "cmdGo1"},
                                           FollowCase{"cmdGo(2)", "", ""},
                                           FollowCase{"(2)", "cmdGo1", "cmdGo1"},
                                           FollowCase{"cmd7(3)", "cmd71", "cmd7"}));

TEST_F(HostedButton, AResizeBeforeTheFirstPassOnlyMarksIt) {
    // Owner drawn from the start: shown, but no complete pass has run.
    button->setOwnerDraw(true);
    host->show();
    ASSERT_FALSE(m().Painted);
    const int passes = redrawsDuring([&] { button->resize(120, 40); });
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(m().Painted);
    EXPECT_TRUE(m().ResizePending);
}

TEST_F(HostedButton, DisplayAsDefaultSetsDefaultButNeverClearsIt) {
    button->setProperty("DisplayAsDefault", true);
    EXPECT_TRUE(button->isDefault());
    button->setProperty("DisplayAsDefault", false);
    EXPECT_TRUE(button->isDefault());
}

TEST_F(HostedButton, TheEndRuleStopsTheWatchAndLetsGoOfThePictures) {
    button->setPicture(solid(8, 8, qRgb(1, 2, 3)));
    QImage kept = button->picture();
    QPointer<QTimer> timer2 = button->findChild<QTimer*>("Timer2");
    delete button;
    EXPECT_TRUE(timer2.isNull());
    EXPECT_TRUE(kept.isDetached()) << "the button holds no reference any more";
}

} // namespace
