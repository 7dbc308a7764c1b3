#include "commandoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>

namespace remote::startup {

namespace {

constexpr char kProgram[] = "remote";

// One entry per option; its description fits an 80-column terminal. --help and --version
// are added by the parser itself.
constexpr CommandOption kOptions[] = {
    {"export-history", "FILE", "write the alarm history to FILE as CSV and exit"},
    {"report", "FILE", "write a sweep report to FILE as PDF and exit"},
    {"from", "T", "only alarms at or after T (ISO 8601)", "export-history|report"},
    {"to", "T", "only alarms before T", "export-history|report"},
    {"site", "TEXT", "the site named in the report", "report"},
    {"headless", nullptr, "run the station without a window"},
};

QString optionColumn(const char* name, const char* valueName) {
    QString column = QStringLiteral("--") + QLatin1String(name);
    if (valueName) {
        column += u' ' + QLatin1String(valueName);
    }
    return column;
}

QString refusal(const QString& reason) {
    return QLatin1String(kProgram) + QStringLiteral(": ") + reason + u'\n' + helpText();
}

} // namespace

std::span<const CommandOption> commandOptions() {
    return kOptions;
}

bool CommandLine::isSet(const char* name) const {
    return given.contains(QLatin1String(name));
}

QString CommandLine::value(const char* name) const {
    const qsizetype at = given.lastIndexOf(QLatin1String(name));
    return at < 0 ? QString() : values.value(at);
}

QString helpText() {
    struct Row {
        QString column;
        QString description;
    };
    QList<Row> rows = {
        {QStringLiteral("-h, --help"), QStringLiteral("show this help and exit")},
        {QStringLiteral("-v, --version"), QStringLiteral("show the version and exit")}};
    for (const CommandOption& option : kOptions) {
        rows.append({QStringLiteral("    ") + optionColumn(option.name, option.valueName),
                     QString::fromUtf8(option.description)});
    }
    qsizetype width = 0;
    for (const Row& row : rows) {
        width = std::max(width, row.column.size());
    }
    QString text = QStringLiteral("Usage: %1 [OPTION]...\n"
                                  "Mirror, poll and set up a detector on a serial line.\n"
                                  "\nOptions:\n")
                       .arg(QLatin1String(kProgram));
    for (const Row& row : rows) {
        text +=
            QStringLiteral("  ") + row.column.leftJustified(width + 2) + row.description + u'\n';
    }
    return text;
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& version) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption showVersion(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(showVersion);
    for (const CommandOption& option : kOptions) {
        QCommandLineOption entry(QLatin1String(option.name));
        if (option.valueName) {
            entry.setValueName(QLatin1String(option.valueName));
        }
        parser.addOption(entry);
    }

    CommandLine result;
    if (!parser.parse(arguments.isEmpty() ? QStringList{QLatin1String(kProgram)} : arguments)) {
        result.outcome = CommandLine::Outcome::Refused;
        result.text = refusal(parser.errorText());
        return result;
    }
    if (parser.isSet(help)) {
        result.outcome = CommandLine::Outcome::Help;
        result.text = helpText();
        return result;
    }
    if (parser.isSet(showVersion)) {
        result.outcome = CommandLine::Outcome::Version;
        result.text = QLatin1String(kProgram) + u' ' + version + u'\n';
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.outcome = CommandLine::Outcome::Refused;
        result.text = refusal(QStringLiteral("unexpected argument '%1'")
                                  .arg(parser.positionalArguments().constFirst()));
        return result;
    }
    for (const CommandOption& option : kOptions) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name)) {
            continue;
        }
        result.given.append(name);
        result.values.append(option.valueName ? parser.value(name) : QString());
    }
    for (const CommandOption& option : kOptions) {
        if (!option.needs || !result.isSet(option.name)) {
            continue;
        }
        const QStringList partners = QString::fromLatin1(option.needs).split(u'|');
        const bool partnered = std::any_of(partners.begin(), partners.end(), [&](const QString& p) {
            return result.given.contains(p);
        });
        if (!partnered) {
            result.outcome = CommandLine::Outcome::Refused;
            result.text = refusal(
                QStringLiteral("--%1 goes only with --%2")
                    .arg(
                        QLatin1String(option.name),
                        QString::fromLatin1(option.needs).replace(u'|', QStringLiteral(" or --"))));
            result.given.clear();
            result.values.clear();
            return result;
        }
    }
    return result;
}

} // namespace remote::startup
