#include "remote/serial/portbindings.h"

#include "remote/serial/serialconstants.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSettings>

namespace remote::serial {

namespace {

QString key(int portNumber) {
    return QStringLiteral("ports/Com%1").arg(portNumber);
}

QSettings configuration() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("remote"),
                     QStringLiteral("remote"));
}

bool validNumber(int n) {
    return n >= kFirstPortNumber && n <= kLastPortNumber;
}

} // namespace

QString adapterInfo(const QString& node) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() != node) {
            continue;
        }
        QStringList parts;
        if (!info.description().isEmpty()) {
            parts << info.description();
        }
        if (!info.manufacturer().isEmpty()) {
            parts << info.manufacturer();
        }
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            parts << QStringLiteral("%1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        }
        return parts.join(QStringLiteral(", "));
    }
    return {};
}

QString boundDevice(int portNumber) {
    if (!validNumber(portNumber)) {
        return {};
    }
    return configuration().value(key(portNumber)).toString();
}

bool bindDevice(int portNumber, const QString& device, QString* error) {
    if (!validNumber(portNumber)) {
        if (error) {
            *error = QStringLiteral("Invalid port number");
        }
        return false;
    }
    QSettings settings = configuration();
    if (device.isEmpty()) {
        settings.remove(key(portNumber));
    } else {
        settings.setValue(key(portNumber), device);
    }
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error) {
            *error = QStringLiteral("The port binding could not be written to %1.")
                         .arg(settings.fileName());
        }
        return false;
    }
    return true;
}

QList<Adapter> presentAdapters() {
    QList<Adapter> adapters;
    QStringList nodesWithId;
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString node = link.canonicalFilePath();
        if (node.isEmpty()) {
            continue;
        }
        nodesWithId << node;
        adapters.append({link.absoluteFilePath(), node, adapterInfo(node)});
    }
    const QDir dev(QStringLiteral("/dev"));
    const QStringList patterns{QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")};
    for (const QFileInfo& node : dev.entryInfoList(patterns, QDir::System, QDir::Name)) {
        if (!nodesWithId.contains(node.absoluteFilePath())) {
            adapters.append({node.absoluteFilePath(), node.absoluteFilePath(),
                             adapterInfo(node.absoluteFilePath())});
        }
    }
    return adapters;
}

} // namespace remote::serial
