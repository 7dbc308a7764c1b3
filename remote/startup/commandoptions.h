#pragma once

#include <QString>
#include <QStringList>

#include <span>

// The `remote` command line: one table of the options the program takes, read by the parser,
// by --help and by the manual page's check. A new option is one more entry in that table.
namespace remote::startup {

struct CommandOption {
    const char* name;        // the long name, without "--"
    const char* valueName;   // the value's name in the help ("FILE"), nullptr for a switch
    const char* description; // one line of --help
    // Options of which one must be given too ("export-history"; several joined by '|'),
    // nullptr when the option stands alone.
    const char* needs = nullptr;
};

// Every option but --help and --version, in the order --help lists them.
std::span<const CommandOption> commandOptions();

struct CommandLine {
    enum class Outcome {
        Run,     // start as the options say
        Help,    // print text on standard output, exit 0
        Version, // print text on standard output, exit 0
        Refused  // print text on standard error, exit kUsageExitCode; no window opens
    };
    Outcome outcome = Outcome::Run;
    QString text;

    // The options given (long names) and their values, the last one given winning.
    bool isSet(const char* name) const;
    QString value(const char* name) const;

    QStringList given;
    QStringList values; // beside given; empty for a switch
};

inline constexpr int kUsageExitCode = 2;

// Reads the program's arguments (the program's name first). Help and version win over
// everything else; an unknown option, a missing value, an argument that is no option, or an
// option given without the one it needs is refused with the reason and the usage.
CommandLine parseCommandLine(const QStringList& arguments, const QString& version);

// The --help text: the usage line and one line per option.
QString helpText();

} // namespace remote::startup
