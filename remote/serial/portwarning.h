#pragma once

#include <QString>

namespace remote::serial {

enum class PortProblem {
    NotOpened,    // the open failed
    Disconnected, // the device vanished while open
};

// The warning for a port that failed: the port and its device, what happened in words, then
// the system's own text in brackets:
//   "Com1 (/dev/ttyUSB0): the device was disconnected. (Inappropriate ioctl for device)"
//   "Com1 (/dev/ttyS0): the device could not be opened. (No such file or directory)"
// A number outside Com1 to Com16 has no device:
//   "Com0: there is no such port; ports run from Com1 to Com16. (Invalid port number)"
// Advice the system's text carries after a blank line (which group to join, for a device
// this user may not open) follows the sentence after a blank line.
QString portWarningText(PortProblem problem, int portNumber, const QString& device,
                        const QString& systemText);

} // namespace remote::serial
