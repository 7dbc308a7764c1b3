#include "remote/mqtt/mqttsettings.h"

#include <QSettings>

#include <memory>

#include <unistd.h>

namespace remote::mqtt {
namespace {

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "station";
    }
    return name;
}

std::string text(const QSettings& s, const char* key, const char* fallback = "") {
    return s.value(QLatin1String(key), QString::fromUtf8(fallback))
        .toString()
        .trimmed()
        .toStdString();
}

} // namespace

MqttSettings readMqttSettings(QSettings* settings) {
    std::unique_ptr<QSettings> own;
    if (!settings) {
        own = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("remote"), QStringLiteral("remote"));
        settings = own.get();
    }
    settings->beginGroup(QStringLiteral("mqtt"));
    MqttSettings m;
    m.host = text(*settings, "host");
    const QString tls = settings->value(QStringLiteral("tls")).toString().trimmed().toLower();
    m.tls =
        tls == QLatin1String("true") || tls == QLatin1String("1") || tls == QLatin1String("yes");
    bool ok = false;
    const int port = settings->value(QStringLiteral("port")).toString().trimmed().toInt(&ok);
    m.port = settings->contains(QStringLiteral("port")) ? (ok ? port : 0) : (m.tls ? 8883 : 1883);
    m.caFile = text(*settings, "ca_file");
    m.certFile = text(*settings, "cert_file");
    m.keyFile = text(*settings, "key_file");
    m.username = text(*settings, "username");
    m.passwordFile = text(*settings, "password_file");
    m.prefix = text(*settings, "prefix", "remote");
    m.station = text(*settings, "station");
    if (m.station.empty()) {
        m.station = hostName();
    }
    settings->endGroup();
    return m;
}

} // namespace remote::mqtt
