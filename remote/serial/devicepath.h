#pragma once

#include <QString>

namespace remote::serial {

// The device behind port number n: the value of REMOTE_COM<n> when it is set and not
// empty, else the adapter bound to n in the user's configuration (portbindings.h), else
// /dev/ttyS<n-1>. Numbers outside 1 to 16 have no device (empty text).
QString devicePathFor(int portNumber);

// One line telling what port number n is: its device, where the device comes from
// (variable, binding or default) and what the adapter is when it is one.
QString describePort(int portNumber);

// True when the device is there but this user may not read and write it.
bool accessDenied(const QString& devicePath);

// Added to a "permission denied" failure: which group owns the device and how to join it.
QString permissionHint(const QString& devicePath);

} // namespace remote::serial
