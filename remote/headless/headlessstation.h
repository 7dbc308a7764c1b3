#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace remote::headless {

// The folders a station uses, as the windowed program finds them.
struct StationFolders {
    QString program; // where the delivered settings file lies
    QString perUser; // the user's data folder: the alarm history, a per-user settings copy
    QString lock;    // where the single-instance lock goes
};

// The station without a window: the same serial link, alarm history and publisher behind a
// view with no widgets. It opens the port the settings file names (or REMOTE_COM<n> points
// at), polls continuously, keeps the history, publishes, and says what happens on standard
// error (the journal under systemd).
class HeadlessStation : public QObject {
    Q_OBJECT

public:
    explicit HeadlessStation(StationFolders folders, QObject* parent = nullptr);
    // Closes the port, the history (its log folded back) and the broker connection.
    ~HeadlessStation() override;

    // Takes the single-instance lock shared with the windowed program, opens the history,
    // the publisher and the port, and starts polling. False, with the reason written to
    // standard error, when it must not run (another station of this user runs, the settings
    // file cannot be opened).
    bool start();
    // Stops polling and closes the port; the rest closes with the object.
    void stop();

    static constexpr int kTickInterval = 100;       // milliseconds, as the window's timer
    static constexpr int kPortRetryInterval = 5000; // milliseconds, while the port is not open

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace remote::headless
