#include "modcontrol.h"
#include "remote/automation/automationbridge.h"
#include "remote/dialogs/messagesink.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("remote"));
    QApplication::setApplicationVersion(QStringLiteral(REMOTE_VERSION));
    // Names the installed desktop entry, so desktops show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.remotestation.Remote"));
    // Between the splash and the main window no window is open; the program ends only
    // through the main window's exit confirmation.
    QApplication::setQuitOnLastWindowClosed(false);

    MessageBoxSink messages;
    modControl control(messages, modControl::defaultFolders());
    QObject::connect(&control, &modControl::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // Only for tests that drive the program from outside: off unless the variable is set.
    remote::automation::AutomationBridge::startFromEnvironment(&app);
    if (!control.StartProgram()) {
        return 1;
    }
    return QApplication::exec();
}
