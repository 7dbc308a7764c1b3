// Loads arbitrary bytes as a property file, then reads every key as each kind of value the
// controls ask for, and saves and loads the bag again. Stops at the first fault ASan or UBSan
// sees, a refusal without a message, or a loaded bag that does not load back from its own
// bytes with the same keys.
#include "common/propertybag.h"
#include "fuzzcheck.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>

namespace {

// Reads one value the way the controls' loaders do: as each kind they convert to.
void readEveryWay(const common::FilePropertyBag& bag, const QString& key) {
    const QVariant v = bag.readProperty(key, QVariant());
    (void)v.toBool();
    (void)v.toInt();
    (void)v.toUInt();
    (void)v.toLongLong();
    (void)v.toULongLong();
    (void)v.toDouble();
    (void)v.toString();
    (void)v.value<QFont>().family();
    (void)v.value<QColor>().rgba();
    if (const auto image = common::imageFromVariant(v)) {
        (void)image->size();
    }
    (void)common::isDefaultValue(v, QVariant());
    (void)common::isDefaultValue(v, v);
    FUZZ_CHECK(bag.contains(key));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Fonts and pictures need the GUI application; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const auto bag = common::FilePropertyBag::fromByteArray(bytes, &error);
    if (!bag) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    const QStringList keys = bag->keys();
    for (const QString& key : keys) {
        readEveryWay(*bag, key);
    }
    FUZZ_CHECK(bag->readProperty(QStringLiteral("no such key \x01"), 42).toInt() == 42);

    const auto again = common::FilePropertyBag::fromByteArray(bag->toByteArray(), &error);
    FUZZ_CHECK(again);
    FUZZ_CHECK(again->keys() == keys);
    return 0;
}
