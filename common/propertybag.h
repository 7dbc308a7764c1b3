#pragma once

#include "common/propertybaginterface.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <optional>

namespace common {

// A property bag in memory that keeps the order in which keys were first written, and can
// be saved to and loaded from a file. Values may be numbers, booleans, texts, bytes,
// rectangles, points, sizes, colours, fonts and pictures (images; a pixmap loads back as its
// image); a file holding a value of another kind is refused, and so is saving one.
class FilePropertyBag : public PropertyBag {
public:
    using Entry = QPair<QString, QVariant>;

    QVariant readProperty(const QString& key, const QVariant& defaultValue) const override;
    void writeProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override;
    void writeProperty(const QString& key, const QVariant& value) override;

    bool contains(const QString& key) const;
    QStringList keys() const; // in write order
    const QList<Entry>& entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

    // Writes the whole bag to path atomically: on failure the old file is left as it was.
    bool save(const QString& path, QString* error = nullptr) const;

    // Reads a bag written by save(). A missing, truncated or foreign file is refused with
    // a message and yields nullopt.
    static std::optional<FilePropertyBag> load(const QString& path, QString* error = nullptr);

    // The same two steps on a byte array, for hosts that embed the bag in their own files.
    QByteArray toByteArray() const;
    static std::optional<FilePropertyBag> fromByteArray(const QByteArray& data,
                                                        QString* error = nullptr);

private:
    qsizetype indexOf(const QString& key) const;

    QList<Entry> m_entries;
};

// A stored picture: the image, a null image for an empty value, nullopt for a value of
// another kind.
std::optional<QImage> imageFromVariant(const QVariant& value);

// True when value counts as equal to the default a key was written with (so it is left
// out). Null pictures and fonts count as equal to an empty default.
bool isDefaultValue(const QVariant& value, const QVariant& defaultValue);

} // namespace common
