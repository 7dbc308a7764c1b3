#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalSocket;
class QWidget;

namespace remote::automation {

// Lets a test drive the running station from outside, by the controls' object names, over
// a local socket. Off unless the environment variable names the socket (and absent from a
// build without STATION_AUTOMATION); the windows know nothing of it. One command per line,
// one answer per line ("ok ..." or "error ..."):
//   text NAME        the control's text          checked NAME   1 or 0
//   enabled NAME     1 or 0                      exists NAME    1 or 0
//   color NAME       the text colour, #rrggbb    windows        the visible windows' names
// A window without an object name answers to its class name.
//   click NAME       a mouse click on it         type NAME TEXT its text becomes TEXT
// Clicks and typing run after the answer, so a modal dialog they open does not hold it up.
// A line longer than LineBuffer::kMaxLine is answered "error line too long" and the
// connection closed, nothing of it run. At most kMaxClients connections at a time; one more
// is answered "error too many clients" and closed.
class AutomationBridge : public QObject {
    Q_OBJECT

public:
    static constexpr char kEnvironmentVariable[] = "REMOTE_AUTOMATION_SOCKET";
    static constexpr int kMaxClients = 4;
    static constexpr char kTooManyClients[] = "error too many clients\n";

    // Listens on the socket the variable names; null when it is unset or refused (said on
    // standard error).
    static std::unique_ptr<AutomationBridge> startFromEnvironment();

    explicit AutomationBridge(QObject* parent = nullptr);
    ~AutomationBridge() override;
    // See SocketListener::listen: only a socket left behind is ever replaced.
    bool listen(const QString& path);
    QString errorString() const;
    int clientCount() const;

    // One command line in, one answer line out (without the line end).
    QString execute(const QString& line);

private:
    struct Client;
    void onAccepted(int descriptor);
    void serve(QLocalSocket* socket);

    struct Private;
    std::unique_ptr<Private> d;
};

// The widget of that object name in any top-level window, or null.
QWidget* findControl(const QString& name);

} // namespace remote::automation
