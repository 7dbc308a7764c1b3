#include "modcontrol.h"
#include "remote/automation/automationbridge.h"
#include "remote/dialogs/messagesink.h"
#include "remote/history/historycli.h"
#include "remote/history/historystore.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // A script's export of the alarm history: no window (and no display needed), no
    // single-instance check.
    if (remote::history::cli::wantsExport(QStringList(argv, argv + argc))) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("remote"));
        QString errors;
        const int code = remote::history::cli::exportHistory(
            QCoreApplication::arguments(),
            modControl::defaultFolders().perUser + u'/' +
                QLatin1String(remote::history::kHistoryFileName),
            errors);
        if (!errors.isEmpty()) {
            std::fprintf(stderr, "remote: %s\n", qPrintable(errors));
        }
        return code;
    }

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
