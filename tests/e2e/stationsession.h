#pragma once

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace e2e {

// One line of the simulator's frame log.
struct LoggedFrame {
    double seconds = 0;
    QString direction; // "in", "out", "bad-checksum", "bad-stray", "note"
    QString what;      // "poll", "read-settings", "screen-short", ...
};

// A station and a detector simulator in a scratch folder: the simulator on a pty behind a
// symbolic link, the station with Com1 on that link and its automation socket open.
class StationSession {
public:
    StationSession();
    ~StationSession();

    bool startSimulator();
    void killSimulator(); // as if the detector was pulled: no clean-up
    bool startStation();

    // Sends one automation command and returns the answer after "ok " (or "" for "ok");
    // an error answer or a lost connection fails the current test and returns "\x01error".
    QString ask(const QString& command);
    bool hasControl(const QString& name);
    void typeOnSimulator(const QString& line);

    // The device the simulator plays on, and whether the station holds it open.
    QString simulatorDevice() const;
    bool stationHoldsOpen(const QString& device) const;
    bool stationRunning() const;

    std::vector<LoggedFrame> frames() const;

    QString stationOutput();

    // ---- The station as a process ----
    qint64 stationPid() const;
    bool signalStation(int signalNumber);
    // Waits until the station has ended; false if it still runs after timeoutMs.
    bool waitForStationEnd(int timeoutMs);
    QProcess& station() { return m_station; }
    // The environment the station runs in: another copy started with it meets the first.
    QProcessEnvironment stationEnvironment() const;
    // Starts the program with the station's environment (a second copy, an export).
    void startCopy(QProcess& process, const QStringList& arguments) const;

    QString socketPath() const { return m_socketName; }
    QString historyFile() const;
    // The station's configuration folder (XDG_CONFIG_HOME): remote/remote.ini goes there.
    QString configFolder() const;
    // The lock file the serial port took for the simulator's line, when one is to be found
    // in the usual lock folders; empty otherwise.
    QString serialPortLock() const;

private:
    QTemporaryDir m_dir;
    QString m_link;
    QString m_log;
    QString m_socketName;
    QProcess m_sim;
    QProcess m_station;
    QLocalSocket m_socket;
};

// Polls the condition, running the event loop, until it holds or timeoutMs passes.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);

} // namespace e2e
