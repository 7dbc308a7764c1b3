#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace remote::automation {

// Lets a test drive the running station from outside, by the controls' object names, over
// a local socket. Off unless the environment variable names the socket; the windows know
// nothing of it. One command per line, one answer per line ("ok ..." or "error ..."):
//   text NAME        the control's text          checked NAME   1 or 0
//   enabled NAME     1 or 0                      exists NAME    1 or 0
//   color NAME       the text colour, #rrggbb    windows        the visible windows' names
// A window without an object name answers to its class name.
//   click NAME       a mouse click on it         type NAME TEXT its text becomes TEXT
// Clicks and typing run after the answer, so a modal dialog they open does not hold it up.
class AutomationBridge : public QObject {
    Q_OBJECT

public:
    static constexpr char kEnvironmentVariable[] = "REMOTE_AUTOMATION_SOCKET";

    // Listens on the socket the variable names; null when it is unset or cannot listen.
    static AutomationBridge* startFromEnvironment(QObject* parent);

    explicit AutomationBridge(QObject* parent = nullptr);
    bool listen(const QString& name);

    // One command line in, one answer line out (without the line end).
    QString execute(const QString& line);

private:
    void onConnection();
    void onReadyRead(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
};

// The widget of that object name in any top-level window, or null.
QWidget* findControl(const QString& name);

} // namespace remote::automation
