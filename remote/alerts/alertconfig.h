#pragma once

#include "remote/alerts/alertsettings.h"

#include <QString>

namespace remote::alerts {

// [alerts] in the program's per-user configuration file (the one that also holds the port
// bindings).
QString alertConfigFile();
ReadResult loadAlertSettings();
// False with a message in error when the file cannot be written.
bool saveAlertSettings(const AlertSettings& settings, QString* error = nullptr);

} // namespace remote::alerts
