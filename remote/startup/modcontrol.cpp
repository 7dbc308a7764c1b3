#include "modcontrol.h"

#include "common/numbertext.h"
#include "frmmain.h"
#include "remote/controls/progressbar/xp_progressbar.h"
#include "remote/dialogs/frmsplash.h"
#include "remote/dialogs/messagesink.h"
#include "remote/store/settingslocation.h"
#include "remote/store/storeerror.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace remote::startup {

using remote::dialogs::frmSplash;
using remote::dialogs::MessageSink;
using remote::process::SingleInstance;

namespace {

constexpr int kProgressSteps = 100;     // counts of the loading step
constexpr int kProgressPause = 10;      // milliseconds before each count
constexpr int kInitialisingPause = 300; // milliseconds after the count
constexpr int kFinalPause = 200;        // milliseconds after "Program initialization..."

void sleepFor(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(std::max(0, milliseconds)));
}

// The splash's Korean label is the only text of the run that needs a Korean face, a large
// file Qt keeps mapped for as long as its font cache holds the face, which is for ever.
// Emptying the cache lets it go; fonts still in use find their faces again when next drawn.
void dropCachedFontFaces() {
    QFont::cleanup();
}

} // namespace

modControl::Folders modControl::defaultFolders() {
    // Installed, the delivered settings file lies in the data folder, not beside the program.
    const QString programFolder = QApplication::applicationDirPath();
    const QString dataFolder =
        QDir::cleanPath(programFolder + u'/' + QLatin1String(REMOTE_DATA_FROM_PROGRAM));
    return {QString::fromStdString(remote::store::deliveredSettingsFolder(
                                       programFolder.toStdString(), dataFolder.toStdString())
                                       .string()),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)};
}

modControl::modControl(MessageSink& messages, Folders folders, QObject* parent)
    : modControl(messages, std::move(folders), sleepFor, parent) {}

modControl::modControl(MessageSink& messages, Folders folders, Pause pause, QObject* parent)
    : QObject(parent)
    , m_messages(messages)
    , m_folders(std::move(folders))
    , m_pause(pause ? std::move(pause) : sleepFor)
    , m_instance(m_folders.lock) {}

modControl::~modControl() {
    delete m_splash.data();
}

bool modControl::StartProgram() {
    switch (m_instance.tryLock()) {
    case SingleInstance::Result::AlreadyRunning:
        m_messages.information(QString::fromUtf8(kRunningText), QString::fromUtf8(kRunningTitle));
        return false;
    case SingleInstance::Result::Unchecked:
        qWarning("Cannot make the single-instance lock %s; not checking for another copy",
                 qPrintable(m_instance.lockPath()));
        break;
    case SingleInstance::Result::First:
        break;
    }

    try {
        const auto location = remote::store::locateSettingsFile(m_folders.program.toStdString(),
                                                                m_folders.perUser.toStdString());
        m_store = std::make_unique<remote::store::SettingsStore>(location.file);
    } catch (const remote::store::StoreError& e) {
        // The text names the file and what is wrong with it.
        m_messages.critical(QString::fromStdString(e.what()), QString());
        return false;
    }

    m_splash = new frmSplash;
    connect(m_splash, &frmSplash::loadingStepDue, this, &modControl::RunLoadingProgress);
    connect(m_splash, &frmSplash::showMainWindow, this, &modControl::ShowMainWindow);
    // Once the splash and its labels are gone, not from inside their destruction.
    connect(m_splash, &QObject::destroyed, this,
            [this] { QTimer::singleShot(0, this, dropCachedFontFaces); });
    m_splash->show();
    return true;
}

void modControl::OpenSharedConnection() {
    m_store->OpenSharedConnection();
}

void modControl::RunLoadingProgress() {
    try {
        OpenSharedConnection();
    } catch (const remote::store::StoreError& e) {
        // Nothing runs on this connection; the first one still serves every read and save.
        qWarning("Second settings connection failed: %s", e.what());
    }
    frmSplash* splash = m_splash;
    if (!splash) {
        return;
    }
    splash->PgBar->setMax(kProgressSteps);
    splash->PgBar->setValue(0);
    LoadProgress = 0;
    for (int i = 0; i < kProgressSteps; ++i) {
        ++LoadProgress;
        m_pause(kProgressPause);
        splash->PgBar->setValue(LoadProgress);
        splash->Label1->setText(QStringLiteral("Loading : ") +
                                QString::fromStdString(common::SignedNumberText(LoadProgress)) +
                                QStringLiteral(" %"));
        repaintSplash();
    }
    m_pause(kInitialisingPause);
    splash->Label1->setText(QStringLiteral("Program initialization..."));
    repaintSplash();
    m_pause(kFinalPause);
}

void modControl::repaintSplash() {
    // The step blocks the event loop on purpose; paint the two changing controls now.
    if (m_splash && m_splash->isVisible()) {
        m_splash->PgBar->repaint();
        m_splash->Label1->repaint();
    }
}

void modControl::ShowMainWindow() {
    if (!m_main) {
        m_main = std::make_unique<frmMain>(*this);
        connect(m_main.get(), &frmMain::programEnded, this, &modControl::programEnded);
        // The load's message boxes run event loops: the splash timers must not fire in them.
        if (m_splash) {
            connect(m_main.get(), &frmMain::loadStarted, m_splash, &frmSplash::stopTimers);
            connect(m_main.get(), &frmMain::loadFinished, m_splash, &frmSplash::Unload);
        }
        m_main->Form_Load();
    }
    m_main->show();
}

void modControl::EndProgram() {
    if (m_main) {
        m_main->EndWithoutAsking();
        return;
    }
    // The main loop may not run yet (start-up's own message boxes), and quitting does
    // nothing then: closing the box lets StartProgram return.
    if (QWidget* box = QApplication::activeModalWidget()) {
        box->close();
    }
    emit programEnded();
}

void modControl::EnterAsTab(std::int16_t& keyCode) {
    if (keyCode != 13) {
        return;
    }
    keyCode = 0;
    if (QWidget* focus = QApplication::focusWidget()) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focus, &tab);
    }
}

} // namespace remote::startup
