#include "propertybag.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>

namespace common {

namespace {

constexpr quint32 kMagic = 0x54425042; // "TBPB"
constexpr quint16 kFormatVersion = 1;
constexpr quint32 kMaxEntries = 4096;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

void setError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

bool isEmptyValue(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return true;
    }
    if (v.metaType() == QMetaType::fromType<QImage>()) {
        return v.value<QImage>().isNull();
    }
    if (v.metaType() == QMetaType::fromType<QPixmap>()) {
        return v.value<QPixmap>().isNull();
    }
    return false;
}

} // namespace

std::optional<QImage> imageFromVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        return QImage();
    }
    if (v.metaType() == QMetaType::fromType<QImage>()) {
        return v.value<QImage>();
    }
    if (v.metaType() == QMetaType::fromType<QPixmap>()) {
        return v.value<QPixmap>().toImage();
    }
    return std::nullopt;
}

bool isDefaultValue(const QVariant& value, const QVariant& defaultValue) {
    const bool valueEmpty = isEmptyValue(value);
    const bool defaultEmpty = isEmptyValue(defaultValue);
    if (valueEmpty || defaultEmpty) {
        return valueEmpty && defaultEmpty;
    }
    return value == defaultValue;
}

qsizetype FilePropertyBag::indexOf(const QString& key) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].first.compare(key, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QVariant FilePropertyBag::readProperty(const QString& key, const QVariant& defaultValue) const {
    const qsizetype i = indexOf(key);
    return i < 0 ? defaultValue : m_entries[i].second;
}

void FilePropertyBag::writeProperty(const QString& key, const QVariant& value,
                                    const QVariant& defaultValue) {
    if (isDefaultValue(value, defaultValue)) {
        const qsizetype i = indexOf(key);
        if (i >= 0) {
            m_entries.removeAt(i);
        }
        return;
    }
    writeProperty(key, value);
}

void FilePropertyBag::writeProperty(const QString& key, const QVariant& value) {
    const qsizetype i = indexOf(key);
    if (i >= 0) {
        m_entries[i].second = value;
    } else {
        m_entries.append({key, value});
    }
}

bool FilePropertyBag::contains(const QString& key) const {
    return indexOf(key) >= 0;
}

QStringList FilePropertyBag::keys() const {
    QStringList out;
    out.reserve(m_entries.size());
    for (const Entry& e : m_entries) {
        out.append(e.first);
    }
    return out;
}

QByteArray FilePropertyBag::toByteArray() const {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kMagic << kFormatVersion << static_cast<quint32>(m_entries.size());
    for (const Entry& e : m_entries) {
        out << e.first << e.second;
    }
    return data;
}

std::optional<FilePropertyBag> FilePropertyBag::fromByteArray(const QByteArray& data,
                                                              QString* error) {
    QDataStream in(data);
    in.setVersion(kStreamVersion);
    quint32 magic = 0;
    quint16 version = 0;
    quint32 count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic) {
        setError(error, QStringLiteral("not a property file"));
        return std::nullopt;
    }
    if (version != kFormatVersion) {
        setError(error, QStringLiteral("unsupported property file version %1").arg(version));
        return std::nullopt;
    }
    if (count > kMaxEntries) {
        setError(error, QStringLiteral("property file claims %1 entries").arg(count));
        return std::nullopt;
    }
    FilePropertyBag bag;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        QVariant value;
        in >> key >> value;
        if (in.status() != QDataStream::Ok || key.isEmpty()) {
            setError(error, QStringLiteral("property file is damaged at entry %1").arg(i + 1));
            return std::nullopt;
        }
        bag.writeProperty(key, value);
    }
    if (!in.atEnd()) {
        setError(error, QStringLiteral("property file has trailing data"));
        return std::nullopt;
    }
    return bag;
}

bool FilePropertyBag::save(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    const QByteArray data = toByteArray();
    if (file.write(data) != data.size() || !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

std::optional<FilePropertyBag> FilePropertyBag::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return std::nullopt;
    }
    return fromByteArray(file.readAll(), error);
}

} // namespace common
