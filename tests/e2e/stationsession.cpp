#include "stationsession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace e2e {

namespace {

constexpr int StartTimeoutMs = 20000; // the station shows its splash for a few seconds first

bool isLink(const QString& path) {
    struct stat st {};
    return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

StationSession::StationSession() {
    m_link = m_dir.filePath(QStringLiteral("com1"));
    m_log = m_dir.filePath(QStringLiteral("frames.log"));
    m_socketName = m_dir.filePath(QStringLiteral("automation"));
    QDir(m_dir.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("run")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

StationSession::~StationSession() {
    m_socket.abort();
    // The station is asked to end first, so it leaves no serial lock file behind.
    if (m_station.state() != QProcess::NotRunning) {
        m_station.terminate();
        m_station.waitForFinished(10000);
    }
    for (QProcess* p : {&m_station, &m_sim}) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

bool StationSession::startSimulator() {
    m_sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_sim.start(QStringLiteral(DETECTOR_SIM_PATH),
                {QStringLiteral("--link"), m_link, QStringLiteral("--log"), m_log,
                 QStringLiteral("--seed"), QStringLiteral("5")});
    return m_sim.waitForStarted(10000) && waitUntil([this] { return isLink(m_link); }, 10000);
}

void StationSession::killSimulator() {
    m_sim.kill();
    m_sim.waitForFinished(5000);
    QFile::remove(m_link); // the dead simulator leaves its link behind
}

QProcessEnvironment StationSession::stationEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("REMOTE_COM1"), m_link);
    env.insert(QStringLiteral("REMOTE_AUTOMATION_SOCKET"), m_socketName);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    // Never the user's own configuration (port bindings, a broker).
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder());
    return env;
}

void StationSession::startCopy(QProcess& process, const QStringList& arguments) const {
    process.setProcessEnvironment(stationEnvironment());
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    // Whatever the test runner ignores or blocks, the program starts as from a desktop.
    process.setChildProcessModifier([] {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
            ::signal(s, SIG_DFL);
        }
    });
    process.start(QStringLiteral(REMOTE_PATH), arguments);
}

bool StationSession::startStation() {
    startCopy(m_station, {});
    if (!m_station.waitForStarted(10000)) {
        return false;
    }
    const bool connected = waitUntil(
        [this] {
            if (m_socket.state() != QLocalSocket::ConnectedState) {
                m_socket.abort();
                m_socket.connectToServer(m_socketName);
                m_socket.waitForConnected(200);
            }
            return m_socket.state() == QLocalSocket::ConnectedState;
        },
        StartTimeoutMs);
    // The main window comes after the splash and the loading step.
    return connected &&
           waitUntil(
               [this] { return ask(QStringLiteral("windows")).contains(QLatin1String("frmMain")); },
               StartTimeoutMs);
}

QString StationSession::ask(const QString& command) {
    if (m_socket.state() != QLocalSocket::ConnectedState) {
        ADD_FAILURE() << "no automation connection for: " << command.toStdString();
        return QStringLiteral("\x01error");
    }
    m_socket.write(command.toUtf8() + '\n');
    m_socket.flush();
    const QDeadlineTimer deadline(10000);
    while (!m_socket.canReadLine() && !deadline.hasExpired()) {
        m_socket.waitForReadyRead(100);
    }
    QString answer = QString::fromUtf8(m_socket.readLine());
    answer.chop(answer.endsWith(QLatin1Char('\n')) ? 1 : 0); // blanks at the end are text
    if (answer == QLatin1String("ok")) {
        return {};
    }
    if (!answer.startsWith(QLatin1String("ok "))) {
        ADD_FAILURE() << command.toStdString() << " -> " << answer.toStdString();
        return QStringLiteral("\x01error");
    }
    return answer.mid(3);
}

bool StationSession::hasControl(const QString& name) {
    return ask(QStringLiteral("exists ") + name) == QLatin1String("1");
}

void StationSession::typeOnSimulator(const QString& line) {
    m_sim.write(line.toUtf8() + '\n');
    m_sim.waitForBytesWritten(5000);
}

QString StationSession::simulatorDevice() const {
    return QFileInfo(m_link).symLinkTarget();
}

bool StationSession::stationHoldsOpen(const QString& device) const {
    if (device.isEmpty() || m_station.state() != QProcess::Running) {
        return false;
    }
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(m_station.processId()));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == device) {
            return true;
        }
    }
    return false;
}

bool StationSession::stationRunning() const {
    return m_station.state() == QProcess::Running;
}

std::vector<LoggedFrame> StationSession::frames() const {
    std::vector<LoggedFrame> out;
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly)) {
        return out;
    }
    while (!file.atEnd()) {
        const QList<QByteArray> words = file.readLine().trimmed().split(' ');
        if (words.size() >= 3) {
            out.push_back({words[0].toDouble(), QString::fromLatin1(words[1]),
                           QString::fromLatin1(words[2])});
        }
    }
    return out;
}

QString StationSession::stationOutput() {
    return QString::fromLocal8Bit(m_station.readAll());
}

qint64 StationSession::stationPid() const {
    return m_station.processId();
}

bool StationSession::signalStation(int signalNumber) {
    const qint64 pid = stationPid();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), signalNumber) == 0;
}

bool StationSession::waitForStationEnd(int timeoutMs) {
    return waitUntil([this] { return m_station.state() == QProcess::NotRunning; }, timeoutMs);
}

QString StationSession::configFolder() const {
    return m_dir.filePath(QStringLiteral("config"));
}

QString StationSession::historyFile() const {
    return m_dir.filePath(QStringLiteral("data/remote/alarm-history.sqlite3"));
}

QString StationSession::serialPortLock() const {
    // The serial port names its lock after the device path it was given.
    QString name = m_link.mid(1);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.prepend(QStringLiteral("LCK.."));
    for (const char* folder :
         {"/var/lock", "/etc/locks", "/var/spool/locks", "/var/spool/uucp", "/run/lock", "/tmp"}) {
        const QString path = QDir(QString::fromLatin1(folder)).filePath(name);
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

} // namespace e2e
