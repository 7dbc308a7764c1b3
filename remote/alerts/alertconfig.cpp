#include "remote/alerts/alertconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace remote::alerts {
namespace {

QSettings configuration() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("remote"),
                     QStringLiteral("remote"));
}

QString group(const char* name) {
    return QStringLiteral("alerts/") + QLatin1String(name);
}

} // namespace

QString alertConfigFile() {
    return configuration().fileName();
}

ReadResult loadAlertSettings() {
    const QSettings settings = configuration();
    return readAlertSettings([&settings](std::string_view name) -> std::optional<std::string> {
        const QString k = group(std::string(name).c_str());
        if (!settings.contains(k)) {
            return std::nullopt;
        }
        const QVariant v = settings.value(k);
        // An unquoted "0,2,5" in the file reads as a list.
        if (v.typeId() == QMetaType::QStringList) {
            return v.toStringList().join(QLatin1Char(',')).toStdString();
        }
        return v.toString().toStdString();
    });
}

bool saveAlertSettings(const AlertSettings& values, QString* error) {
    QSettings settings = configuration();
    for (const auto& [name, text] : writtenAlertSettings(values)) {
        settings.setValue(group(name.c_str()), QString::fromStdString(text));
    }
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error) {
            *error = QStringLiteral("The alert settings could not be written to %1.")
                         .arg(settings.fileName());
        }
        return false;
    }
    // The command it names is the user's own business.
    QFile::setPermissions(settings.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(QFileInfo(settings.fileName()).absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

} // namespace remote::alerts
