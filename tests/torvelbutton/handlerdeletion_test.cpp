// A host's handler may delete the button (or the form holding it) inside any event or change
// notice the button raises. Each interaction below is first run once to record every signal
// it raises; it is then run again once per recorded signal, with a handler that deletes at
// that signal. The signals before the deletion must be the recorded ones, the deleted button
// must raise nothing more, and the sanitizers must see no use of freed memory.
#include "buttontestsupport.h"

#include "common/propertybag.h"

#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

using namespace buttontest;

// The looks a button is drawn in: each runs another part of the paint pipeline.
enum class Look {
    Plain,         // no picture: the caption alone
    FramedPicture, // the picture blended into the framed face
    PictureOnly,   // the button takes each picture's size (a resize inside every pass)
    OwnerDrawn,    // the host draws, through the OwnerDraw event
};

std::string lookName(const ::testing::TestParamInfo<Look>& info) {
    switch (info.param) {
    case Look::Plain:
        return "Plain";
    case Look::FramedPicture:
        return "FramedPicture";
    case Look::PictureOnly:
        return "PictureOnly";
    case Look::OwnerDrawn:
        return "OwnerDrawn";
    }
    return "Unknown";
}

void applyLook(Btn* b, Look look) {
    switch (look) {
    case Look::Plain:
        break;
    case Look::FramedPicture:
        b->setPicture(solid(12, 12, qRgb(200, 0, 0)));
        b->setPictureOVER(solid(12, 12, qRgb(0, 200, 0)));
        b->setPictureDOWN(solid(12, 12, qRgb(0, 0, 200)));
        b->setPictureChecked(solid(12, 12, qRgb(200, 200, 0)));
        break;
    case Look::PictureOnly:
        b->setButtonAttrib(Btn::btnImage_Only);
        b->setPicture(solid(40, 24, qRgb(200, 0, 0)));
        b->setPictureOVER(solid(44, 26, qRgb(0, 200, 0)));
        b->setPictureDOWN(solid(48, 28, qRgb(0, 0, 200)));
        b->setPictureChecked(solid(36, 22, qRgb(200, 200, 0)));
        break;
    case Look::OwnerDrawn:
        b->setOwnerDraw(true);
        break;
    }
}

enum class Victim {
    Sender,   // the button whose signal is being handled
    Operated, // the button the interaction works on (another one in an option group)
    Form,     // the form, and every button on it with it
};

const char* victimName(Victim v) {
    switch (v) {
    case Victim::Sender:
        return "the sender";
    case Victim::Operated:
        return "the operated button";
    case Victim::Form:
        return "the form";
    }
    return "?";
}

// The number of signals TorvelImageButton declares; Recorder::watch connects to each.
constexpr int kDeclaredSignals = 17;

// A shown form with the operated button cmdGo and, for option groups, two more option
// buttons; the cursor rests inside cmdGo and no hover is running. Every signal of every
// button is recorded once recording is armed, and the handler of signal number deleteAt
// (1-based) deletes the victim.
class Stage {
public:
    Stage(Look look, bool group) {
        host = std::make_unique<QWidget>();
        host->setFont(QFont("DejaVu Sans", 9));
        host->resize(300, 200);
        button = make("cmdGo", QPoint(20, 20), look);
        if (group) {
            siblings << make("optA", QPoint(20, 80), look) << make("optB", QPoint(20, 130), look);
            for (Btn* b : buttons()) {
                b->setCheckOption(Btn::btnOption);
            }
            for (Btn* b : siblings) {
                b->setValue(true);
            }
        }
        host->show();
        cursorAt(5, 5);
        // The cursor's placement reaches the form as a move, which may start a hover: let
        // it pass, then start from a button at rest, drawn (and sized) as such.
        QCoreApplication::processEvents();
        for (Btn* b : buttons()) {
            b->findChild<QTimer*>("Timer1")->stop();
            b->setButtonState(Btn::bNormal);
            b->Redraw();
            watch(b);
        }
    }

    QList<Btn*> buttons() const {
        QList<Btn*> all{button.data()};
        for (const QPointer<Btn>& b : siblings) {
            all << b.data();
        }
        return all;
    }

    // Places the cursor at (x, y) of cmdGo: the rules read it from there.
    void cursorAt(int x, int y) const {
        QCursor::setPos(host->mapToGlobal(QPoint(20 + x, 20 + y)));
    }

    // Mouse and key events straight to the operated button (the cursor stays where it is).
    void mouse(QEvent::Type type, Qt::MouseButton which, Qt::MouseButtons held = Qt::NoButton) {
        const QPointF at(5, 5);
        QMouseEvent e(type, at, button->mapToGlobal(at), which, held, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }
    void press() { mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton); }
    void release() { mouse(QEvent::MouseButtonRelease, Qt::LeftButton); }
    void move(Qt::MouseButtons held = Qt::NoButton) {
        mouse(QEvent::MouseMove, Qt::NoButton, held);
    }
    static void key(QWidget* to, QEvent::Type type, int code, const QString& text) {
        QKeyEvent e(type, code, Qt::NoModifier, text);
        QApplication::sendEvent(to, &e);
    }

    // Waits until done() holds or the operated button is gone.
    template <typename F>
    bool waitFor(F&& done) {
        return QTest::qWaitFor([&] { return !button || done(); }, 10000);
    }

    std::unique_ptr<QWidget> host;
    QPointer<Btn> button;
    QList<QPointer<Btn>> siblings;
    QMimeData mime;

    bool armed = false;
    QStringList seen;
    int deleteAt = 0;
    Victim victim = Victim::Sender;
    QString deletedName; // the object name of the button deleted as the sender

private:
    Btn* make(const char* name, QPoint at, Look look) {
        auto* b = new TorvelImageButton(host.get());
        b->setObjectName(name);
        b->resize(100, 30);
        b->initProperties();
        b->move(at);
        applyLook(b, look);
        return b;
    }

    void hit(Btn* sender, const QString& name, const QString& what) {
        if (!armed) {
            return;
        }
        seen << name + ':' + what;
        if (seen.size() != deleteAt) {
            return;
        }
        switch (victim) {
        case Victim::Sender:
            deletedName = name;
            delete sender;
            break;
        case Victim::Operated:
            delete button.data();
            break;
        case Victim::Form:
            delete host.release();
            break;
        }
    }

    void watch(Btn* b) {
        const QString name = b->objectName();
        auto on = [this, b, name](const QString& what) { hit(b, name, what); };
        QObject::connect(b, &Btn::propertyChanged,
                         [on](const QString& key) { on("propertyChanged " + key); });
        QObject::connect(b, &Btn::OwnerDraw,
                         [on](QImage*, Btn::eBtnState) { on(QStringLiteral("OwnerDraw")); });
        QObject::connect(b, &Btn::Click, [on] { on(QStringLiteral("Click")); });
        QObject::connect(b, &Btn::DblClick, [on] { on(QStringLiteral("DblClick")); });
        QObject::connect(b, &Btn::MouseExit, [on] { on(QStringLiteral("MouseExit")); });
        QObject::connect(b, &Btn::MouseMove,
                         [on](short&, short&, float&, float&) { on(QStringLiteral("MouseMove")); });
        QObject::connect(b, &Btn::MouseUp,
                         [on](short&, short&, float&, float&) { on(QStringLiteral("MouseUp")); });
        QObject::connect(b, &Btn::MouseDown,
                         [on](short&, short&, float&, float&) { on(QStringLiteral("MouseDown")); });
        QObject::connect(b, &Btn::KeyDown, [on](short&, short&) { on(QStringLiteral("KeyDown")); });
        QObject::connect(b, &Btn::KeyPress, [on](short&) { on(QStringLiteral("KeyPress")); });
        QObject::connect(b, &Btn::KeyUp, [on](short&, short&) { on(QStringLiteral("KeyUp")); });
        QObject::connect(b, &Btn::OLECompleteDrag,
                         [on](qint32&) { on(QStringLiteral("OLECompleteDrag")); });
        QObject::connect(b, &Btn::OLEDragOver,
                         [on](const QMimeData*&, qint32&, short&, short&, float&, float&,
                              short& state) { on(QStringLiteral("OLEDragOver %1").arg(state)); });
        QObject::connect(b, &Btn::OLEDragDrop,
                         [on](const QMimeData*&, qint32&, short&, short&, float&, float&) {
                             on(QStringLiteral("OLEDragDrop"));
                         });
        QObject::connect(b, &Btn::OLEGiveFeedback,
                         [on](qint32&, bool&) { on(QStringLiteral("OLEGiveFeedback")); });
        QObject::connect(b, &Btn::OLESetData,
                         [on](const QMimeData*&, short&) { on(QStringLiteral("OLESetData")); });
        QObject::connect(b, &Btn::OLEStartDrag,
                         [on](const QMimeData*&, qint32&) { on(QStringLiteral("OLEStartDrag")); });
    }
};

struct Interaction {
    const char* name;
    std::function<void(Stage&)> setup; // before recording
    std::function<void(Stage&)> act;   // recorded; stops once the operated button is gone
    bool group = false;                // cmdGo with two more option buttons
    // The form itself is receiving the event the signal comes from: Qt goes on with the
    // receiver after its event filters, so deleting the form there is the host's fault.
    bool formReceives = false;
};

void noSetup(Stage&) {}

// Signal lists as gtest prints them well.
std::vector<std::string> listed(const QStringList& signalList) {
    std::vector<std::string> out;
    for (const QString& e : signalList) {
        out.push_back(e.toStdString());
    }
    return out;
}

// The host takes drops on the button (Qt passes the later drag events only to a target that
// took the drag).
void takeDrops(Stage& s) {
    QObject::connect(s.button, &Btn::OLEDragOver,
                     [](const QMimeData*&, qint32& effect, short&, short&, float&, float&, short&) {
                         effect = 1;
                     });
}

// Runs the interaction once without deleting, and returns what it raised.
QStringList reference(const Interaction& row, Look look) {
    Stage s(look, row.group);
    row.setup(s);
    s.armed = true;
    row.act(s);
    return s.seen;
}

// The signals expected when the victim was deleted at signal k of the reference: the first
// k, then only those of the buttons still there.
QStringList expectedAfterDeletion(const QStringList& ref, int k, const QString& deletedSibling) {
    QStringList expected = ref.mid(0, k);
    if (deletedSibling.isEmpty()) {
        return expected;
    }
    for (const QString& e : ref.mid(k)) {
        if (!e.startsWith(deletedSibling + ':')) {
            expected << e;
        }
    }
    return expected;
}

// Runs the interaction with a deleting handler at each of its signals in turn, and adds the
// kinds of signal it raised (without the sender's name) to kinds.
void deleteAtEverySignal(const Interaction& row, Look look, QSet<QString>& kinds) {
    SCOPED_TRACE(row.name);
    const QStringList ref = reference(row, look);
    ASSERT_EQ(listed(reference(row, look)), listed(ref)) << "the recorded run is not repeatable";
    for (const QString& e : ref) {
        kinds << e.section(':', 1).section(' ', 0, 0);
    }

    QList<Victim> victims{Victim::Sender};
    if (row.group) {
        victims << Victim::Operated;
    }
    if (!row.formReceives) {
        victims << Victim::Form;
    }
    for (int k = 1; k <= ref.size(); ++k) {
        for (const Victim victim : victims) {
            SCOPED_TRACE(QString("deleting %1 at %2 (signal %3)")
                             .arg(QLatin1String(victimName(victim)), ref[k - 1])
                             .arg(k)
                             .toStdString());
            Stage s(look, row.group);
            row.setup(s);
            QPointer<QWidget> form(s.host.get());
            s.deleteAt = k;
            s.victim = victim;
            s.armed = true;
            row.act(s);

            ASSERT_GE(s.seen.size(), k);
            const bool siblingGone = victim == Victim::Sender && s.deletedName != "cmdGo";
            if (victim == Victim::Form) {
                EXPECT_TRUE(form.isNull());
            } else if (!siblingGone) {
                EXPECT_TRUE(s.button.isNull());
            }
            if (victim == Victim::Operated) {
                // A sibling whose handler deleted it finishes its own step first.
                EXPECT_EQ(listed(s.seen), listed(ref.mid(0, s.seen.size())));
                for (const QString& e : s.seen.mid(k)) {
                    EXPECT_FALSE(e.startsWith("cmdGo:")) << e.toStdString();
                }
            } else {
                EXPECT_EQ(listed(s.seen),
                          listed(expectedAfterDeletion(ref, k, siblingGone ? s.deletedName : "")));
            }
            // What is left still works.
            for (Btn* b : s.buttons()) {
                if (b) {
                    b->Refresh();
                }
            }
        }
    }
}

// ---- the interactions -------------------------------------------------------------------

const QList<Interaction>& mouseAndKeyRows() {
    static const QList<Interaction> rows = {
        {"hover in", noSetup, [](Stage& s) { s.move(); }},
        {"hover in with the left button held", noSetup, [](Stage& s) { s.move(Qt::LeftButton); }},
        {"move while hovering", [](Stage& s) { s.move(); }, [](Stage& s) { s.move(); }},
        {"press", noSetup, [](Stage& s) { s.press(); }},
        {"release of a plain button that was checked",
         [](Stage& s) {
             s.button->setValue(true);
             s.press();
         },
         [](Stage& s) { s.release(); }},
        {"release of a check button",
         [](Stage& s) {
             s.button->setCheckOption(Btn::btnChecked);
             s.press();
         },
         [](Stage& s) { s.release(); }},
        {"release of a checked check button",
         [](Stage& s) {
             s.button->setCheckOption(Btn::btnChecked);
             s.button->setValue(true);
             s.press();
         },
         [](Stage& s) { s.release(); }},
        {"release outside",
         [](Stage& s) {
             s.press();
             s.cursorAt(-10, -10);
             QCoreApplication::processEvents();
         },
         [](Stage& s) { s.release(); }},
        {"release in an option group", [](Stage& s) { s.press(); }, [](Stage& s) { s.release(); },
         true},
        {"click in an option group", noSetup,
         [](Stage& s) {
             s.press();
             if (s.button) {
                 s.release();
             }
         },
         true},
        {"hover out", [](Stage& s) { s.move(); },
         [](Stage& s) {
             s.cursorAt(-10, -10);
             EXPECT_TRUE(
                 s.waitFor([&] { return !s.button->findChild<QTimer*>("Timer1")->isActive(); }));
         }},
        {"hover out while pressed",
         [](Stage& s) {
             s.press();
             s.move(Qt::LeftButton);
         },
         [](Stage& s) {
             s.cursorAt(-10, -10);
             EXPECT_TRUE(
                 s.waitFor([&] { return !s.button->findChild<QTimer*>("Timer1")->isActive(); }));
         }},
        {"double click", noSetup,
         [](Stage& s) { s.mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton); }},
        {"key A", noSetup,
         [](Stage& s) {
             Stage::key(s.button, QEvent::KeyPress, Qt::Key_A, "a");
             if (s.button) {
                 Stage::key(s.button, QEvent::KeyRelease, Qt::Key_A, "a");
             }
         }},
        {"Enter on a Default button", [](Stage& s) { s.button->setDefault(true); },
         [](Stage& s) { Stage::key(s.button, QEvent::KeyPress, Qt::Key_Return, "\r"); }, false,
         true},
        {"Enter on the form of a Default button", [](Stage& s) { s.button->setDefault(true); },
         [](Stage& s) { Stage::key(s.host.get(), QEvent::KeyPress, Qt::Key_Return, "\r"); }, false,
         true},
        {"Esc on the form of a Cancel button", [](Stage& s) { s.button->setCancel(true); },
         [](Stage& s) { Stage::key(s.host.get(), QEvent::KeyPress, Qt::Key_Escape, "\x1b"); },
         false, true},
        {"access key Enter", [](Stage& s) { s.button->setDefault(true); },
         [](Stage& s) { s.button->AccessKeyPress(13); }},
        {"drag in, over and drop", takeDrops,
         [](Stage& s) {
             const QPoint at(5, 5);
             QDragEnterEvent enter(at, Qt::CopyAction, &s.mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(s.button, &enter);
             if (!s.button) {
                 return;
             }
             QDragMoveEvent over(at, Qt::CopyAction, &s.mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(s.button, &over);
             if (!s.button) {
                 return;
             }
             QDropEvent drop(at, Qt::CopyAction, &s.mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(s.button, &drop);
         }},
        {"drag in and out", takeDrops,
         [](Stage& s) {
             QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &s.mime, Qt::LeftButton,
                                   Qt::NoModifier);
             QApplication::sendEvent(s.button, &enter);
             if (!s.button) {
                 return;
             }
             QDragLeaveEvent leave;
             QApplication::sendEvent(s.button, &leave);
         }},
    };
    return rows;
}

Interaction setterRow(const char* name, std::function<void(Btn*)> set,
                      std::function<void(Btn*)> before = {}) {
    return {name,
            [before](Stage& s) {
                if (before) {
                    before(s.button);
                }
            },
            [set](Stage& s) { set(s.button); }};
}

const QList<Interaction>& setterRows() {
    static const QList<Interaction> rows = {
        setterRow("ImageList", [](Btn* b) { b->setImageList(coordinateStrip()); }),
        setterRow("Picture", [](Btn* b) { b->setPicture(solid(30, 20, qRgb(1, 2, 3))); }),
        setterRow("PictureOVER", [](Btn* b) { b->setPictureOVER(solid(30, 20, qRgb(1, 2, 3))); }),
        setterRow("PictureDOWN", [](Btn* b) { b->setPictureDOWN(solid(30, 20, qRgb(1, 2, 3))); }),
        setterRow("PictureChecked",
                  [](Btn* b) { b->setPictureChecked(solid(30, 20, qRgb(1, 2, 3))); }),
        setterRow(
            "PictureSelected on a selected button",
            [](Btn* b) { b->setPictureSelected(solid(30, 20, qRgb(1, 2, 3))); },
            [](Btn* b) { b->setButtonSelected(true); }),
        setterRow("ButtonSelected", [](Btn* b) { b->setButtonSelected(true); }),
        setterRow("CheckOption", [](Btn* b) { b->setCheckOption(Btn::btnChecked); }),
        setterRow("Value set", [](Btn* b) { b->setValue(true); }),
        setterRow(
            "Value cleared", [](Btn* b) { b->setValue(false); }, [](Btn* b) { b->setValue(true); }),
        setterRow(
            "CheckedDisable", [](Btn* b) { b->CheckedDisable(); },
            [](Btn* b) { b->setValue(true); }),
        setterRow("ForeColor", [](Btn* b) { b->setForeColor(0x000000FF); }),
        setterRow("BackColor", [](Btn* b) { b->setBackColor(0x00FF0000); }),
        setterRow("AlphaColor", [](Btn* b) { b->setAlphaColor(0x0000FF00); }),
        setterRow("Gap", [](Btn* b) { b->setGap(7); }),
        setterRow("CaptionOffsetX", [](Btn* b) { b->setCaptionOffsetX(3); }),
        setterRow("CaptionOffsetY", [](Btn* b) { b->setCaptionOffsetY(-3); }),
        setterRow("PictureOffsetX", [](Btn* b) { b->setPictureOffsetX(5); }),
        setterRow("PictureOffsetY", [](Btn* b) { b->setPictureOffsetY(5); }),
        setterRow("AlphaNormal", [](Btn* b) { b->setAlphaNormal(50); }),
        setterRow("AlphaUp refused", [](Btn* b) { b->setAlphaUp(101); }),
        setterRow("AlphaDown", [](Btn* b) { b->setAlphaDown(40); }),
        setterRow("AlphaDisable", [](Btn* b) { b->setAlphaDisable(30); }),
        setterRow("ImgOutLineSize", [](Btn* b) { b->setImgOutLineSize(5); }),
        setterRow("ImgUpOutLineSize", [](Btn* b) { b->setImgUpOutLineSize(5); }),
        setterRow("ImgDownOutLineSize", [](Btn* b) { b->setImgDownOutLineSize(5); }),
        setterRow("ImgDisableOutLineSize refused", [](Btn* b) { b->setImgDisableOutLineSize(21); }),
        setterRow("ImageListWidth", [](Btn* b) { b->setImageListWidth(20); }),
        setterRow("ImageListHeight", [](Btn* b) { b->setImageListHeight(20); }),
        setterRow("MousePointer", [](Btn* b) { b->setMousePointer(2); }),
        setterRow("PictureAlignment", [](Btn* b) { b->setPictureAlignment(Btn::btnRight); }),
        setterRow("Alignment", [](Btn* b) { b->setAlignment(Btn::btnTop); }),
        setterRow("ButtonAttrib to a picture look",
                  [](Btn* b) { b->setButtonAttrib(Btn::btnImage); }),
        setterRow(
            "ButtonAttrib to a picture look while see-through",
            [](Btn* b) { b->setButtonAttrib(Btn::btnImage_In); },
            [](Btn* b) { b->setButtonTransparent(Btn::Transparent); }),
        setterRow("ButtonAttrib to a framed look",
                  [](Btn* b) { b->setButtonAttrib(Btn::btnOutLine); }),
        setterRow("ButtonTransparent on",
                  [](Btn* b) { b->setButtonTransparent(Btn::Transparent); }),
        setterRow(
            "ButtonTransparent off", [](Btn* b) { b->setButtonTransparent(Btn::None_Transparent); },
            [](Btn* b) { b->setButtonTransparent(Btn::Transparent_IN); }),
        setterRow("Enabled off", [](Btn* b) { b->setButtonEnabled(false); }),
        setterRow(
            "Enabled on", [](Btn* b) { b->setButtonEnabled(true); },
            [](Btn* b) { b->setButtonEnabled(false); }),
        setterRow("Caption", [](Btn* b) { b->setCaption("Go on"); }),
        setterRow("CaptionChecked", [](Btn* b) { b->setCaptionChecked("Gone"); }),
        setterRow("Font", [](Btn* b) { b->setButtonFont(QFont("DejaVu Sans", 12)); }),
        setterRow("Default", [](Btn* b) { b->setDefault(true); }),
        setterRow("Cancel", [](Btn* b) { b->setCancel(true); }),
        setterRow("OwnerDraw switched", [](Btn* b) { b->setOwnerDraw(!b->isOwnerDraw()); }),
        setterRow("Refresh", [](Btn* b) { b->Refresh(); }),
        setterRow("a new instance", [](Btn* b) { b->initProperties(); }),
        setterRow("loading",
                  [](Btn* b) {
                      common::FilePropertyBag bag;
                      bag.writeProperty("Enabled", false);
                      bag.writeProperty("Font", QFont("DejaVu Sans", 11));
                      bag.writeProperty("Caption", "Loaded");
                      b->readProperties(bag);
                  }),
        setterRow("ambient DisplayAsDefault",
                  [](Btn* b) { b->setProperty("DisplayAsDefault", true); }),
        setterRow(
            "display name of a control array", [](Btn* b) { b->setObjectName("cmdGo(2)"); },
            [](Btn* b) { b->setCaption("cmdGo1"); }),
    };
    return rows;
}

// The see-through watch renews the snapshot on its first tick after the button moved.
const Interaction kSeeThroughWatch = {
    "see-through watch after a move",
    [](Stage& s) {
        s.button->setButtonTransparent(Btn::Transparent);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return torvelbutton::buttonMembers(*s.button).FirstTickDone &&
                       !torvelbutton::buttonMembers(*s.button).ResizePending;
            },
            10000));
    },
    [](Stage& s) {
        const int x = s.button->x() + 7;
        s.button->move(x, s.button->y());
        EXPECT_TRUE(
            s.waitFor([&] { return torvelbutton::buttonMembers(*s.button).PrevOwnLeft == x; }));
    }};

// A loaded see-through button in a frame shows its kept snapshot on the watch's first tick.
const Interaction kSeeThroughFirstTick = {
    "see-through watch's first tick of a loaded button in a frame",
    [](Stage& s) {
        auto* frame = new QFrame(s.host.get());
        frame->setGeometry(10, 10, 200, 100);
        s.button->setParent(frame);
        s.button->move(10, 10);
        frame->show();
        s.button->show();
        common::FilePropertyBag bag;
        bag.writeProperty("ButtonTransparent", 1);
        bag.writeProperty("TransparentPicture", solid(100, 30, qRgb(9, 9, 9)));
        s.button->readProperties(bag);
    },
    [](Stage& s) {
        EXPECT_TRUE(
            s.waitFor([&] { return torvelbutton::buttonMembers(*s.button).FirstTickDone; }));
    }};

class HandlerDeletes : public ::testing::TestWithParam<Look> {};

TEST_P(HandlerDeletes, InsideMouseKeyAndDragEvents) {
    QSet<QString> kinds;
    for (const Interaction& row : mouseAndKeyRows()) {
        deleteAtEverySignal(row, GetParam(), kinds);
    }
    const QSet<QString> raised{"MouseMove", "MouseDown",   "MouseUp",    "Click",
                               "MouseExit", "DblClick",    "KeyDown",    "KeyPress",
                               "KeyUp",     "OLEDragOver", "OLEDragDrop"};
    EXPECT_TRUE(kinds.contains(raised)) << "a row no longer reaches one of the events";
    EXPECT_TRUE(kinds.contains(GetParam() == Look::OwnerDrawn ? "OwnerDraw" : "propertyChanged"));
}

TEST_P(HandlerDeletes, InsidePropertySetters) {
    QSet<QString> kinds;
    for (const Interaction& row : setterRows()) {
        deleteAtEverySignal(row, GetParam(), kinds);
    }
    EXPECT_TRUE(kinds.contains("propertyChanged"));
    EXPECT_TRUE(kinds.contains("OwnerDraw"));
}

TEST_P(HandlerDeletes, InsideTheSeeThroughWatch) {
    if (GetParam() == Look::PictureOnly) {
        GTEST_SKIP() << "the picture looks have no see-through";
    }
    QSet<QString> kinds;
    deleteAtEverySignal(kSeeThroughWatch, GetParam(), kinds);
    deleteAtEverySignal(kSeeThroughFirstTick, GetParam(), kinds);
    EXPECT_TRUE(kinds.contains("propertyChanged"));
}

INSTANTIATE_TEST_SUITE_P(Looks, HandlerDeletes,
                         ::testing::Values(Look::Plain, Look::FramedPicture, Look::PictureOnly,
                                           Look::OwnerDrawn),
                         lookName);

// The option group processes pending events while it works out each member's group (twice
// per member): a timer there may delete any button of the group, or the form, and the
// release must go on with what is left.
TEST(HandlerDeletesInsideTheOptionGroup, AButtonOrTheFormDeletedWhileEventsAreProcessed) {
    for (int pass = 1; pass <= 6; ++pass) {
        for (const QString who : {"cmdGo", "optA", "optB", "form"}) {
            SCOPED_TRACE(QString("%1 deleted in event pass %2").arg(who).arg(pass).toStdString());
            Stage s(Look::Plain, true);
            s.press();
            QPointer<QWidget> victim = who == "form" ? s.host.get() : s.host->findChild<Btn*>(who);
            int left = pass;
            bool fired = false;
            QTimer timer;
            timer.setInterval(0);
            QObject::connect(&timer, &QTimer::timeout, [&] {
                if (--left > 0) {
                    return;
                }
                timer.stop();
                fired = true;
                if (who == "form") {
                    delete s.host.release();
                } else {
                    delete victim.data();
                }
            });
            timer.start();
            s.release();
            timer.stop();
            if (pass <= 2) {
                EXPECT_TRUE(fired) << "the group processes events for its first member";
            }
            if (!fired) {
                continue;
            }
            EXPECT_TRUE(victim.isNull());
            if (s.button) {
                EXPECT_TRUE(s.button->value()) << "the released button is checked";
                for (const QPointer<Btn>& other : s.siblings) {
                    if (other) {
                        EXPECT_FALSE(other->value()) << other->objectName().toStdString();
                    }
                }
            }
        }
    }
}

TEST(HandlerDeletesRecorder, WatchesEverySignalTheButtonDeclares) {
    const QMetaObject& mo = TorvelImageButton::staticMetaObject;
    int declared = 0;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
        declared += mo.method(i).methodType() == QMetaMethod::Signal ? 1 : 0;
    }
    EXPECT_EQ(declared, kDeclaredSignals) << "a new signal needs its place in Stage::watch";
}

} // namespace
