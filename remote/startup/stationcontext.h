#pragma once

#include <QString>

#include <cstdint>

namespace remote::dialogs {
class MessageSink;
}
namespace remote::store {
class SettingsStore;
}

namespace remote::startup {

// The folders the station works in.
struct StationFolders {
    QString program; // where the delivered settings file lies
    QString perUser; // where a per-user copy goes when the program folder is read-only
    QString lock;    // where the single-instance lock goes
};

// What the main window needs of the program: the settings file, the folders, where message
// boxes go and the program-wide port values. Start-up provides it; the window sees nothing
// else of start-up.
class StationContext {
public:
    virtual ~StationContext() = default;

    // Null until start-up has opened the settings file.
    virtual remote::store::SettingsStore* settings() const = 0;
    virtual const StationFolders& folders() const = 0;
    virtual remote::dialogs::MessageSink& messages() const = 0;

    // ---- Program-wide values ----
    std::int16_t CommPortNumber = 0;
    bool EchoOn = false; // the port dialog's echo choice, kept for the run only
    // PortOpened lives with the serial control it guards (frmMain::MSComm1).
};

} // namespace remote::startup
