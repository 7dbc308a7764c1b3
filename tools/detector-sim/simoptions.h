#pragma once

#include "core/detector.h"

#include <QString>
#include <QStringList>

#include <string>

// The simulator's command line. Read with Qt's parser; the simulator itself stays plain C++.
namespace detectorsim {

struct SimOptions {
    enum class Outcome {
        Run,     // play as the fields say
        Help,    // print text on standard output, exit 0
        Version, // print text on standard output, exit 0
        Refused  // print text on standard error, exit 2
    };
    Outcome outcome = Outcome::Run;
    QString text;

    std::string link;
    std::string device;
    std::string logPath;
    std::string replayPath;
    double replaySpeed = 1;
    DetectorOptions detector;
};

// Reads the program's arguments (the program's name first).
SimOptions parseSimOptions(const QStringList& arguments, const QString& version);

// The --help text: the usage and one line per option.
QString simHelpText();

} // namespace detectorsim
