#include "pseudoterminal.h"
#include "remote/controls/instruments/instrumentlamp.h"
#include "remote/controls/instruments/instrumentswitch.h"
#include "remote/controls/instruments/scanmark.h"
#include "remote/controls/progressbar/xp_progressbar.h"
#include "remote/controls/screen/hexcopy.h"
#include "remote/controls/screen/screenline.h"
#include "remote/dialogs/frmconfig.h"
#include "remote/dialogs/frmsecurity.h"
#include "remote/startup/frmmain.h"
#include "remote/startup/modcontrol.h"
#include "remote/startup/monitorpanels.h"
#include "tests/support/deviceframes.h"
#include "tests/support/recordingmessagesink.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

using remote::controls::HexCopy;
using remote::controls::ScreenLine;
using remote::controls::ScanMark;
using remote::controls::SlideSwitch;
using remote::controls::ToggleSwitch;
using remote::controls::XP_ProgressBar;
using remote::dialogs::frmConfig;
using remote::dialogs::frmSecurity;
using remote::startup::frmMain;
using remote::startup::modControl;
using remote::startup::MonitorPanels;

namespace {

namespace device = remote::link::device;

QByteArray bytes(const std::vector<std::uint8_t>& v) {
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

QColor textColour(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}

// The real window on a pseudo-terminal as Com1, found and worked by object names the way
// an outside tool does. Ticks are driven by hand so every count is exact.
class MonitorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"program", "user", "run"}) {
            QDir(dir.path()).mkpath(sub);
        }
        std::filesystem::copy_file(std::filesystem::path(TEST_BINARY_DIR) / "bin" / "Kvrset.mdb",
                                   std::filesystem::path(dir.filePath("program").toStdString()) /
                                       "Kvrset.mdb");
        control = std::make_unique<modControl>(
            sink,
            modControl::Folders{dir.filePath("program"), dir.filePath("user"), dir.filePath("run")},
            [](int) {});
        ASSERT_TRUE(control->StartProgram());
        control->splash()->timLoad_Timer();
        control->splash()->tim_exit_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        main = control->mainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(main->MSComm1.PortOpened());
        main->Timer1.stop();
    }

    void TearDown() override {
        control.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <typename W = QWidget>
    W* find(const QString& name) {
        W* w = main->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    QString caption(const QString& name) { return find<QWidget>(name)->accessibleName(); }

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            main->Timer1_Timer();
        }
    }

    // Writes bytes to the line, then a marker screen frame whose first line is `marker`;
    // once the marker shows, everything written before it has been handled.
    void feedAndSettle(const QByteArray& data) {
        static int serial = 0;
        const std::string marker = "SETTLE " + std::to_string(++serial);
        const std::vector<std::string> fields{"", marker, "b", "c", "d", "e"};
        pty.write(data + bytes(device::ScreenFrame(device::ScreenForm::Short, fields)));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return caption("BSCREEN_0") == QString::fromStdString(marker); }, 5000));
    }

    void unlockSaves() {
        for (int i = 0; i < 9; ++i) {
            find<QPushButton>(QStringLiteral("FREQSAVE_%1").arg(i))->setEnabled(true);
        }
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    serialtest::Pty pty;
    serialtest::ComVariable com1{1, pty.slavePath()};
    std::unique_ptr<modControl> control;
    frmMain* main = nullptr;
};

// ---- What the detector sends ----

TEST(HexCopy, EachNewTextReplacesTheOldWhateverTheyShare) {
    struct Step {
        const char* text;
    };
    // Each text follows the one before it in the same box.
    const Step steps[] = {
        {"53 54 53 2C D "},
        {"53 54 53 2C D "},
        {"53 55 53 2C D "},
        {"53 55 53 2C 41 D "},
        {"53 D "},
        {"D "},
        {""},
        {"41 41 "},
        {"41 41 41 41 "},
        {"41 41 "},
        {"42 41 41 43 "},
        {"42 43 "},
    };
    HexCopy edit;
    for (const Step& step : steps) {
        edit.setPlainText(QString::fromLatin1(step.text));
        EXPECT_EQ(edit.toPlainText(), QString::fromLatin1(step.text));
    }

    // What the operator selected in the part that stayed is still selected.
    edit.setPlainText(QStringLiteral("53 54 53 2C D "));
    edit.select(0, 5);
    edit.setPlainText(QStringLiteral("53 54 53 2D D "));
    EXPECT_EQ(edit.selectedText(), "53 54");
}

// Every display and input the link names reaches the control of that name, and an index a
// control array does not have reaches none.
TEST(PanelLookups, EveryNameTheLinkUsesFindsItsControlAndNoOther) {
    using Display = MonitorPanels::Display;
    using Input = MonitorPanels::Input;
    struct Case {
        Display display;
        int first; // the first index of a control array
        int count; // 0: one control, any index
        const char* name;
    };
    const Case displays[] = {
        {Display::TTIME, 0, 6, "TTIME_"},      {Display::SETID, 0, 0, "SETID"},
        {Display::RFXTIME, 0, 0, "RFXTIME"},   {Display::LASERQZ1, 0, 0, "LASERQZ1"},
        {Display::LASERQZ2, 0, 0, "LASERQZ2"}, {Display::LASERQS1, 0, 0, "LASERQS1"},
        {Display::LASERQS2, 0, 0, "LASERQS2"}, {Display::LASERQ1, 0, 0, "LASERQ1"},
        {Display::LASERQ2, 0, 0, "LASERQ2"},   {Display::LASERVV1, 0, 0, "LASERVV1"},
        {Display::LASERVV2, 0, 0, "LASERVV2"}, {Display::STIMEV, 0, 9, "STIMEV_"},
        {Display::FREQV, 0, 0, "FREQV"},       {Display::SERIAL, 0, 0, "SERIAL"},
    };
    struct InputCase {
        Input input;
        int first;
        int count;
        const char* name;
    };
    const InputCase inputs[] = {
        {Input::txtSet1, 0, 5, "txtSet1_"},  {Input::IDIN, 0, 0, "IDIN"},
        {Input::SERIALIN, 0, 0, "SERIALIN"}, {Input::XTIME, 0, 0, "XTIME"},
        {Input::LASERCH1, 0, 0, "LASERCH1"}, {Input::LASERCH2, 0, 0, "LASERCH2"},
        {Input::LASERV1, 0, 0, "LASERV1"},   {Input::LASERV2, 0, 0, "LASERV2"},
        {Input::STTIME, 1, 9, "STTIME"},     {Input::FREQSET, 0, 0, "FREQSET"},
    };
    MonitorPanels panels;
    EXPECT_EQ(panels.displayLabel(Display::SETID, 0), nullptr) << "nothing before build()";
    QWidget parent;
    panels.build(&parent);

    const auto expectLookup = [](auto lookup, int first, int count, const char* name) {
        if (count == 0) {
            for (int index : {0, 3, -1}) {
                ASSERT_NE(lookup(index), nullptr) << name << " index " << index;
                EXPECT_EQ(lookup(index)->objectName(), QLatin1String(name)) << index;
            }
            return;
        }
        for (int i = first; i < first + count; ++i) {
            ASSERT_NE(lookup(i), nullptr) << name << i;
            EXPECT_EQ(lookup(i)->objectName(), QLatin1String(name) + QString::number(i));
        }
        EXPECT_EQ(lookup(first - 1), nullptr) << name;
        EXPECT_EQ(lookup(first + count), nullptr) << name;
    };
    for (const Case& c : displays) {
        expectLookup([&](int i) { return panels.displayLabel(c.display, i); }, c.first, c.count,
                     c.name);
    }
    for (const InputCase& c : inputs) {
        expectLookup([&](int i) { return panels.inputField(c.input, i); }, c.first, c.count,
                     c.name);
    }
    EXPECT_EQ(panels.displayLabel(static_cast<Display>(99), 0), nullptr);
    EXPECT_EQ(panels.inputField(static_cast<Input>(99), 0), nullptr);
}

TEST_F(MonitorWindow, AScreenFrameShowsItsLinesAndTheHighlightedOne) {
    const std::vector<std::string> fields{
        "", "Close Call 146.5", "MENU", "****************", "LASER 1 OK", "CC Found! x", "EXT OFF"};
    pty.write(bytes(device::ScreenFrame(device::ScreenForm::Short, fields)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("BSCREEN_0") == "TSCM Event 146.5"; }, 5000));
    EXPECT_EQ(caption("BSCREEN_1"), "MENU");
    EXPECT_EQ(caption("BSCREEN_2"), "LASER 1 OK");
    EXPECT_EQ(caption("BSCREEN_3"), "TSCM !    x");
    EXPECT_EQ(caption("BSCREEN_4"), "EXT OFF ") << "the closing 13 shows as a blank";
    for (int line = 0; line < 5; ++line) {
        const auto* label = find<ScreenLine>(QStringLiteral("BSCREEN_%1").arg(line));
        EXPECT_EQ(label->text(), label->accessibleName());
        EXPECT_EQ(label->autoFillBackground(), line == 1) << "line " << line;
    }
    EXPECT_EQ(find<ScreenLine>("BSCREEN_1")->palette().color(QPalette::Window),
              QColor(0xFF, 0xFF, 0xC0));
    const QString hex = find<HexCopy>("Text1")->toPlainText();
    EXPECT_TRUE(hex.endsWith(" D ")) << hex.toStdString();

    // The next frame writes every line again and so clears the highlight.
    feedAndSettle({});
    EXPECT_FALSE(find<ScreenLine>("BSCREEN_1")->autoFillBackground());
}

TEST_F(MonitorWindow, TheScanMarkBlinksAfterALongFrameAndGoesAtTheNextTickAfterAShortOne) {
    const std::vector<std::string> fields{"", "SCANNING", "b", "c", "d", "e"};
    pty.write(bytes(device::ScreenFrame(device::ScreenForm::Long, fields)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("BSCREEN_0") == "SCANNING"; }, 5000));
    auto* mark = find<ScanMark>("SCANMARK");
    QList<bool> shown;
    for (int t = 0; t < 8; ++t) {
        tick();
        shown.append(!mark->isHidden());
    }
    EXPECT_EQ(shown, (QList<bool>{false, false, false, true, true, true, true, false}));
    feedAndSettle({});
    tick();
    EXPECT_TRUE(mark->isHidden());
}

struct DisplayCase {
    const char* name;
    const char* shown;
};

TEST_F(MonitorWindow, ASettingsFrameFillsEveryDisplayAndABadChecksumChangesNothing) {
    device::Settings s;
    s.yearsAfter2000 = 26;
    s.month = 12;
    s.day = 10;
    s.hour = 4;
    s.minute = 30;
    s.second = 59;
    s.id = {'A', 'B', '1', '2', '3', '4'};
    s.rfTransmitTime = 7;
    s.laserQz1 = 300;
    s.laserQz2 = 65535;
    s.laserQ1 = 50;
    s.laserQ2 = 5;
    s.laserVolume1 = 60;
    s.laserVolume2 = 9;
    s.channelTimes = {14, 30, 60, 61, 5, 6, 10, 31, 32};
    s.repeatTime = 24;
    s.switchBits = 5;
    s.serial = {'S', 'N', '0', '0', '0', '0', '4', '2'};
    s.laserQs1 = 1234;
    s.laserQs2 = 5;
    pty.write(bytes(device::SettingsFrame(s)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("SETID") == "QND-AB1234"; }, 5000));

    const DisplayCase expected[] = {
        {"TTIME_0", " 2026"},   {"TTIME_1", "12"},     {"TTIME_2", "10"},    {"TTIME_3", "4"},
        {"TTIME_4", "30"},      {"TTIME_5", "59"},     {"RFXTIME", "7"},     {"LASERQZ1", "3.00"},
        {"LASERQZ2", "655.35"}, {"LASERQS1", "12.34"}, {"LASERQS2", "0.05"}, {"LASERQ1", "0.50"},
        {"LASERQ2", "0.05"},    {"LASERVV1", "60"},    {"LASERVV2", "9"},    {"STIMEV_0", "14"},
        {"STIMEV_3", "61"},     {"STIMEV_8", "32"},    {"FREQV", "24"},      {"SERIAL", "SN000042"},
    };
    for (const DisplayCase& c : expected) {
        EXPECT_EQ(caption(c.name), c.shown) << c.name;
    }
    const bool on[] = {true, false, true, false};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(find<ToggleSwitch>(QStringLiteral("KEYSW_%1").arg(k))->isChecked(), on[k]);
    }
    EXPECT_EQ(textColour(find<QLabel>("LASERQS1")), QColor(0xC0, 0, 0));
    EXPECT_EQ(textColour(find<QLabel>("LASERQZ1")), QColor(0, 0, 0xC0));

    std::vector<std::uint8_t> bad = device::SettingsFrame(device::Settings{});
    bad[bad.size() - 2] ^= 1; // the checksum's low byte
    feedAndSettle(bytes(bad));
    for (const DisplayCase& c : expected) {
        EXPECT_EQ(caption(c.name), c.shown) << c.name << " after a bad checksum";
    }
}

// Counts the events of one type that reach a window's widgets. A layout request counts
// only where there is a layout to redo.
class EventCounter : public QObject {
public:
    EventCounter(QEvent::Type type, const QWidget* window)
        : m_type(type)
        , m_window(window) {
        qApp->installEventFilter(this);
    }
    ~EventCounter() override { qApp->removeEventFilter(this); }

    int count(const QString& name = QString()) const {
        return name.isEmpty() ? m_total : m_byName.value(name);
    }
    int count(const QWidget* widget) const { return m_byWidget.value(widget); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (event->type() == m_type && widget && widget->window() == m_window &&
            (m_type != QEvent::LayoutRequest || widget->layout())) {
            ++m_total;
            ++m_byName[widget->objectName()];
            ++m_byWidget[widget];
        }
        return false;
    }

private:
    QEvent::Type m_type;
    const QWidget* m_window;
    int m_total = 0;
    QHash<QString, int> m_byName;
    QHash<const QWidget*, int> m_byWidget;
};

// Delivers the pending layout requests; laying out one level can ask for the next.
void settleLayouts() {
    for (int level = 0; level < 10; ++level) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

TEST_F(MonitorWindow, TheWidestValuesShowWholeWithoutLayingTheWindowOutAgain) {
    feedAndSettle({});
    settleLayouts();
    const EventCounter layouts(QEvent::LayoutRequest, main);

    device::Settings s;
    s.yearsAfter2000 = s.month = s.day = s.hour = s.minute = s.second = 255;
    s.id.fill('W');
    s.serial.fill('W');
    s.rfTransmitTime = s.laserQ1 = s.laserQ2 = s.laserVolume1 = s.laserVolume2 = 255;
    s.repeatTime = 255;
    s.channelTimes.fill(255);
    s.laserQz1 = s.laserQz2 = s.laserQs1 = s.laserQs2 = 65535;
    const std::string wide(16, 'W');
    const std::vector<std::string> fields{"", wide, wide, wide, wide, wide};
    pty.write(bytes(device::ScreenFrame(device::ScreenForm::Short, fields)) +
              bytes(device::SettingsFrame(s)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("SERIAL") == "WWWWWWWW"; }, 5000));
    settleLayouts();

    EXPECT_EQ(layouts.count(), 0) << "a new value repaints its label, nothing more";
    const char* const displays[] = {
        "BSCREEN_0", "BSCREEN_4", "TTIME_0",  "TTIME_5",  "SETID",    "SERIAL",
        "RFXTIME",   "LASERQZ1",  "LASERQZ2", "LASERQS1", "LASERQS2", "LASERQ1",
        "LASERQ2",   "LASERVV1",  "LASERVV2", "STIMEV_0", "STIMEV_8", "FREQV",
    };
    for (const char* name : displays) {
        const auto* label = find<QWidget>(QString::fromLatin1(name));
        EXPECT_GE(label->width(), label->sizeHint().width())
            << name << " clips \"" << label->property("text").toString().toStdString() << "\"";
    }
    EXPECT_EQ(caption("BSCREEN_0"), QString::fromStdString(wide));
    EXPECT_EQ(caption("TTIME_0"), " 2255");
    EXPECT_EQ(caption("LASERQZ1"), "655.35");
}

TEST_F(MonitorWindow, TheScanMarkBlinksAndTurnsWithoutLayingOutOrRepaintingItsGroup) {
    const std::vector<std::string> fields{"", "SCANNING", "b", "c", "d", "e"};
    pty.write(bytes(device::ScreenFrame(device::ScreenForm::Long, fields)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("BSCREEN_0") == "SCANNING"; }, 5000));
    settleLayouts();
    auto* mark = find<ScanMark>("SCANMARK");
    const QWidget* group = mark->parentWidget();
    while (group && !qobject_cast<const QGroupBox*>(group)) {
        group = group->parentWidget();
    }
    ASSERT_NE(group, nullptr);
    const EventCounter layouts(QEvent::LayoutRequest, main);

    tick(4);
    ASSERT_TRUE(mark->isVisible());
    {
        // The sweep turns on its own while the mark shows.
        const EventCounter paints(QEvent::Paint, main);
        ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count(mark) >= 3; }, 5000));
        EXPECT_EQ(paints.count(group), 0) << "the dial covers what is behind it";
    }
    tick(4);
    ASSERT_TRUE(mark->isHidden());
    settleLayouts();
    EXPECT_EQ(layouts.count(), 0);
}

TEST_F(MonitorWindow, AFrameRestatingTheHighlightLeavesTheLinesUnpainted) {
    const std::vector<std::string> fields{"", "SCAN", "MENU", "****************", "c", "d", "e"};
    const QByteArray frame = bytes(device::ScreenFrame(device::ScreenForm::Short, fields));
    {
        const EventCounter first(QEvent::Paint, main);
        pty.write(frame);
        ASSERT_TRUE(QTest::qWaitFor([&] { return first.count("BSCREEN_1") > 0; }, 5000));
    }
    ASSERT_EQ(caption("BSCREEN_1"), "MENU");
    ASSERT_TRUE(find<ScreenLine>("BSCREEN_1")->autoFillBackground());
    const EventCounter paints(QEvent::Paint, main);

    // The same frame again, then a new clock value: whatever the frame left to paint is
    // painted by the time the clock's display is.
    device::Settings s;
    s.second = 42;
    pty.write(frame + bytes(device::SettingsFrame(s)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count("TTIME_5") > 0; }, 5000));

    EXPECT_TRUE(find<ScreenLine>("BSCREEN_1")->autoFillBackground());
    for (int line = 0; line < 5; ++line) {
        EXPECT_EQ(paints.count(QStringLiteral("BSCREEN_%1").arg(line)), 0) << "line " << line;
    }
}

TEST_F(MonitorWindow, AFrameThatChangesOneLineRepaintsThatLineAndTheChangedHexCellsAlone) {
    const auto frame = [](const std::string& last) {
        // The sixth field lands on the last line, as the detector sends it.
        const std::vector<std::string> fields{
            "", "RF DETECTOR", "Sweep 1.0-6.0 G", "Level  -72 dBm", "Mode  Auto", last, last};
        return bytes(device::ScreenFrame(device::ScreenForm::Short, fields));
    };
    pty.write(frame("Count 000001"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return caption("BSCREEN_4").startsWith(QStringLiteral("Count 000001")); }, 5000));
    tick(12); // the traffic lamps go dark
    settleLayouts();
    QApplication::processEvents();
    const EventCounter paints(QEvent::Paint, main);
    const EventCounter layouts(QEvent::LayoutRequest, main);

    pty.write(frame("Count 000002"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints.count("BSCREEN_4") > 0; }, 5000));
    settleLayouts();
    QApplication::processEvents();

    const QWidget* hexView = find<HexCopy>("Text1")->viewport();
    EXPECT_GT(paints.count(hexView), 0);
    // The receive lamp lights with the frame: it changed too.
    const int expected =
        paints.count("BSCREEN_4") + paints.count(hexView) + paints.count("CWButton2");
    EXPECT_EQ(paints.count(), expected) << "something else was painted";
    EXPECT_EQ(layouts.count(), 0);
}

TEST_F(MonitorWindow, AnAlarmLabelTurnsRedAtTheNextTickAndBlackAtTheEleventh) {
    const auto code = device::AlarmCode(2);
    feedAndSettle(QByteArray(reinterpret_cast<const char*>(code.data()), 3));
    auto* label = find<QLabel>("EVENTL_2");
    EXPECT_EQ(label->accessibleName(), "Ext1(CH1) :");
    EXPECT_EQ(textColour(label), QColor(Qt::black));
    QList<bool> red;
    for (int t = 1; t <= 11; ++t) {
        tick();
        red.append(textColour(label) == QColor(192, 0, 0));
    }
    EXPECT_EQ(red,
              (QList<bool>{true, true, true, true, true, true, true, true, true, true, false}));
    EXPECT_EQ(textColour(find<QLabel>("EVENTL_1")), QColor(Qt::black));
}

// ---- What the operator sends ----

struct KeyCase {
    const char* name;
    const char* control;
    bool holdDown; // press only (true) or a whole click
    const char* payload;
};

class OperatorKeys : public MonitorWindow, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(OperatorKeys, PutTheirKeyFrameOnTheLine) {
    QTest::mouseClick(find<SlideSwitch>("LOOPSW"), Qt::LeftButton);
    ASSERT_TRUE(find<SlideSwitch>("LOOPSW")->isChecked());
    auto* button = find<QPushButton>(QString::fromLatin1(GetParam().control));
    if (GetParam().holdDown) {
        QTest::mousePress(button, Qt::LeftButton);
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    tick();
    const QByteArray frame = pty.read(9);
    ASSERT_EQ(frame.size(), 9);
    EXPECT_EQ(frame.left(7), QByteArray(GetParam().payload));
    EXPECT_EQ(frame.at(8), '\r');
    if (GetParam().holdDown) {
        QTest::mouseRelease(button, Qt::LeftButton);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OperatorKeys,
                         ::testing::Values(KeyCase{"scanHeld", "Button_18", true, "KEYINS1"},
                                           KeyCase{"scanClicked", "Button_18", false, "KEYINS0"},
                                           KeyCase{"powerHeld", "Button_26", true, "KEYINF1"},
                                           KeyCase{"upHeld", "Button_24", true, "KEYIN<1"},
                                           KeyCase{"volumeUp", "Button2_20", false, "KEYIN!0"},
                                           KeyCase{"squelchDown", "Button2_23", false, "KEYIN%0"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MonitorWindow, TheLoopSwitchStartsAndStopsPolling) {
    auto* loop = find<SlideSwitch>("LOOPSW");
    tick(4);
    EXPECT_TRUE(pty.read(1, 200).isEmpty()) << "silent while the loop is off";
    QTest::mouseClick(loop, Qt::LeftButton);
    tick(2);
    EXPECT_EQ(pty.read(9).left(7), "REMOTE1");
    tick(2);
    EXPECT_EQ(pty.read(14).mid(5, 7), "SETDATA");
    QTest::mouseClick(loop, Qt::LeftButton);
    EXPECT_FALSE(loop->isChecked());
    tick(4);
    EXPECT_TRUE(pty.read(1, 200).isEmpty());
}

TEST_F(MonitorWindow, SavesStayLockedUntilUnlockedThenSendTheirSetting) {
    for (int i = 0; i < 9; ++i) {
        EXPECT_FALSE(find<QPushButton>(QStringLiteral("FREQSAVE_%1").arg(i))->isEnabled());
    }
    QTest::mouseClick(find<QPushButton>("FREQSAVE_2"), Qt::LeftButton);
    tick(6);
    EXPECT_TRUE(pty.read(1, 200).isEmpty()) << "a locked button sends nothing";

    unlockSaves();
    find<QLineEdit>("XTIME")->setText("75");
    QTest::mouseClick(find<QPushButton>("FREQSAVE_2"), Qt::LeftButton);
    tick();
    const QByteArray frame = pty.read(14);
    ASSERT_EQ(frame.size(), 14);
    EXPECT_EQ(frame.at(10), 6);
    EXPECT_EQ(frame.at(11), 0);
    tick(4);
    EXPECT_EQ(pty.read(14).mid(5, 7), "SETDATA") << "one read-back follows, loop off";
}

TEST_F(MonitorWindow, AnOperatedSwitchTurnsYellowHoldsAgainstFramesAndIsSavedByButtonSeven) {
    auto* sw = find<ToggleSwitch>("KEYSW_2");
    QTest::mouseClick(sw, Qt::LeftButton);
    EXPECT_TRUE(sw->isChecked());
    EXPECT_EQ(sw->backColor(), QColor(0xFF, 0xFF, 0x80));
    device::Settings off; // every switch bit clear
    feedAndSettle(bytes(device::SettingsFrame(off)));
    EXPECT_TRUE(sw->isChecked()) << "the operator's change holds";

    unlockSaves();
    QTest::mouseClick(find<QPushButton>("FREQSAVE_7"), Qt::LeftButton);
    tick();
    const QByteArray frame = pty.read(14);
    ASSERT_EQ(frame.size(), 14);
    EXPECT_EQ(frame.at(11), 4) << "switch 2 is bit value 4";
    EXPECT_NE(sw->backColor(), QColor(0xFF, 0xFF, 0x80));
}

TEST_F(MonitorWindow, ARefusedSaveLeavesTicksAndReceivedBytesRunningWhileItsBoxIsUp) {
    // A box that stays up until a frame received meanwhile shows, the way a modal box
    // runs its own event loop.
    struct WaitingSink : RecordingMessageSink {
        std::function<void()> whileShown;
        Answer warning(const QString& text, const QString& title) override {
            if (whileShown) {
                whileShown();
            }
            return RecordingMessageSink::warning(text, title);
        }
    };
    WaitingSink waiting;
    bool shownDuringBox = false;
    int ticksDuringBox = 0;
    waiting.whileShown = [&] {
        main->Timer1.start();
        const int before = main->link().PollTick();
        pty.write(bytes(device::ScreenFrame(
            device::ScreenForm::Short, std::vector<std::string>{"", "DURING", "b", "c", "d"})));
        shownDuringBox = QTest::qWaitFor([&] { return caption("BSCREEN_0") == "DURING"; }, 5000);
        ticksDuringBox = QTest::qWaitFor([&] { return main->link().PollTick() != before; }, 5000);
        main->Timer1.stop();
    };
    // The sink is reached through the control; swap it in by rebuilding on it.
    control.reset();
    control = std::make_unique<modControl>(
        waiting,
        modControl::Folders{dir.filePath("program"), dir.filePath("user"), dir.filePath("run")},
        [](int) {});
    ASSERT_TRUE(control->StartProgram());
    control->splash()->timLoad_Timer();
    control->splash()->tim_exit_Timer();
    main = control->mainWindow();
    main->Timer1.stop();

    unlockSaves();
    find<QLineEdit>("txtSet1_3")->setText("-1");
    QTest::mouseClick(find<QPushButton>("FREQSAVE_0"), Qt::LeftButton);
    tick();
    EXPECT_TRUE(waiting.messages.isEmpty()) << "never inside the tick";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !waiting.messages.isEmpty(); }, 5000));
    EXPECT_TRUE(shownDuringBox);
    EXPECT_TRUE(ticksDuringBox);
}

TEST_F(MonitorWindow, TheAccessCodeFromTheMenuUnlocksTheSaves) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmSecurity*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->NewPass, QStringLiteral("kt48260"));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    main->mnuFile_Back->trigger();
    for (int i = 0; i < 9; ++i) {
        EXPECT_TRUE(find<QPushButton>(QStringLiteral("FREQSAVE_%1").arg(i))->isEnabled());
    }
}

TEST_F(MonitorWindow, ThePortDialogFromTheToolbarActsOnTheWindowsPort) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmConfig*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->cboSpeed->currentText(), "9600");
        dialog->cboSpeed->setEditText(QStringLiteral("4800"));
        dialog->cmdOK->click();
    });
    main->ssrToolbar_Click(0, true);
    EXPECT_EQ(main->MSComm1.Settings(), "4800,n,8,1");
    EXPECT_TRUE(main->MSComm1.PortOpened());
    EXPECT_FALSE(main->ssrToolbar.at(0)->isChecked()) << "the button is up again";
    EXPECT_TRUE(main->findChild<QAction*>("mnuFile_Config"));
}

// ---- Markup from the line is text ----

// What a label paints inside its frame, with the ink (pixels far from the back colour)
// measured.
struct Painted {
    QImage image;
    int redPixels = 0; // strongly red: what a table cell with bgcolor=#ff0000 paints
    int inkLeft = -1;
    int inkRight = -1;

    explicit Painted(QWidget* label)
        : image(
              label->grab(label->contentsRect()).toImage().convertToFormat(QImage::Format_RGB32)) {
        const QRgb back = image.pixel(0, 0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80) {
                    ++redPixels;
                }
                const int distance = std::abs(qRed(p) - qRed(back)) +
                                     std::abs(qGreen(p) - qGreen(back)) +
                                     std::abs(qBlue(p) - qBlue(back));
                if (distance > 200) {
                    inkLeft = inkLeft < 0 ? x : std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                }
            }
        }
    }
    int inkWidth() const { return inkLeft < 0 ? 0 : inkRight - inkLeft + 1; }
};

// The width the literal text takes in the label, as far as the label can show it.
int literalWidth(const QWidget* label) {
    const int advance =
        QFontMetrics(label->font()).horizontalAdvance(label->property("text").toString());
    return std::min(advance, label->contentsRect().width());
}

TEST_F(MonitorWindow, MarkupInADisplayLineIsShownAsItsCharactersAndPaintsNothingElse) {
    const std::string table =
        "<table><tr><td bgcolor=#ff0000 width=300 height=60>X</td></tr></table>";
    // Without a highlight marker the sixth field lands on the last line (see above).
    const std::vector<std::string> fields{"",          table, "<b>x</b>",       "<img src=x>",
                                          "&lt;i&gt;", "-",   "<a href=x>y</a>"};
    const std::size_t fieldOfLine[] = {1, 2, 3, 4, 6};
    pty.write(bytes(device::ScreenFrame(device::ScreenForm::Short, fields)));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return caption("BSCREEN_0") == QString::fromStdString(table); }, 5000));
    for (int line = 0; line < 5; ++line) {
        auto* label = find<ScreenLine>(QStringLiteral("BSCREEN_%1").arg(line));
        const QString literal =
            QString::fromStdString(fields[fieldOfLine[static_cast<std::size_t>(line)]]);
        // The closing 13 of the frame shows as a blank after the last line.
        EXPECT_EQ(label->text(), line == 4 ? literal + QLatin1Char(' ') : literal);
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << "BSCREEN_" << line;
        const Painted painted(label);
        EXPECT_EQ(painted.redPixels, 0) << "BSCREEN_" << line << ": a table cell was drawn";
        // Every character is drawn: the ink spans about the width of the literal text.
        EXPECT_GE(painted.inkWidth(), literalWidth(label) * 8 / 10)
            << "BSCREEN_" << line << " shows " << label->text().toStdString();
    }
}

TEST_F(MonitorWindow, EveryLabelShowsPlainTextAndSettingsWithMarkupShowAsTheirCharacters) {
    device::Settings s;
    s.id = {'<', 'i', '>', 'a', 'b', 'c'};
    s.serial = {'<', 'b', '>', 'x', '<', '/', 'b', '>'};
    pty.write(bytes(device::SettingsFrame(s)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return caption("SETID") == "QND-<i>abc"; }, 5000));
    auto* serial = find<QLabel>("SERIAL");
    EXPECT_EQ(serial->text(), "<b>x</b>");
    const Painted painted(serial);
    EXPECT_GE(painted.inkWidth(), literalWidth(serial) * 8 / 10) << "every character drawn";

    // Every label the line or a replay writes, by name; then every label of the window,
    // the status bar's among them, so that none added later can slip by.
    QStringList fed{"SETID",    "SERIAL",  "RFXTIME", "LASERQZ1", "LASERQZ2", "LASERQS1",
                    "LASERQS2", "LASERQ1", "LASERQ2", "LASERVV1", "LASERVV2", "FREQV"};
    for (int i = 0; i < 5; ++i) {
        fed << QStringLiteral("BSCREEN_%1").arg(i);
    }
    for (int i = 0; i < 6; ++i) {
        fed << QStringLiteral("TTIME_%1").arg(i);
    }
    for (int i = 0; i < 9; ++i) {
        fed << QStringLiteral("STIMEV_%1").arg(i) << QStringLiteral("EVENTL_%1").arg(i);
    }
    for (const QString& name : fed) {
        const QWidget* w = find(name);
        ASSERT_NE(w, nullptr);
        if (const auto* line = qobject_cast<const ScreenLine*>(w)) {
            EXPECT_EQ(line->textFormat(), Qt::PlainText) << name.toStdString();
        } else {
            ASSERT_NE(qobject_cast<const QLabel*>(w), nullptr) << name.toStdString();
            EXPECT_EQ(qobject_cast<const QLabel*>(w)->textFormat(), Qt::PlainText)
                << name.toStdString();
        }
    }
    const auto labels = main->findChildren<QLabel*>();
    EXPECT_GT(labels.size(), fed.size());
    for (const QLabel* label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText)
            << label->objectName().toStdString() << " \"" << label->text().toStdString() << '"';
    }
}

// ---- Names, texts and fit ----

TEST_F(MonitorWindow, EveryControlCarriesItsNameAndItsDesignedText) {
    struct Named {
        const char* name;
        const char* text; // nullptr: not a label
    };
    const Named controls[] = {
        {"EVENTL_0", "RF Signal :"},
        {"EVENTL_1", "Laser Beam :"},
        {"EVENTL_4", "Ext3(Video) :"},
        {"EVENTL_5", "Ext4(Digital) :"},
        {"EVENTL_8", "Ext7 :"},
        {"TTIME_0", "2010"},
        {"TTIME_1", "5"},
        {"SETID", "QND-"},
        {"SERIAL", "00000000"},
        {"LASERQ1", "0.0"},
        {"LASERQS2", "0.00"},
        {"STIMEV_8", "0"},
        {"FREQV", "0"},
        {"Label1", "REMOTE PROGRAM"},
        {"BSCREEN_4", ""},
        {"Label4_0", "Volume"},
        {"Label4_1", "Squelch"},
        {"Button_1", nullptr},
        {"Button_19", nullptr},
        {"Button_26", nullptr},
        {"Button2_20", nullptr},
        {"Button2_23", nullptr},
        {"LOOPSW", nullptr},
        {"KEYSW_0", nullptr},
        {"KEYSW_3", nullptr},
        {"FREQSAVE_0", nullptr},
        {"FREQSAVE_8", nullptr},
        {"CWButton1", nullptr},
        {"CWButton2", nullptr},
        {"STTIME1", nullptr},
        {"STTIME9", nullptr},
        {"txtSet1_0", nullptr},
        {"IDIN", nullptr},
        {"SCANMARK", nullptr},
        {"Text1", nullptr},
        {"XP_ProgressBar1", nullptr},
    };
    for (const Named& c : controls) {
        QWidget* w = find(QString::fromLatin1(c.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->accessibleDescription(), c.name);
        if (c.text) {
            EXPECT_EQ(w->accessibleName(), QString::fromUtf8(c.text)) << c.name;
        }
    }
    const char* captions[][2] = {{"Button_1", "POL"},   {"Button_5", "L/O"}, {"Button_15", "."},
                                 {"Button_18", "SCAN"}, {"Button_24", "UP"}, {"Button_25", "DN"},
                                 {"Button_26", ""}};
    for (const auto& c : captions) {
        EXPECT_EQ(find<QPushButton>(c[0])->text(), c[1]) << c[0];
    }
}

struct InputCase {
    const char* name;
    const char* initial;
    int length;
};

TEST_F(MonitorWindow, InputsStartWithTheirDesignedTextsAndLengths) {
    const InputCase inputs[] = {
        {"txtSet1_0", "", 2}, {"txtSet1_4", "", 2},   {"IDIN", "", 6},        {"SERIALIN", "", 8},
        {"XTIME", "", 2},     {"LASERCH1", "0.5", 4}, {"LASERCH2", "0.5", 4}, {"LASERV1", "60", 2},
        {"LASERV2", "60", 2}, {"STTIME1", "14", 2},   {"STTIME2", "30", 2},   {"STTIME3", "60", 2},
        {"STTIME4", "60", 2}, {"STTIME5", "5", 2},    {"STTIME6", "5", 2},    {"STTIME7", "10", 2},
        {"STTIME8", "30", 2}, {"STTIME9", "30", 2},   {"FREQSET", "24", 2},
    };
    for (const InputCase& c : inputs) {
        auto* edit = find<QLineEdit>(c.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), c.initial) << c.name;
        EXPECT_EQ(edit->maxLength(), c.length) << c.name;
    }
}

TEST_F(MonitorWindow, TheRedBarStandsAsTheWindowsDesignStoresIt) {
    auto* bar = find<XP_ProgressBar>("XP_ProgressBar1");
    EXPECT_EQ(bar->brushStyle(), 0);
    EXPECT_EQ(bar->color(), 0x000000FFu);
    EXPECT_EQ(bar->min(), 1);
    EXPECT_EQ(bar->orientation(), 1);
    // Stored 100 reads back through Value as 101, which the drawing pins at 100: full.
    EXPECT_EQ(bar->percent(), 100);
}

TEST_F(MonitorWindow, TheWindowFitsASmallLaptopScreen) {
    const QSize needed = main->minimumSizeHint().expandedTo(main->minimumSize());
    EXPECT_LE(needed.width(), 1366);
    EXPECT_LE(needed.height(), 768 - 40) << "room for a title bar and a panel";
}

} // namespace
