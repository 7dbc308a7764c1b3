#pragma once

#include <string>
#include <vector>

namespace remote::alerts {

// Whether this build writes to the system journal, and whether one runs here.
bool journalBuiltIn();
bool journalRunning();

// One structured entry from "NAME=value" fields; false with the reason in error when it
// could not be written (no journal, or the build has none).
bool sendToJournal(const std::vector<std::string>& fields, std::string& error);

} // namespace remote::alerts
