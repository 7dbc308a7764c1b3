#include "commandoptions.h"
#include "modcontrol.h"
#include "windowsystem.h"
#include "remote/dialogs/messagesink.h"
#include "remote/headless/headlessstation.h"
#include "remote/history/historycli.h"
#include "remote/history/historystore.h"
#include "remote/report/reportcli.h"
#include "remote/report/reportsettings.h"
#include "remote/process/databasememory.h"
#include "remote/process/terminationsignals.h"
#ifdef STATION_AUTOMATION
#include "remote/automation/automationbridge.h"
#endif

#include <QApplication>
#include <QDateTime>

#include <cstdio>

using remote::startup::modControl;
using remote::process::TerminationSignals;

int main(int argc, char** argv) {
    // The command line is read before anything else: help, the version and a refused line
    // need no display and open no window.
    const auto command = remote::startup::parseCommandLine(QStringList(argv, argv + argc),
                                                           QStringLiteral(REMOTE_VERSION));
    switch (command.outcome) {
    case remote::startup::CommandLine::Outcome::Help:
    case remote::startup::CommandLine::Outcome::Version:
        std::fputs(qPrintable(command.text), stdout);
        return 0;
    case remote::startup::CommandLine::Outcome::Refused:
        std::fputs(qPrintable(command.text), stderr);
        return remote::startup::kUsageExitCode;
    case remote::startup::CommandLine::Outcome::Run:
        break;
    }

    // Before any database opens, in every mode: the engine takes this only before it starts.
    if (!remote::process::growPageCachesOnDemand()) {
        std::fputs("remote: the database engine started before its page memory was set\n", stderr);
    }

    // A script's export of the alarm history: no window (and no display needed), no
    // single-instance check.
    if (command.isSet("export-history")) {
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
    if (command.isSet("report")) {
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
    if (command.isSet("headless")) {
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

    remote::startup::preferImagesThroughTheSocket();
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
