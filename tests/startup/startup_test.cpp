#include "pseudoterminal.h"
#include "remote/controls/instruments/instrumentlamp.h"
#include "remote/controls/progressbar/xp_progressbar.h"
#include "remote/dialogs/frmsplash.h"
#include "remote/startup/frmmain.h"
#include "remote/startup/modcontrol.h"
#include "remote/startup/windowsystem.h"
#include "remote/process/singleinstance.h"
#include "settingsfile.h"
#include "tests/support/recordingmessagesink.h"

#include <QPushButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using remote::controls::InstrumentLamp;
using remote::dialogs::MessageSink;
using remote::dialogs::frmSplash;
using remote::process::SingleInstance;
using remote::startup::StationRecords;
using remote::startup::frmMain;
using remote::startup::modControl;

namespace {

using Kind = RecordingMessageSink::Kind;
using Answer = MessageSink::Answer;

const QString kScreenFrame = [] {
    QString body = QStringLiteral("SCAN RF,LASER 1 OK,LASER 2 OK,EXT ALL OFF,MENU");
    body = body.leftJustified(125, QLatin1Char(' '));
    return QStringLiteral("STS,") + body + QStringLiteral("\r");
}();

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The font files this process has mapped, as the kernel lists its mappings.
std::set<std::string> mappedFontFiles() {
    std::ifstream maps("/proc/self/maps");
    std::set<std::string> files;
    for (std::string line; std::getline(maps, line);) {
        const auto slash = line.find('/');
        if (slash == std::string::npos) {
            continue;
        }
        const std::string path = line.substr(slash);
        for (const char* suffix : {".ttf", ".otf", ".ttc"}) {
            if (path.ends_with(suffix)) {
                files.insert(path);
            }
        }
    }
    return files;
}

// A station on scratch folders: the settings file in the program folder, the lock in its
// own folder, Com1 on a pseudo-terminal, and message boxes answered by the test.
class Station : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"program", "user", "run"}) {
            QDir(dir.path()).mkpath(sub);
        }
    }

    void TearDown() override {
        control.reset();
        flushDeletes();
    }

    std::filesystem::path settingsFile() const {
        return std::filesystem::path(folders().program.toStdString()) / "Kvrset.mdb";
    }

    void deliverSettings() {
        std::filesystem::copy_file(std::filesystem::path(TEST_BINARY_DIR) / "bin" / "Kvrset.mdb",
                                   settingsFile());
    }

    void makeSettings(const std::vector<std::string>& rows) {
        storetest::makeSettingsFile(settingsFile(), rows);
    }

    modControl::Folders folders() const {
        return {dir.filePath("program"), dir.filePath("user"), dir.filePath("run")};
    }

    modControl& makeControl() {
        control = std::make_unique<modControl>(sink, folders(), [this](int ms) { pause(ms); });
        return *control;
    }

    // The loading step's pauses: 100 counts, then initialising and the final pause.
    void expectWholeLoadingSteps() const {
        ASSERT_GE(sleeps.size(), 102);
        EXPECT_EQ(sleeps.size() % 102, 0) << "a step was cut short";
        for (qsizetype i = 0; i < sleeps.size(); ++i) {
            const qsizetype k = i % 102;
            EXPECT_EQ(sleeps[i], k < 100 ? 10 : k == 100 ? 300 : 200) << "pause " << i;
        }
    }

    // Start-up, then both splash timers by hand.
    frmMain* startAndLoad() {
        EXPECT_TRUE(makeControl().StartProgram());
        control->splash()->timLoad_Timer();
        control->splash()->tim_exit_Timer();
        flushDeletes();
        return control->mainWindow();
    }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    serialtest::Pty pty;
    serialtest::ComVariable com1{1, pty.slavePath()};
    std::unique_ptr<modControl> control;
    QList<int> sleeps;
    // The loading step's pause as the control is given it; a test may replace it.
    std::function<void(int)> pause = [this](int ms) { sleeps.append(ms); };
};

// ---- One copy at a time ----

TEST(SingleInstance, ALiveLockRefusesASecondCopyUntilItIsReleased) {
    QTemporaryDir folder;
    auto first = std::make_unique<SingleInstance>(folder.path());
    EXPECT_EQ(first->tryLock(), SingleInstance::Result::First);
    SingleInstance second(folder.path());
    EXPECT_EQ(second.tryLock(), SingleInstance::Result::AlreadyRunning);
    first.reset();
    EXPECT_EQ(second.tryLock(), SingleInstance::Result::First);
}

TEST(SingleInstance, ALockLeftByACopyThatDiedIsTakenOver) {
    QTemporaryDir folder;
    QProcess gone;
    gone.start(QStringLiteral("true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 pid = gone.processId();
    ASSERT_TRUE(gone.waitForFinished());

    QFile lock(QDir(folder.path()).filePath(SingleInstance::kLockName));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(pid) + "\nremote\n" + QSysInfo::machineHostName().toUtf8() +
               "\n");
    lock.close();

    SingleInstance next(folder.path());
    EXPECT_EQ(next.tryLock(), SingleInstance::Result::First);
}

TEST(SingleInstance, AFolderThatCannotHoldTheLockIsReportedNotMistakenForACopy) {
    SingleInstance nowhere(QStringLiteral("/nonexistent/folder"));
    EXPECT_EQ(nowhere.tryLock(), SingleInstance::Result::Unchecked);
}

// Whatever a lock file holds, or whatever stands at its path, only a live copy refuses:
// the copy starts, and a copy after it still meets the same lock.
struct LeftBehind {
    const char* name;
    void (*make)(const QString& path);
};

class LockLeftBehind : public ::testing::TestWithParam<LeftBehind> {};

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
}

qint64 pidOfAFinishedProcess() {
    QProcess gone;
    gone.start(QStringLiteral("true"));
    gone.waitForFinished();
    return gone.processId();
}

TEST_P(LockLeftBehind, NeverKeepsTheStationFromStarting) {
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(SingleInstance::kLockName);
    GetParam().make(path);
    const bool wasDir = QFileInfo(path).isDir();
    const bool wasLink = QFileInfo(path).isSymLink();

    auto first = std::make_unique<SingleInstance>(folder.path());
    ASSERT_EQ(first->tryLock(), SingleInstance::Result::First);
    SingleInstance second(folder.path());
    EXPECT_EQ(second.tryLock(), SingleInstance::Result::AlreadyRunning);
    first.reset();
    EXPECT_EQ(second.tryLock(), SingleInstance::Result::First);

    // What was not a plain file is left as it was.
    EXPECT_EQ(QFileInfo(path).isDir(), wasDir);
    EXPECT_EQ(QFileInfo(path).isSymLink(), wasLink);
    if (wasLink) {
        QFile target(folder.filePath("elsewhere"));
        ASSERT_TRUE(target.open(QIODevice::ReadOnly));
        EXPECT_EQ(target.readAll(), "not a lock\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LockLeftBehind,
    ::testing::Values(
        LeftBehind{"emptyFile", [](const QString& p) { writeFile(p, {}); }},
        LeftBehind{"garbage",
                   [](const QString& p) { writeFile(p, QByteArray("\xff\x00\x7f-1\n\nzz", 10)); }},
        LeftBehind{"directory",
                   [](const QString& p) {
                       ASSERT_TRUE(QDir().mkpath(p));
                       writeFile(p + "/inside", "kept");
                   }},
        LeftBehind{"otherHostsCopy",
                   [](const QString& p) {
                       writeFile(p, QByteArray::number(pidOfAFinishedProcess()) +
                                        "\nremote\nanother-host.example\n");
                   }},
        LeftBehind{"deadCopyOnThisHost",
                   [](const QString& p) {
                       writeFile(p, QByteArray::number(pidOfAFinishedProcess()) + "\nremote\n" +
                                        QSysInfo::machineHostName().toUtf8() + "\n");
                   }},
        LeftBehind{"readOnlyFile",
                   [](const QString& p) {
                       writeFile(p, "1\n");
                       QFile::setPermissions(p, QFile::ReadOwner);
                   }},
        LeftBehind{"fifo",
                   [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p), 0600), 0); }},
        LeftBehind{"symbolicLink",
                   [](const QString& p) {
                       const QString target = QFileInfo(p).dir().filePath("elsewhere");
                       writeFile(target, "not a lock\n");
                       ASSERT_TRUE(QFile::link(target, p));
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

// A live copy in another process: refused while it runs, taken over once the kernel has
// ended it (no clean-up of its own).
TEST(SingleInstance, ACopyInAnotherProcessHoldsTheLockUntilItIsKilled) {
    QTemporaryDir folder;
    int ready[2];
    int hold[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(hold, O_CLOEXEC), 0);
    SingleInstance other(folder.path());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const char taken = other.tryLock() == SingleInstance::Result::First ? 'y' : 'n';
        char wait = 0;
        if (::write(ready[1], &taken, 1) == 1) {
            while (::read(hold[0], &wait, 1) < 0 && errno == EINTR) {
            }
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    char taken = 0;
    const bool answered = ::read(ready[0], &taken, 1) == 1;
    ::close(ready[0]);

    SingleInstance second(folder.path());
    const auto whileAlive = second.tryLock();
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(hold[1]);
    ASSERT_TRUE(answered && taken == 'y') << "the child did not take the lock";
    EXPECT_EQ(whileAlive, SingleInstance::Result::AlreadyRunning);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(second.tryLock(), SingleInstance::Result::First);
}

TEST_F(Station, StartsOverALockPathThatIsADirectory) {
    deliverSettings();
    ASSERT_TRUE(QDir(folders().lock).mkdir(SingleInstance::kLockName));
    EXPECT_TRUE(makeControl().StartProgram());
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_NE(control->splash(), nullptr);
}

TEST_F(Station, ASecondCopyIsToldAndEndsBeforeTouchingTheSettings) {
    SingleInstance running(folders().lock);
    ASSERT_EQ(running.tryLock(), SingleInstance::Result::First);
    // No settings file: opening it would add a second message.
    EXPECT_FALSE(makeControl().StartProgram());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Information);
    EXPECT_EQ(sink.messages[0].text, "프로그램이 이미 실행중입니다.");
    EXPECT_EQ(sink.messages[0].title, "실행중");
    EXPECT_EQ(control->splash(), nullptr);
    EXPECT_EQ(running.tryLock(), SingleInstance::Result::First) << "the first copy keeps going";
}

// ---- Settings file at start-up ----

struct StartFailure {
    const char* name;
    void (*make)(const std::filesystem::path& file);
    const char* text;
};

class StartWithBrokenSettings : public Station,
                                public ::testing::WithParamInterface<StartFailure> {};

TEST_P(StartWithBrokenSettings, ShowsTheEnginesTextAndEnds) {
    GetParam().make(settingsFile());
    EXPECT_FALSE(makeControl().StartProgram());
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Critical);
    EXPECT_TRUE(sink.messages[0].text.contains(GetParam().text))
        << sink.messages[0].text.toStdString();
    EXPECT_TRUE(sink.messages[0].text.startsWith(QString::fromStdString(settingsFile().string()) +
                                                 ": the settings file "))
        << "the file's path and what is wrong with it lead";
    EXPECT_EQ(control->splash(), nullptr);
    EXPECT_EQ(control->settings(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartWithBrokenSettings,
    ::testing::Values(StartFailure{"missing", [](const std::filesystem::path&) {},
                                   "unable to open database file"},
                      StartFailure{"wrongKey",
                                   [](const std::filesystem::path& f) {
                                       storetest::makeSettingsFile(f, {"1, '9600', NULL"},
                                                                   "COMPORT, BANDRATE, COMSPEED",
                                                                   "wrong");
                                   },
                                   "file is encrypted or is not a database"},
                      StartFailure{"emptyFile",
                                   [](const std::filesystem::path& f) { std::ofstream{f}; },
                                   "Kvrset.mdb: the settings file is empty. "
                                   "(no such table: 환경설정)"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Splash ----

TEST_F(Station, TheSplashShowsTitleAndVersionAndWaitsForItsLoadTimer) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    frmSplash* splash = control->splash();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->windowTitle(), QApplication::applicationName() + " 정보");
    EXPECT_EQ(splash->lblVersion->text(),
              frmSplash::versionLabelText(PROJECT_MAJOR, PROJECT_MINOR, PROJECT_REVISION));
    EXPECT_EQ(splash->Label1->text(), "The program soon.");
    EXPECT_TRUE(splash->timLoad.isActive());
    EXPECT_EQ(splash->timLoad.interval(), 2000);
    EXPECT_FALSE(splash->tim_exit.isActive());
    EXPECT_EQ(splash->tim_exit.interval(), 1000);
    EXPECT_EQ(control->mainWindow(), nullptr);
    // The bar as designed: hatch 0, dark blue, Min 1, stored percent 9 read back as 10.
    EXPECT_EQ(splash->PgBar->brushStyle(), 0);
    EXPECT_EQ(splash->PgBar->color(), 0x006A240Au);
    EXPECT_EQ(splash->PgBar->min(), 1);
    EXPECT_EQ(splash->PgBar->percent(), 10);
}

TEST(SplashVersion, HasNoBlanksAroundTheDots) {
    EXPECT_EQ(frmSplash::versionLabelText(2015, 1, 28), "버전 2015.1.28");
}

TEST(SplashPicture, IsTheDesignedSizeAtTwentyFourBits) {
    const QImage picture = frmSplash::drawSplashPicture(frmSplash::kPictureSize);
    EXPECT_EQ(picture.size(), QSize(507, 320));
    EXPECT_EQ(picture.depth(), 24);
}

TEST_F(Station, TheLoadingStepCountsToOneHundredThenInitialises) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    frmSplash* splash = control->splash();
    const auto* firstConnection = &control->settings()->SharedConnection();

    QStringList labels;
    QList<int> values;
    pause = [&](int ms) {
        sleeps.append(ms);
        labels.append(splash->Label1->text());
        values.append(splash->PgBar->value());
    };
    splash->timLoad_Timer();

    ASSERT_EQ(sleeps.size(), 102);
    EXPECT_EQ(sleeps.mid(0, 100), QList<int>(100, 10));
    EXPECT_EQ(sleeps[100], 300);
    EXPECT_EQ(sleeps[101], 200);
    // Each pause comes before its count is shown.
    EXPECT_EQ(labels[1], "Loading :  1 %");
    EXPECT_EQ(labels[10], "Loading :  10 %");
    EXPECT_EQ(labels[100], "Loading :  100 %");
    EXPECT_EQ(values[100], 100);
    EXPECT_EQ(labels[101], "Program initialization...");
    EXPECT_EQ(splash->Label1->text(), "Program initialization...");
    EXPECT_EQ(splash->PgBar->max(), 100);
    EXPECT_EQ(splash->PgBar->value(), 100);
    EXPECT_EQ(control->LoadProgress, 100);

    EXPECT_NE(&control->settings()->SharedConnection(), firstConnection);
    EXPECT_EQ(control->settings()->SharedConnection().ConnectionTimeout(), 5);
    EXPECT_TRUE(splash->tim_exit.isActive());
    EXPECT_EQ(control->mainWindow(), nullptr) << "only the exit timer shows the main window";
}

TEST_F(Station, TheExitTimerClosesTheSplashAndShowsTheMainWindow) {
    deliverSettings();
    frmMain* main = startAndLoad();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(control->splash(), nullptr) << "closed and released";
}

// The splash's Korean label needs a face the main window does not; it must not stay mapped
// for the whole run, and the main window must still draw its text the same without it.
TEST_F(Station, TheFaceOnlyTheSplashDrewIsLetGoOnceTheSplashIsGone) {
    deliverSettings();
    const std::set<std::string> before = mappedFontFiles();
    ASSERT_TRUE(makeControl().StartProgram());
    control->splash()->grab(); // draws every label of the splash
    std::set<std::string> splashOnly;
    std::ranges::set_difference(mappedFontFiles(), before,
                                std::inserter(splashOnly, splashOnly.end()));
    ASSERT_FALSE(splashOnly.empty()) << "the splash's labels opened no face of their own";

    control->splash()->timLoad_Timer();
    control->splash()->tim_exit_Timer();
    flushDeletes();
    frmMain* main = control->mainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(control->splash(), nullptr);
    const QImage menuBefore = main->menuBar()->grab().toImage();

    // The main window may well use some of them too (a bold Latin face): those come back.
    const auto someReleased = [&] {
        const std::set<std::string> now = mappedFontFiles();
        return std::ranges::any_of(splashOnly, [&](const auto& f) { return !now.contains(f); });
    };
    EXPECT_TRUE(QTest::qWaitFor(someReleased, 10000)) << "every face the splash opened stays";
    EXPECT_EQ(main->menuBar()->grab().toImage(), menuBefore);
    main->grab();
    EXPECT_TRUE(someReleased()) << "the main window's drawing brought it back";
}

TEST_F(Station, WithRealTimersTheMainWindowAppearsOnlyAfterTheExitTimer) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    bool exitFired = false;
    QObject::connect(control->splash(), &frmSplash::showMainWindow, [&] { exitFired = true; });
    bool mainBeforeExit = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { mainBeforeExit |= control->mainWindow() && !exitFired; });
    watch.start(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return control->mainWindow() != nullptr; }, 60000));
    EXPECT_TRUE(exitFired);
    EXPECT_FALSE(mainBeforeExit);
    // A slow machine may let the load timer run the step again before the exit timer
    // fires; what holds is that the step ran, and every run went to its end.
    expectWholeLoadingSteps();
}

TEST_F(Station, ALoadingStepSlowerThanTheTimersStillEndsInTheMainWindow) {
    // On a busy machine the loading step can outlast the gap between the two timers, so
    // the load timer runs it again; that must not keep pushing the exit timer back.
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    frmSplash* splash = control->splash();
    splash->timLoad.setInterval(100);
    splash->tim_exit.setInterval(50);
    pause = [this](int ms) {
        sleeps.append(ms);
        if (ms == 200) { // the last pause of the step
            QThread::msleep(150);
        }
    };
    // Only slow: the exit timer, once running, is never restarted, and it is due before the
    // load timer's next tick after at most one more step, so the wait ends.
    ASSERT_TRUE(QTest::qWaitFor([&] { return control->mainWindow() != nullptr; }, 60000));
    expectWholeLoadingSteps();
}

TEST_F(Station, ALoadingStepDueWhileTheExitTimerRunsDoesNotRestartIt) {
    // Driven by hand: what could hold the main window back is the exit timer's count
    // starting again with every step.
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    frmSplash* splash = control->splash();
    splash->timLoad.stop();
    splash->timLoad_Timer();
    ASSERT_TRUE(splash->tim_exit.isActive());
    QThread::msleep(30);
    const int before = splash->tim_exit.remainingTime();
    splash->timLoad_Timer();
    EXPECT_TRUE(splash->tim_exit.isActive());
    EXPECT_LE(splash->tim_exit.remainingTime(), before) << "the count went on";
    EXPECT_LT(splash->tim_exit.remainingTime(), splash->tim_exit.interval());
}

TEST_F(Station, ClosingTheSplashByHandDoesNotStrandTheProgram) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    // Through the window system, as the title bar's close button does, and directly.
    control->splash()->windowHandle()->close();
    control->splash()->close();
    flushDeletes();
    ASSERT_NE(control->splash(), nullptr);
    EXPECT_TRUE(control->splash()->isVisible());
    EXPECT_TRUE(control->splash()->timLoad.isActive());
}

// ---- Main window ----

TEST_F(Station, TheMainWindowOpensTheStoredPort) {
    deliverSettings();
    frmMain* main = startAndLoad();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(control->CommPortNumber, 1);
    EXPECT_TRUE(main->MSComm1.PortOpen());
    EXPECT_TRUE(main->MSComm1.PortOpened());
    EXPECT_EQ(main->MSComm1.Settings(), "9600,n,8,1");
    EXPECT_TRUE(main->connectionStatus().contains("open"))
        << main->connectionStatus().toStdString();
    EXPECT_EQ(main->windowTitle(), "REMOTE PROGRAM");
    EXPECT_EQ(main->Label1->text(), "REMOTE PROGRAM");
    EXPECT_TRUE(main->Timer1.isActive());
    EXPECT_EQ(main->Timer1.interval(), 100);
}

TEST_F(Station, SettingsThatCannotBeReadAtLoadAreReportedWithTheFileAndThePortStaysShut) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    control->splash()->timLoad_Timer();
    {
        // Another program holds the file while the window loads.
        storetest::RawDb other(settingsFile(), "vemqaz");
        other.exec("BEGIN EXCLUSIVE");
        control->splash()->tim_exit_Timer();
    }
    flushDeletes();
    ASSERT_NE(control->mainWindow(), nullptr);
    ASSERT_EQ(sink.messages.size(), 2);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, QString::fromStdString(settingsFile().string()) +
                                         ": the settings could not be read. (database is locked)");
    EXPECT_TRUE(sink.messages[1].text.startsWith("Com0: there is no such port"))
        << sink.messages[1].text.toStdString();
    EXPECT_FALSE(control->mainWindow()->MSComm1.PortOpened());
}

TEST_F(Station, ThePollFrameGoesOutOnTheSecondTickOnceTheLoopIsOn) {
    deliverSettings();
    frmMain* main = startAndLoad();
    main->Timer1.stop();
    main->link().LOOPSW_ValueChanged(true);
    main->Timer1_Timer();
    main->Timer1_Timer();
    EXPECT_EQ(pty.read(9).toHex(' '), "52 45 4d 4f 54 45 31 fd 0d");
}

TEST_F(Station, BytesFromTheDetectorReachTheLink) {
    deliverSettings();
    frmMain* main = startAndLoad();
    main->Timer1.stop();
    pty.write(kScreenFrame.toLatin1());
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->CWButton2->value(); }, 3000))
        << "a whole screen frame lights the receive lamp";
    EXPECT_TRUE(main->link().RxLampOn());
}

// The main window on a context of its own: no start-up module and no splash window.
class BareContext : public remote::startup::StationContext {
public:
    BareContext(MessageSink& sink, remote::startup::StationFolders folders,
                remote::store::SettingsStore* store)
        : m_sink(sink)
        , m_folders(std::move(folders))
        , m_store(store) {}

    remote::store::SettingsStore* settings() const override { return m_store; }
    const remote::startup::StationFolders& folders() const override { return m_folders; }
    MessageSink& messages() const override { return m_sink; }

private:
    MessageSink& m_sink;
    remote::startup::StationFolders m_folders;
    remote::store::SettingsStore* m_store;
};

TEST_F(Station, TheMainWindowLoadsFromItsContextAlone) {
    deliverSettings();
    remote::store::SettingsStore store(settingsFile());
    BareContext context(sink, folders(), &store);
    frmMain main(context);
    main.Form_Load();
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(context.CommPortNumber, 1) << "the stored number is the program's";
    EXPECT_TRUE(main.MSComm1.PortOpened());
}

TEST_F(Station, TheLoadSignalsBracketEveryBoxTheLoadShows) {
    // A splash window still up stops its timers on the first signal: a box shown before it
    // would let them fire inside the box's event loop.
    BareContext context(sink, folders(), nullptr); // no settings file: the port warning
    frmMain main(context);
    QStringList events;
    QObject::connect(&main, &frmMain::loadStarted, [&] { events.append("started"); });
    QObject::connect(&main, &frmMain::loadFinished, [&] { events.append("finished"); });
    sink.whileShown = [&](const RecordingMessageSink::Message&) { events.append("box"); };
    main.Form_Load();
    EXPECT_EQ(events, (QStringList{"started", "box", "finished"}));
    EXPECT_FALSE(main.MSComm1.PortOpened());
}

struct NoPortCase {
    const char* name;
    std::vector<std::string> rows;
};

class StationWithoutPort : public Station, public ::testing::WithParamInterface<NoPortCase> {};

TEST_P(StationWithoutPort, WarnsOnceWritesNothingAndStillBlinksTheTransmitLamp) {
    makeSettings(GetParam().rows);
    frmMain* main = startAndLoad();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_EQ(sink.messages[0].text,
              "Com0: there is no such port; ports run from Com1 to Com16. (Invalid port number)");
    EXPECT_EQ(sink.messages[0].title, "") << "no title of its own";
    EXPECT_FALSE(main->MSComm1.PortOpened());
    EXPECT_EQ(control->CommPortNumber, 0);

    main->Timer1.stop();
    int lit = 0;
    QObject::connect(main->CWButton1, &InstrumentLamp::valueChanged, [&](bool on) { lit += on; });
    main->link().LOOPSW_ValueChanged(true);
    for (int tick = 0; tick < 8; ++tick) {
        main->Timer1_Timer();
    }
    EXPECT_GE(lit, 2) << "the lamp blinks at every send";
    EXPECT_TRUE(pty.read(1, 300).isEmpty()) << "nothing reaches any line";
    EXPECT_EQ(sink.messages.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, StationWithoutPort,
                         ::testing::Values(NoPortCase{"portZero", {"0, '9600', NULL"}},
                                           NoPortCase{"emptyTable", {}},
                                           NoPortCase{"nullPort", {"NULL, '9600', NULL"}},
                                           NoPortCase{"notANumber", {"'Com1', '9600', NULL"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Station, APortThatCannotOpenIsReportedWithTheSystemsText) {
    makeSettings({"2, '9600', NULL"});
    serialtest::ComVariable com2(2, "/nonexistent/ttyQ");
    frmMain* main = startAndLoad();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].text,
              "Com2 (/nonexistent/ttyQ): the device could not be opened. (No such file or "
              "directory)");
    EXPECT_FALSE(main->MSComm1.PortOpened());
    EXPECT_TRUE(main->isVisible()) << "the program runs on without a link";
}

TEST_F(Station, AnUnpluggedDeviceIsReportedOnceAndShownInTheStatusBar) {
    QTemporaryDir links;
    serialtest::DeviceLink device(links.filePath("ttyUSB").toStdString());
    device.pointAt(pty.slavePath());
    serialtest::ComVariable com1Link(1, device.path());
    deliverSettings();
    frmMain* main = startAndLoad();
    ASSERT_TRUE(main->MSComm1.PortOpened());
    pty.unplug();
    device.remove();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.messages.isEmpty(); }, 20000));
    QTest::qWait(200);
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    const QString text = sink.messages[0].text;
    EXPECT_TRUE(text.startsWith("Com1 (" + device.path() + "): the device was disconnected. ("))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(")\n\nThe port has been closed. Sending resumes when the device "
                              "is back."))
        << text.toStdString();
    EXPECT_FALSE(main->MSComm1.PortOpened());
    EXPECT_TRUE(main->connectionStatus().contains("lost"))
        << main->connectionStatus().toStdString();
}

TEST_F(Station, AFlappingCableGivesOneWarningPerOutageAndTheStatusBarFollowsTheRest) {
    using Connection = remote::serial::SerialComm::Connection;
    QTemporaryDir links;
    serialtest::DeviceLink device(links.filePath("ttyUSB").toStdString());
    device.pointAt(pty.slavePath());
    serialtest::ComVariable com1Link(1, device.path());
    deliverSettings();
    frmMain* main = startAndLoad();
    ASSERT_TRUE(main->MSComm1.PortOpened());
    main->MSComm1.setReconnectInterval(std::chrono::milliseconds(20));

    std::vector<std::unique_ptr<serialtest::Pty>> cables;
    const auto plugIn = [&] {
        cables.push_back(std::make_unique<serialtest::Pty>());
        device.pointAt(cables.back()->slavePath());
        return QTest::qWaitFor([&] { return main->MSComm1.PortOpen(); }, 20000);
    };
    const auto pullOut = [&](serialtest::Pty& cable) {
        cable.unplug();
        device.remove();
        const bool lost =
            QTest::qWaitFor([&] { return main->MSComm1.connection() == Connection::Lost; }, 20000);
        QTest::qWait(50); // the loss is announced after the handler that found it
        return lost;
    };

    // The first box stays up while the cable drops and comes back five more times; each of
    // those outages reaches the window inside the box's own event loop.
    QStringList statusWhileUp;
    int boxesUp = 0;
    int deepest = 0;
    sink.whileShown = [&](const RecordingMessageSink::Message&) {
        deepest = std::max(deepest, ++boxesUp);
        if (sink.messages.size() == 1) {
            for (int flap = 0; flap < 5; ++flap) {
                ASSERT_TRUE(plugIn()) << "flap " << flap;
                statusWhileUp << main->connectionStatus();
                ASSERT_TRUE(pullOut(*cables.back())) << "flap " << flap;
                statusWhileUp << main->connectionStatus();
            }
        }
        --boxesUp;
    };
    ASSERT_TRUE(pullOut(pty));
    ASSERT_TRUE(QTest::qWaitFor([&] { return statusWhileUp.size() == 10; }, 60000));
    EXPECT_EQ(sink.messages.size(), 1) << "one box for the first outage, none for the flaps";
    EXPECT_EQ(deepest, 1) << "no box inside another";
    for (qsizetype i = 0; i < statusWhileUp.size(); ++i) {
        EXPECT_TRUE(statusWhileUp[i].contains(i % 2 == 0 ? " open" : " lost"))
            << i << ": " << statusWhileUp[i].toStdString();
    }

    // With the box answered, the next outage is told again, in a box of its own.
    ASSERT_TRUE(plugIn());
    ASSERT_TRUE(pullOut(*cables.back()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sink.messages.size() == 2; }, 20000));
    QTest::qWait(200);
    ASSERT_EQ(sink.messages.size(), 2);
    for (const auto& message : sink.messages) {
        EXPECT_EQ(message.kind, Kind::Warning);
        EXPECT_TRUE(
            message.text.startsWith("Com1 (" + device.path() + "): the device was disconnected."))
            << message.text.toStdString();
    }
}

TEST_F(Station, ARefusedSaveIsShownAfterTheTickHasReturned) {
    deliverSettings();
    frmMain* main = startAndLoad();
    main->refuseSave("IDIN: 6 characters");
    EXPECT_TRUE(sink.messages.isEmpty()) << "not inside the tick";
    QCoreApplication::processEvents();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Warning);
    EXPECT_EQ(sink.messages[0].text, "IDIN: 6 characters");
}

// ---- Exit ----

TEST_F(Station, ExitAsksFirstAndNoKeepsTheProgramAndThePort) {
    deliverSettings();
    frmMain* main = startAndLoad();
    int ended = 0;
    QObject::connect(control.get(), &modControl::programEnded, [&] { ++ended; });

    sink.answers = {Answer::No};
    main->mnuFile_Exit->trigger();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].kind, Kind::Question);
    EXPECT_EQ(sink.messages[0].text, "프로그램을 종료하시겠습니까?");
    EXPECT_EQ(sink.messages[0].title, "종료");
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->MSComm1.PortOpen());
    EXPECT_EQ(ended, 0);

    sink.answers = {Answer::Yes};
    main->close();
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(main->MSComm1.PortOpen());
    EXPECT_FALSE(main->Timer1.isActive());
    EXPECT_EQ(ended, 1);
}

// Asked by the system to end: Yes without the question, once.
TEST_F(Station, EndProgramClosesThePortWithoutAsking) {
    deliverSettings();
    frmMain* main = startAndLoad();
    ASSERT_TRUE(main->MSComm1.PortOpen());
    int ended = 0;
    QObject::connect(control.get(), &modControl::programEnded, [&] { ++ended; });

    control->EndProgram();
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_FALSE(main->MSComm1.PortOpen());
    EXPECT_FALSE(main->Timer1.isActive());
    EXPECT_EQ(ended, 1);
    control->EndProgram();
    main->close(); // the window's own close no longer asks either
    EXPECT_TRUE(sink.messages.isEmpty());
    EXPECT_EQ(ended, 1);
}

TEST_F(Station, EndProgramDuringTheSplashEndsTheProgram) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    int ended = 0;
    QObject::connect(control.get(), &modControl::programEnded, [&] { ++ended; });
    control->EndProgram();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(sink.messages.isEmpty());
}

// ---- Menu and toolbar ----

class RecordingMain : public frmMain {
public:
    using frmMain::frmMain;
    QList<QString> opened;
    QList<bool> buttonDownWhileOpen;

protected:
    void ShowConfig() override { record("frmConfig", 0); }
    void ShowSecurity() override { record("frmSecurity", 1); }
    void ShowPrinterSetup() override { opened.append("printer"); }

private:
    void record(const QString& dialog, int index) {
        opened.append(dialog);
        buttonDownWhileOpen.append(ssrToolbar.at(index)->isChecked());
    }
};

TEST_F(Station, TheMenuCarriesTheItsCaptionsAndEntries) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    RecordingMain main(*control);
    const QList<QAction*> menus = main.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "File(&F)");
    EXPECT_EQ(menus[1]->text(), "View(&V)"); // the alarm history and the line recorder
    EXPECT_EQ(menus[2]->text(), "Help(&H)");
    QStringList fileItems;
    for (QAction* a : menus[0]->menu()->actions()) {
        fileItems.append(a->isSeparator() ? "-" : a->text());
    }
    EXPECT_EQ(fileItems,
              (QStringList{"PASSWORD...", "Port Set(&C)", "Printer Set(&P)", "-", "Exit"}));
    EXPECT_EQ(main.mnuHelp_Help->text(), "Help");

    main.mnuFile_Back->trigger();
    main.mnuFile_Config->trigger();
    main.mnuFile_Printer->trigger();
    main.mnuHelp_Help->trigger();
    EXPECT_EQ(main.opened, (QList<QString>{"frmSecurity", "frmConfig", "printer"}));
}

TEST_F(Station, AToolbarButtonStaysDownWhileItsDialogIsOpenAndComesUpAfter) {
    deliverSettings();
    ASSERT_TRUE(makeControl().StartProgram());
    RecordingMain main(*control);
    ASSERT_EQ(main.ssrToolbar.size(), 3u);
    EXPECT_EQ(main.ssrToolbar.count(0) + main.ssrToolbar.count(1) + main.ssrToolbar.count(5), 3u);

    main.ssrToolbar.at(0)->click();
    main.ssrToolbar.at(1)->click();
    EXPECT_EQ(main.opened, (QList<QString>{"frmConfig", "frmSecurity"}));
    EXPECT_EQ(main.buttonDownWhileOpen, (QList<bool>{true, true}));
    EXPECT_FALSE(main.ssrToolbar.at(0)->isChecked());
    EXPECT_FALSE(main.ssrToolbar.at(1)->isChecked());

    main.show();
    sink.answers = {Answer::No};
    main.ssrToolbar.at(5)->click();
    ASSERT_EQ(sink.messages.size(), 1);
    EXPECT_EQ(sink.messages[0].title, "종료");
    EXPECT_FALSE(main.ssrToolbar.at(5)->isChecked());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.opened.size(), 2) << "coming back up opens nothing";
}

TEST_F(Station, PrinterSetUpThatIsCancelledEndsQuietly) {
    deliverSettings();
    frmMain* main = startAndLoad();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shown = true;
            dialog->close();
        }
    });
    main->mnuFile_Printer->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(sink.messages.isEmpty());
}

// ---- Enter as Tab ----

TEST(EnterAsTab, EnterMovesToTheNextControlAndIsConsumed) {
    QWidget window;
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    first->move(0, 0);
    second->move(0, 40);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());

    std::int16_t key = 65;
    modControl::EnterAsTab(key);
    EXPECT_EQ(key, 65);
    EXPECT_TRUE(first->hasFocus()) << "other keys do nothing";

    key = 13;
    modControl::EnterAsTab(key);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(second->hasFocus());
}

} // namespace

// ---- Alarm history and line recording ----

namespace {

std::vector<remote::history::AlarmRecord> historyOf(frmMain& main) {
    const auto* store = main.records().history().store();
    return store ? store->read(remote::history::HistoryFilter{})
                 : std::vector<remote::history::AlarmRecord>{};
}

} // namespace

TEST_F(Station, AlarmsOnTheLineAreKeptARecordingReplaysWithoutSendingOrKeeping) {
    deliverSettings();
    frmMain* main = startAndLoad();
    main->Timer1.stop();
    StationRecords& records = main->records();
    ASSERT_TRUE(records.history().available()) << records.history().problem().toStdString();

    const QString recording = dir.filePath("line.rec");
    ASSERT_TRUE(records.startRecording(recording));
    pty.write(kScreenFrame.toLatin1() + QByteArray("FB1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->link().AlarmActive(1); }, 5000));
    main->Timer1_Timer();
    EXPECT_TRUE(records.statusText().startsWith("REC ")) << records.statusText().toStdString();
    records.stopRecording();
    EXPECT_EQ(records.statusText(), "");

    auto rows = historyOf(*main);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].channel, 1);
    EXPECT_EQ(rows[0].label, "Laser Beam :");
    const auto before = QDateTime::currentMSecsSinceEpoch();
    EXPECT_LE(rows[0].utcMs, before);
    EXPECT_GT(rows[0].utcMs, before - 60'000);

    // Let the label fade, so the replayed code would be a new alarm.
    for (int i = 0; i < 12; ++i) {
        main->Timer1_Timer();
    }
    ASSERT_FALSE(main->link().AlarmActive(1));

    main->ui.FREQSAVE[2]->setEnabled(true); // as the access code leaves it
    bool sawReplay = false;
    QObject::connect(&records, &StationRecords::replayChanged, [&](bool on) {
        sawReplay |= on;
        if (on) {
            EXPECT_FALSE(main->ui.FREQSAVE[2]->isEnabled()) << "saves are locked in a replay";
            EXPECT_FALSE(main->MSComm1.PortOpen());
            EXPECT_FALSE(main->MSComm1.PortOpened());
            EXPECT_TRUE(main->windowTitle().startsWith("REMOTE PROGRAM - REPLAY"));
        }
    });
    ASSERT_TRUE(records.startReplay(recording, 0));
    main->link().LOOPSW_ValueChanged(true);
    main->Timer1_Timer();
    main->Timer1_Timer(); // the poll tick: nothing may go out
    ASSERT_TRUE(QTest::qWaitFor([&] { return !records.replaying(); }, 10000));
    EXPECT_TRUE(pty.read(1, 300).isEmpty()) << "nothing was sent during the replay";
    main->link().LOOPSW_ValueChanged(false);
    EXPECT_TRUE(sawReplay);
    EXPECT_TRUE(main->link().AlarmActive(1)) << "the replayed code reached the link";
    main->Timer1_Timer(); // the replayed alarm turns red now
    EXPECT_EQ(historyOf(*main).size(), 1u) << "a replay is not history";
    EXPECT_EQ(main->windowTitle(), "REMOTE PROGRAM");
    EXPECT_TRUE(main->ui.FREQSAVE[2]->isEnabled()) << "the unlock outlives the replay";
    EXPECT_FALSE(main->ui.FREQSAVE[3]->isEnabled());
    EXPECT_TRUE(main->MSComm1.PortOpen());
    EXPECT_TRUE(main->MSComm1.PortOpened());

    // After the replay the history runs again.
    for (int i = 0; i < 12; ++i) {
        main->Timer1_Timer();
    }
    pty.write("FA1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->link().AlarmActive(0); }, 5000));
    main->Timer1_Timer();
    EXPECT_EQ(historyOf(*main).size(), 2u);
}

TEST_F(Station, ADamagedHistoryIsSetAsideAndTheStationRunsOnWithANewOne) {
    deliverSettings();
    QDir().mkpath(dir.filePath("user"));
    QFile damaged(dir.filePath("user/alarm-history.sqlite3"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(8192, 'x'));
    damaged.close();

    frmMain* main = startAndLoad();
    ASSERT_NE(main, nullptr);
    main->Timer1.stop();
    EXPECT_TRUE(main->MSComm1.PortOpen());
    EXPECT_TRUE(main->records().history().available());
    bool shown = false;
    for (QLabel* label : main->statusBar()->findChildren<QLabel*>()) {
        shown |= label->text().startsWith(
            "Alarm history was damaged and is set aside as alarm-history.sqlite3.damaged-");
    }
    EXPECT_TRUE(shown);
    pty.write("FA1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->link().AlarmActive(0); }, 5000));
    main->Timer1_Timer();
    EXPECT_EQ(historyOf(*main).size(), 1u);
    const QStringList aside =
        QDir(dir.filePath("user")).entryList({"alarm-history.sqlite3.damaged-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(dir.filePath("user/" + aside[0])).size(), 8192)
        << "the damaged file is kept for the operator to look at";
}

TEST_F(Station, TheHistoryWindowOpensFromTheViewMenu) {
    deliverSettings();
    frmMain* main = startAndLoad();
    main->Timer1.stop();
    QAction* viewMenu = main->menuBar()->actions().at(1);
    QAction* history = viewMenu->menu()->actions().at(0);
    EXPECT_EQ(history->text(), "Alarm history");
    history->trigger();
    ASSERT_NE(main->records().historyWindow(), nullptr);
    EXPECT_TRUE(main->records().historyWindow()->isVisible());
    EXPECT_EQ(main->records().historyWindow()->windowTitle(), "Alarm history");
}

TEST(ExportHistoryCommand, WritesTheCsvWithoutAWindowOrADisplay) {
    QTemporaryDir data;
    QDir().mkpath(data.filePath("remote"));
    {
        remote::history::HistoryStore store(
            data.filePath("remote/alarm-history.sqlite3").toStdString());
        for (int channel : {2, 7}) {
            remote::history::AlarmRecord r{0,       1'000 * channel, 0,
                                           channel, "Ext, \"x\"",    std::nullopt};
            store.insert(r);
        }
    }
    QProcess remote;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", data.path());
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    remote.setProcessEnvironment(env);
    const QString out = data.filePath("out.csv");
    remote.start(QString(TEST_BINARY_DIR) + "/bin/remote",
                 {"--export-history", out, "--from", "1970-01-01T00:00:05Z"});
    ASSERT_TRUE(remote.waitForFinished(60000));
    EXPECT_EQ(remote.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(remote.exitCode(), 0) << remote.readAllStandardError().toStdString();
    QFile csv(out);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().toStdString(),
              "time,channel,label,detector_clock,dropped_bytes\r\n"
              "1970-01-01T00:00:07.000+00:00,7,\"Ext, \"\"x\"\"\",,0\r\n");

    remote.start(QString(TEST_BINARY_DIR) + "/bin/remote",
                 {"--export-history", out, "--to", "later"});
    ASSERT_TRUE(remote.waitForFinished(60000));
    EXPECT_EQ(remote.exitCode(), 2);
    EXPECT_TRUE(remote.readAllStandardError().contains("not an ISO 8601 time"));
}

namespace {

// The station sends its window's pixels through the socket unless the user chose otherwise.
TEST(WindowSystem, ImagesGoThroughTheSocketUnlessTheEnvironmentAlreadySays) {
    const QByteArray saved = qgetenv("QT_XCB_NO_MITSHM");
    const bool wasSet = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    qunsetenv("QT_XCB_NO_MITSHM");
    remote::startup::preferImagesThroughTheSocket();
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "1");
    qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("0"));
    remote::startup::preferImagesThroughTheSocket();
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "0") << "the user's own choice stays";
    if (wasSet) {
        qputenv("QT_XCB_NO_MITSHM", saved);
    } else {
        qunsetenv("QT_XCB_NO_MITSHM");
    }
}

} // namespace
