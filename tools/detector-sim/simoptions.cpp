#include "simoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cmath>

namespace detectorsim {

namespace {

QString refusal(const QString& reason) {
    return QStringLiteral("detector-sim: ") + reason + u'\n' + simHelpText();
}

// A whole number 0..limit, written in decimal digits only.
bool parseCount(const QString& text, qulonglong limit, qulonglong& value) {
    bool ok = false;
    value = text.toULongLong(&ok, 10);
    return ok && !text.isEmpty() && text.front().isDigit() && value <= limit;
}

} // namespace

QString simHelpText() {
    return QStringLiteral(
        "Usage: detector-sim [--link PATH | --device DEVICE] [--log FILE]\n"
        "                    [--alarms PER-MINUTE] [--seed N]\n"
        "                    [--replay RECORDING [--replay-speed N]]\n"
        "Plays the detector on a pseudo-terminal or a serial device.\n"
        "\n"
        "  -h, --help         show this help and exit\n"
        "  -v, --version      show the version and exit\n"
        "  --link PATH        create a pseudo-terminal and a symbolic link to it at PATH\n"
        "                     (without --link and --device the pseudo-terminal's own path\n"
        "                     is printed)\n"
        "  --device DEVICE    play the detector on a real serial device instead\n"
        "  --log FILE         log every frame both ways with a monotonic time stamp\n"
        "  --alarms N         raise N random alarms a minute on its own (default 0)\n"
        "  --seed N           seed of the random readings, finds and alarms\n"
        "  --replay FILE      play a line recording's detector-to-station bytes with their\n"
        "                     original timing instead of answering; it begins when the\n"
        "                     station first sends (its loop switch on)\n"
        "  --replay-speed N   play N times as fast (default 1; 0: as fast as possible)\n"
        "                     A recording is played up to a damaged or cut-off record,\n"
        "                     which is reported; a damaged one makes the exit status 1.\n"
        "Type 'help' on the terminal for the commands.\n");
}

SimOptions parseSimOptions(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption showVersion(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption link(QStringLiteral("link"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption alarms(QStringLiteral("alarms"), QString(), QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("N"));
    const QCommandLineOption replay(QStringLiteral("replay"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption speed(QStringLiteral("replay-speed"), QString(), QStringLiteral("N"));
    parser.addOptions({help, showVersion, link, device, log, alarms, seed, replay, speed});

    SimOptions result;
    const auto refuse = [&result](const QString& reason) {
        result.outcome = SimOptions::Outcome::Refused;
        result.text = refusal(reason);
        return result;
    };
    if (!parser.parse(arguments.isEmpty() ? QStringList{QStringLiteral("detector-sim")}
                                          : arguments)) {
        return refuse(parser.errorText());
    }
    if (parser.isSet(help)) {
        result.outcome = SimOptions::Outcome::Help;
        result.text = simHelpText();
        return result;
    }
    if (parser.isSet(showVersion)) {
        result.outcome = SimOptions::Outcome::Version;
        result.text = QStringLiteral("detector-sim ") + version + u'\n';
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return refuse(QStringLiteral("unexpected argument '%1'")
                          .arg(parser.positionalArguments().constFirst()));
    }
    if (parser.isSet(link) && parser.isSet(device)) {
        return refuse(QStringLiteral("--link and --device exclude each other"));
    }
    if (parser.isSet(speed) && !parser.isSet(replay)) {
        return refuse(QStringLiteral("--replay-speed goes only with --replay"));
    }
    result.link = parser.value(link).toStdString();
    result.device = parser.value(device).toStdString();
    result.logPath = parser.value(log).toStdString();
    result.replayPath = parser.value(replay).toStdString();
    qulonglong count = 0;
    if (parser.isSet(alarms)) {
        if (!parseCount(parser.value(alarms), 6000, count)) {
            return refuse(QStringLiteral("--alarms takes 0 to 6000 a minute"));
        }
        result.detector.alarmsPerMinute = static_cast<double>(count);
    }
    if (parser.isSet(seed)) {
        if (!parseCount(parser.value(seed), 0xFFFFFFFFull, count)) {
            return refuse(QStringLiteral("--seed takes a whole number"));
        }
        result.detector.seed = static_cast<std::uint32_t>(count);
    }
    if (parser.isSet(speed)) {
        bool ok = false;
        const double value = parser.value(speed).toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < 0 || value > 1000) {
            return refuse(QStringLiteral("--replay-speed takes 0 (as fast as possible) to 1000"));
        }
        result.replaySpeed = value;
    }
    return result;
}

} // namespace detectorsim
