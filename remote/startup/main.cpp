#include "modcontrol.h"
#include "remote/dialogs/messagesink.h"
#include "remote/headless/headlessstation.h"
#include "remote/history/historycli.h"
#include "remote/history/historystore.h"
#include "remote/report/reportcli.h"
#include "remote/report/reportsettings.h"
#include "terminationsignals.h"
#ifdef STATION_AUTOMATION
#include "remote/automation/automationbridge.h"
#endif

#include <QApplication>
#include <QDateTime>

#include <cstdio>

using remote::startup::modControl;
using remote::startup::TerminationSignals;

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

    // A script's sweep report: drawn without a window, and without a display when none is
    // set.
    if (remote::report::cli::wantsReport(QStringList(argv, argv + argc))) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
            qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QGuiApplication app(argc, argv);
        QGuiApplication::setApplicationName(QStringLiteral("remote"));
        const QString folder = modControl::defaultFolders().perUser;
        QString errors;
        const int code = remote::report::cli::writeReport(
            QGuiApplication::arguments(),
            folder + u'/' + QLatin1String(remote::history::kHistoryFileName),
            folder + u'/' + QLatin1String(remote::report::kReportSettingsFileName),
            QDateTime::currentMSecsSinceEpoch(), errors);
        if (!errors.isEmpty()) {
            std::fprintf(stderr, "remote: %s\n", qPrintable(errors));
        }
        return code;
    }

    // The station without a window, splash or display: the journal hears from it.
    if (QStringList(argv, argv + argc).contains(QStringLiteral("--headless"))) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("remote"));
        TerminationSignals termination;
        const modControl::Folders folders = modControl::defaultFolders();
        remote::headless::HeadlessStation station({folders.program, folders.perUser, folders.lock});
        QObject::connect(&termination, &TerminationSignals::received, &app, [&station] {
            station.stop();
            QCoreApplication::quit();
        });
        if (!station.start()) {
            return 1;
        }
        return QCoreApplication::exec();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("remote"));
    QApplication::setApplicationVersion(QStringLiteral(REMOTE_VERSION));
    // Names the installed desktop entry, so desktops show its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.remotestation.Remote"));
    // Between the splash and the main window no window is open; the program ends only
    // through the main window's exit confirmation.
    QApplication::setQuitOnLastWindowClosed(false);

    // Declared first, so it is destroyed last: a second signal during the clean-up below
    // is absorbed instead of cutting it short.
    TerminationSignals termination;
    remote::dialogs::MessageBoxSink messages;
    // Destroyed before the application object: the window, the port, the alarm history and
    // a recording close here on every normal end, signals included.
    modControl control(messages, modControl::defaultFolders());
    QObject::connect(&control, &modControl::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, &control,
                     &modControl::EndProgram);
    if (!control.StartProgram()) {
        return 1;
    }
#ifdef STATION_AUTOMATION
    // Only for tests that drive the program from outside: off unless the variable is set,
    // and only in the copy that holds the single-instance lock.
    const auto automation = remote::automation::AutomationBridge::startFromEnvironment();
#endif
    return QApplication::exec();
}
