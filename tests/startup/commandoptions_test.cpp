#include "remote/startup/commandoptions.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

using remote::startup::CommandLine;
using remote::startup::commandOptions;
using remote::startup::helpText;
using remote::startup::parseCommandLine;

namespace {

CommandLine parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("remote"));
    return parseCommandLine(arguments, QStringLiteral("1.2.3.4"));
}

} // namespace

TEST(RemoteCommandLine, OutcomeOfEachKindOfLine) {
    using Outcome = CommandLine::Outcome;
    const struct {
        QStringList args;
        Outcome outcome;
        const char* says; // in the text, or "" for none
    } cases[] = {
        {{}, Outcome::Run, ""},
        {{"--help"}, Outcome::Help, "Usage: remote"},
        {{"-h"}, Outcome::Help, "Usage: remote"},
        {{"--version"}, Outcome::Version, "remote 1.2.3.4\n"},
        {{"-v"}, Outcome::Version, "remote 1.2.3.4\n"},
        {{"--export-history", "-", "--help"}, Outcome::Help, "Usage: remote"},
        {{"--export-history", "out.csv"}, Outcome::Run, ""},
        {{"--export-history", "-", "--from", "2026-12-10", "--to", "2026-12-11"}, Outcome::Run, ""},
        {{"--frobnicate"}, Outcome::Refused, "Unknown option 'frobnicate'"},
        {{"--help", "--frobnicate"}, Outcome::Refused, "Unknown option 'frobnicate'"},
        {{"-platform", "offscreen"}, Outcome::Refused, "Unknown option 'platform'"},
        {{"--export-history"}, Outcome::Refused, "Missing value after '--export-history'"},
        {{"stray.csv"}, Outcome::Refused, "unexpected argument 'stray.csv'"},
        {{"--from", "2026-12-10"}, Outcome::Refused, "--from goes only with --export-history or --report"},
        {{"--to", "2026-12-10"}, Outcome::Refused, "--to goes only with --export-history or --report"},
        {{"--site", "Room 4"}, Outcome::Refused, "--site goes only with --report"},
    };
    for (const auto& c : cases) {
        const CommandLine line = parse(c.args);
        const std::string label = c.args.join(' ').toStdString();
        EXPECT_EQ(line.outcome, c.outcome) << label;
        EXPECT_TRUE(line.text.contains(QString::fromUtf8(c.says)))
            << label << ": " << line.text.toStdString();
        if (c.outcome == Outcome::Refused) {
            // The reason first, then the usage, as for any refused line.
            EXPECT_TRUE(line.text.startsWith(QStringLiteral("remote: "))) << label;
            EXPECT_TRUE(line.text.contains(QStringLiteral("\nUsage: remote"))) << label;
            EXPECT_TRUE(line.given.isEmpty()) << label;
        }
    }
}

TEST(RemoteCommandLine, ValuesOfTheGivenOptionsTheLastOneWinning) {
    const CommandLine line = parse({"--export-history", "first.csv", "--from", "2026-12-10",
                                    "--export-history", "second.csv"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run);
    EXPECT_TRUE(line.isSet("export-history"));
    EXPECT_EQ(line.value("export-history"), QStringLiteral("second.csv"));
    EXPECT_EQ(line.value("from"), QStringLiteral("2026-12-10"));
    EXPECT_FALSE(line.isSet("to"));
    EXPECT_TRUE(line.value("to").isNull());
    EXPECT_FALSE(line.isSet("no-such-option"));
}

// Every option of the table is on exactly one line of --help, with its value and its
// description; and no line is wider than an 80-column terminal.
TEST(RemoteCommandLine, HelpListsEveryOptionOnOneLine) {
    const QStringList lines = helpText().split(u'\n');
    for (const auto& option : commandOptions()) {
        QString head = QStringLiteral("--") + QLatin1String(option.name);
        if (option.valueName) {
            head += u' ' + QLatin1String(option.valueName);
        }
        const QRegularExpression entry(
            QStringLiteral("^\\s+") + QRegularExpression::escape(head) + QStringLiteral("\\s+") +
            QRegularExpression::escape(QString::fromUtf8(option.description)) + u'$');
        EXPECT_EQ(lines.filter(entry).size(), 1) << option.name << "\n" << helpText().toStdString();
    }
    for (const QString& line : lines) {
        EXPECT_LE(line.size(), 80) << line.toStdString();
    }
}

// The manual page has one entry (a .TP paragraph headed by the option) for each option of
// the table, --help and --version: a new option is not forgotten there.
TEST(RemoteCommandLine, ManualPageHasAnEntryForEveryOption) {
    QFile page(QStringLiteral(REMOTE_MAN_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(page.readAll()).split(u'\n');
    QStringList heads;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == QStringLiteral(".TP")) {
            heads.append(lines[i + 1]);
        }
    }
    QStringList names = {QStringLiteral("help"), QStringLiteral("version")};
    for (const auto& option : commandOptions()) {
        names.append(QLatin1String(option.name));
    }
    for (const QString& name : names) {
        // In roff a hyphen of an option is written \-.
        QString escaped = name;
        escaped.replace(u'-', QStringLiteral("\\-"));
        const QRegularExpression head(QStringLiteral("^\\.B[IR]? .*\\\\-\\\\-") +
                                      QRegularExpression::escape(escaped) +
                                      QStringLiteral("(\\W|$)"));
        EXPECT_EQ(heads.filter(head).size(), 1) << name.toStdString();
    }
}

// The built program, with no display to open a window on: help, version and a refused line
// come back on the right stream with the right status, before any window could be made.
TEST(RemoteCommandLine, ProgramAnswersWithoutADisplay) {
    const struct {
        QStringList args;
        int exitCode;
        bool onStdout;
        const char* says;
    } cases[] = {
        {{"--help"}, 0, true, "--export-history FILE"},
        {{"--version"}, 0, true, "remote " REMOTE_VERSION "\n"},
        {{"--no-such-option"}, 2, false, "Unknown option 'no-such-option'"},
        {{"--from", "2026-01-01"}, 2, false, "Usage: remote"},
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (const auto& c : cases) {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(REMOTE_PATH), c.args);
        ASSERT_TRUE(program.waitForFinished(30000)) << c.args.join(' ').toStdString();
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE((c.onStdout ? out : err).contains(QString::fromUtf8(c.says)))
            << "out: " << out.toStdString() << "\nerr: " << err.toStdString();
        EXPECT_TRUE((c.onStdout ? err : out).isEmpty())
            << "out: " << out.toStdString() << "\nerr: " << err.toStdString();
    }
}
