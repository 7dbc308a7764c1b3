#include "remote/serial/devicepath.h"

#include "remote/serial/portbindings.h"
#include "remote/serial/serialconstants.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::serial {

QString devicePathFor(int portNumber) {
    if (portNumber < kFirstPortNumber || portNumber > kLastPortNumber) {
        return {};
    }
    const QString variable =
        QString::fromLatin1(kDeviceVariablePrefix) + QString::number(portNumber);
    const QString overridden = qEnvironmentVariable(variable.toLatin1().constData());
    if (!overridden.isEmpty()) {
        return overridden;
    }
    if (const QString bound = boundDevice(portNumber); !bound.isEmpty()) {
        return bound;
    }
    return QString::fromLatin1(kDevicePrefix) + QString::number(portNumber - 1);
}

bool accessDenied(const QString& devicePath) {
    const QByteArray path = QFile::encodeName(devicePath);
    return ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

QString permissionHint(const QString& devicePath) {
    const QByteArray path = QFile::encodeName(devicePath);
    struct stat info {};
    QString group = QStringLiteral("dialout");
    if (::stat(path.constData(), &info) == 0) {
        if (const struct group* owner = ::getgrgid(info.st_gid)) {
            group = QString::fromLocal8Bit(owner->gr_name);
        }
    }
    return QStringLiteral("%1 belongs to the group \"%2\". Add your user to that group "
                          "(sudo usermod -aG %2 $USER), then log out and in again.")
        .arg(devicePath, group);
}

QString describePort(int portNumber) {
    const QString device = devicePathFor(portNumber);
    if (device.isEmpty()) {
        return QStringLiteral("no device");
    }
    QString source;
    const QString variable =
        QString::fromLatin1(kDeviceVariablePrefix) + QString::number(portNumber);
    if (!qEnvironmentVariable(variable.toLatin1().constData()).isEmpty()) {
        source = QStringLiteral("set by %1").arg(variable);
    } else if (!boundDevice(portNumber).isEmpty()) {
        source = QStringLiteral("bound adapter");
    }
    const QString node = QFileInfo(device).canonicalFilePath();
    QString text = device;
    if (node.isEmpty()) {
        text += QStringLiteral(" (not present)");
    } else if (node != device) {
        text += QStringLiteral(" → ") + node;
    }
    const QString info = node.isEmpty() ? QString() : adapterInfo(node);
    if (!info.isEmpty()) {
        text += QStringLiteral(": ") + info;
    }
    if (!source.isEmpty()) {
        text += QStringLiteral(" [%1]").arg(source);
    }
    return text;
}

} // namespace remote::serial
