#include "remote/startup/stationrecords.h"

#include "remote/alerts/stationalerts.h"
#include "remote/history/frmhistory.h"
#include "remote/mqtt/stationpublisher.h"
#include "remote/recording/replayrunner.h"
#include "remote/report/frmreport.h"
#include "remote/report/reportsettings.h"
#include "remote/serial/serialcomm.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimeZone>

namespace remote::startup {

namespace {

remote::history::AlarmWatch::Now localNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.toMSecsSinceEpoch(), now.offsetFromUtc()};
}

QString sizeText(std::uint64_t bytes) {
    if (bytes < 10 * 1024) {
        return QStringLiteral("%1 B").arg(bytes);
    }
    if (bytes < 10 * 1024 * 1024) {
        return QStringLiteral("%1 kB").arg(bytes / 1024);
    }
    return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
}

} // namespace

StationRecords::StationRecords(remote::link::MonitorView& window, remote::serial::SerialComm& comm,
                               QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_comm(comm)
    , m_settingsWatch(window)
    , m_watch(m_settingsWatch, localNow,
              [this](const remote::history::AlarmRecord& alarm) { m_alarmSinks.deliver(alarm); })
    , m_port(comm, m_recorder) {
    connect(&m_history, &remote::history::HistoryLog::statusChanged, this, &StationRecords::report);
    m_alarmSinks.setReporter(
        [this](const std::string& message) { report(QString::fromStdString(message)); });
    m_alarmSinks.add(
        "history", [this](const remote::history::AlarmRecord& alarm) { m_history.record(alarm); });
    m_watch.setSnapshotSink([this](const remote::history::SettingsSnapshot& snapshot) {
        m_history.recordSnapshot(snapshot);
    });
}

StationRecords::~StationRecords() {
    if (m_historyWindow) {
        delete m_historyWindow.data();
    }
    m_mqtt.reset();
}

void StationRecords::install(QMainWindow& window, const QString& dataFolder,
                             std::function<void(std::span<const std::uint8_t>)> receive) {
    m_mainWindow = &window;
    m_receive = std::move(receive);
    m_dataFolder = dataFolder;
    m_title = window.windowTitle();

    // A menu of its own between File and Help, so the original menus stay as they are.
    QMenu* view = new QMenu(QStringLiteral("View(&V)"), &window);
    const auto menus = window.menuBar()->actions();
    window.menuBar()->insertMenu(menus.size() > 1 ? menus[1] : nullptr, view);
    view->addAction(QStringLiteral("Alarm history"), this, &StationRecords::showHistory);
    m_alerts = std::make_unique<remote::alerts::StationAlerts>(window, m_alarmSinks);
    view->addAction(QStringLiteral("Alerts..."), m_alerts.get(),
                    &remote::alerts::StationAlerts::showDialog);
    // The history window's range when it is open, the last day otherwise.
    view->addAction(QStringLiteral("Report..."), this, [this] {
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        showReport(m_historyWindow ? m_historyWindow->fromMs() : now - 86'400'000,
                   m_historyWindow ? m_historyWindow->toMs() : now);
    });
    // The same window, for its print button; says so when there is nothing to print on.
    QAction* print = view->addAction(QStringLiteral("Print report..."));
    connect(print, &QAction::triggered, this, [this] {
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        showReport(m_historyWindow ? m_historyWindow->fromMs() : now - 86'400'000,
                   m_historyWindow ? m_historyWindow->toMs() : now);
    });
    connect(view, &QMenu::aboutToShow, print, [print] {
        const bool installed = remote::report::printerInstalled();
        print->setEnabled(installed);
        print->setText(installed ? QStringLiteral("Print report...")
                                 : QStringLiteral("Print report (no printer installed)"));
    });
    view->addSeparator();
    m_recordAction = view->addAction(QStringLiteral("Start recording..."));
    m_replayAction = view->addAction(QStringLiteral("Replay recording..."));
    connect(m_recordAction, &QAction::triggered, this, [this] {
        if (recording()) {
            stopRecording();
            return;
        }
        const QString path = QFileDialog::getSaveFileName(
            m_mainWindow, QStringLiteral("Record the line"),
            QStringLiteral("line-%1.rec")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))),
            QStringLiteral("Line recordings (*.rec)"));
        if (!path.isEmpty()) {
            startRecording(path);
        }
    });
    connect(m_replayAction, &QAction::triggered, this, [this] {
        if (replaying()) {
            stopReplay();
            return;
        }
        const QString path =
            QFileDialog::getOpenFileName(m_mainWindow, QStringLiteral("Replay a recording"),
                                         QString(), QStringLiteral("Line recordings (*.rec)"));
        if (path.isEmpty()) {
            return;
        }
        const QStringList speeds{QStringLiteral("1x"), QStringLiteral("4x"), QStringLiteral("16x"),
                                 QStringLiteral("As fast as possible")};
        bool ok = false;
        const QString speed =
            QInputDialog::getItem(m_mainWindow, QStringLiteral("Replay"), QStringLiteral("Speed:"),
                                  speeds, 0, false, &ok);
        if (ok) {
            startReplay(path, speed == speeds[3] ? 0 : speed.chopped(1).toInt());
        }
    });

    m_recordLabel = new QLabel(&window);
    m_problemLabel = new QLabel(&window);
    // File names and the texts of damaged files show as they are.
    m_recordLabel->setTextFormat(Qt::PlainText);
    m_problemLabel->setTextFormat(Qt::PlainText);
    window.statusBar()->addPermanentWidget(m_problemLabel);
    window.statusBar()->addPermanentWidget(m_recordLabel);
    updateStatus();

    if (dataFolder.isEmpty()) {
        report(QStringLiteral("Alarm history off: no data folder"));
    } else {
        const QString file = dataFolder + u'/' + QLatin1String(remote::history::kHistoryFileName);
        // The broker's outbox lives in the history file: set up before it opens.
        m_mqtt = std::make_unique<remote::mqtt::StationPublisher>(remote::mqtt::readMqttSettings(),
                                                                  file);
        if (m_mqtt->enabled()) {
            auto* broker = new QLabel(&window);
            broker->setObjectName(QStringLiteral("lblBroker"));
            broker->setTextFormat(Qt::PlainText); // the broker's and the TLS library's words
            broker->setText(m_mqtt->statusText());
            window.statusBar()->addPermanentWidget(broker);
            connect(m_mqtt.get(), &remote::mqtt::StationPublisher::statusChanged, broker,
                    &QLabel::setText);
            m_mqtt->attach(m_history);
            m_mqtt->watchPort(m_comm);
        }
        m_history.open(file);
        m_mqtt->start();
    }
}

void StationRecords::received(std::span<const std::uint8_t> bytes) {
    m_recorder.received(bytes);
}

void StationRecords::tickDone() {
    m_recorder.flushSent();
    if (m_alerts) {
        m_alerts->tick(m_watch.anyRed(), m_comm.PortOpened());
    }
    if (!replaying() && !m_watch.recording()) {
        // Alarms a replay raised turn red at this first tick after it; they were not
        // seen on the line, so history resumes only now.
        m_watch.setRecording(true);
    }
    if (m_mqtt && !replaying()) {
        // A replay's settings are not the detector's.
        m_mqtt->update(m_settingsWatch);
    }
    updateStatus();
}

bool StationRecords::startRecording(const QString& file) {
    std::string error;
    if (!m_recorder.start(file.toStdString(), error)) {
        report(QString::fromStdString(error));
        return false;
    }
    updateStatus();
    return true;
}

void StationRecords::stopRecording() {
    m_recorder.stop();
    updateStatus();
}

bool StationRecords::startReplay(const QString& file, int speed) {
    if (replaying() || !m_receive) {
        return false;
    }
    // Only a regular file is opened (a pipe or a device would block the window or act on
    // the device), and it is read as it plays, never whole.
    std::unique_ptr<remote::recording::RecordingReader> reader;
    try {
        reader = std::make_unique<remote::recording::RecordingReader>(
            std::filesystem::path(QFile::encodeName(file).toStdString()));
    } catch (const std::exception& e) {
        report(QStringLiteral("Cannot replay: ") + QString::fromLocal8Bit(e.what()));
        return false;
    }
    // Nothing goes to the detector while the recording speaks for it.
    m_portWasOpen = m_comm.PortOpen();
    m_comm.setPortOpened(false);
    if (m_portWasOpen) {
        m_comm.setPortOpen(false);
    }
    m_watch.setRecording(false);
    m_replay = std::make_unique<remote::recording::ReplayRunner>(
        remote::recording::ReplayScheduler(std::move(reader), speed),
        [this](std::span<const std::uint8_t> bytes) { m_receive(bytes); });
    connect(m_replay.get(), &remote::recording::ReplayRunner::finished, this, [this] {
        // Released after the runner's own handler has returned.
        QMetaObject::invokeMethod(
            this, [this] { stopReplay(); }, Qt::QueuedConnection);
    });
    if (m_mainWindow) {
        m_mainWindow->setWindowTitle(
            m_title + QString::fromLatin1(kReplayTitle) +
            (speed == 0 ? QStringLiteral(" (fast)") : QStringLiteral(" (%1x)").arg(speed)) +
            QStringLiteral(": ") + file);
    }
    if (m_replayAction) {
        m_replayAction->setText(QStringLiteral("Stop replay"));
    }
    emit replayChanged(true);
    m_replay->start();
    return true;
}

void StationRecords::stopReplay() {
    if (!m_replay) {
        return;
    }
    auto runner = std::move(m_replay);
    runner->disconnect(this);
    runner->stop();
    if (const std::string early = runner->scheduler().earlyStop(); !early.empty()) {
        report(QString::fromLocal8Bit(early));
    }
    if (m_portWasOpen && m_comm.setPortOpen(true)) {
        m_comm.setPortOpened(true);
    }
    if (m_mainWindow) {
        m_mainWindow->setWindowTitle(m_title);
    }
    if (m_replayAction) {
        m_replayAction->setText(QStringLiteral("Replay recording..."));
    }
    emit replayChanged(false);
}

void StationRecords::showHistory() {
    if (!m_historyWindow) {
        m_historyWindow = new remote::history::frmHistory(m_history);
        m_historyWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_historyWindow, &remote::history::frmHistory::reportRequested, this,
                &StationRecords::showReport);
    }
    m_historyWindow->show();
    m_historyWindow->raise();
    m_historyWindow->activateWindow();
}

void StationRecords::showReport(std::int64_t fromMs, std::int64_t toMs) {
    if (m_dataFolder.isEmpty()) {
        report(QStringLiteral("Report unavailable: no data folder"));
        return;
    }
    remote::report::frmReport dialog(
        m_dataFolder + u'/' + QLatin1String(remote::history::kHistoryFileName),
        m_dataFolder + u'/' + QLatin1String(remote::report::kReportSettingsFileName), fromMs, toMs,
        {}, m_historyWindow ? static_cast<QWidget*>(m_historyWindow.data()) : m_mainWindow);
    dialog.exec();
}

QString StationRecords::statusText() const {
    return m_recordLabel ? m_recordLabel->text() : QString();
}

QString StationRecords::problemText() const {
    return m_problemLabel ? m_problemLabel->text() : QString();
}

void StationRecords::updateStatus() {
    // Called at every tick: the widgets are touched only when the recorder's state moved.
    const StatusShown now{recording(), recording() ? m_recorder.size() : 0, m_recorder.error()};
    if (m_recordLabel && m_statusShown == now) {
        return;
    }
    m_statusShown = now;
    if (m_recordAction) {
        m_recordAction->setText(recording() ? QStringLiteral("Stop recording")
                                            : QStringLiteral("Start recording..."));
    }
    if (!m_recordLabel) {
        return;
    }
    if (!m_recorder.error().empty() && m_problemLabel) {
        m_problemLabel->setText(QString::fromStdString(m_recorder.error()));
    }
    const QString text =
        recording() ? QStringLiteral("REC %1").arg(sizeText(m_recorder.size())) : QString();
    if (text != m_recordLabel->text()) {
        m_recordLabel->setText(text);
    }
}

void StationRecords::report(const QString& message) {
    if (m_problemLabel) {
        m_problemLabel->setText(message);
    }
}

} // namespace remote::startup
