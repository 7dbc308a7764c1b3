#pragma once

// The store interface alone: hosts of the image-button library implement it to keep a
// button's properties, so it is installed with the library's headers.

#include <QString>
#include <QVariant>

namespace common {

/// The keyed store a host keeps for each placed control. A control reads each key with the
/// default that stands for "never stored" and writes each key with the default that lets the
/// store leave an unchanged value out.
class PropertyBag {
public:
    /// Stores are destroyed through this interface.
    virtual ~PropertyBag() = default;

    /// The stored value, or defaultValue when the key was never stored.
    virtual QVariant readProperty(const QString& key, const QVariant& defaultValue) const = 0;

    /// Stores value under key (replacing an earlier one). A value equal to defaultValue is
    /// left out: an earlier entry is removed and the key then reads as its default.
    virtual void writeProperty(const QString& key, const QVariant& value,
                               const QVariant& defaultValue) = 0;

    /// Stores value with no default to compare with: always kept.
    virtual void writeProperty(const QString& key, const QVariant& value) = 0;
};

} // namespace common
