#pragma once

#include <QList>
#include <QString>

namespace remote::serial {

// USB serial adapters bound to port numbers, kept in the user's configuration
// ([ports] Com<n>=<device> in the program's QSettings file). A bound number stands for its
// adapter; REMOTE_COM<n> still wins over a binding.

// The device bound to port number n; empty when none is.
QString boundDevice(int portNumber);
// Binds device to n (an empty device removes the binding). False with a message in error
// when n is outside 1 to 16 or the configuration cannot be written.
bool bindDevice(int portNumber, const QString& device, QString* error = nullptr);

// A serial adapter that is plugged in now.
struct Adapter {
    QString device;      // the stable name where there is one (/dev/serial/by-id/...)
    QString node;        // the node it leads to (/dev/ttyUSB0)
    QString description; // what the system knows of it: product, maker, USB ids
};

// Adapters present: /dev/ttyUSB*, /dev/ttyACM*, by their /dev/serial/by-id names where
// those exist.
QList<Adapter> presentAdapters();

// What the system knows of the adapter at node (product, maker, USB ids); empty when the
// node is no adapter it knows.
QString adapterInfo(const QString& node);

} // namespace remote::serial
