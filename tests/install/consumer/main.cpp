#include <common/propertybaginterface.h>
#include <torvelbutton/com/toolbox.h>
#include <torvelbutton/model/torvelimagebutton.h>

#include <QApplication>
#include <QHash>
#include <QWidget>

#include <cstdio>

namespace {

// A host's own store, built only on the installed interface.
class MemoryBag : public common::PropertyBag {
public:
    QVariant readProperty(const QString& key, const QVariant& defaultValue) const override {
        return values.value(key, defaultValue);
    }
    void writeProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override {
        if (value == defaultValue) {
            values.remove(key);
        } else {
            values.insert(key, value);
        }
    }
    void writeProperty(const QString& key, const QVariant& value) override {
        values.insert(key, value);
    }

    QHash<QString, QVariant> values;
};

} // namespace

// Places one button on a form as a host does, keeps it in the host's store and reads it
// back into a second button.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget form;
    auto* ok = new TorvelImageButton(&form);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->initProperties();
    ok->setCaption(QStringLiteral("OK"));
    if (ok->caption() != QStringLiteral("OK")) {
        std::puts("caption lost");
        return 1;
    }
    MemoryBag bag;
    ok->writeProperties(bag);
    auto* copy = new TorvelImageButton(&form);
    copy->readProperties(bag);
    if (copy->caption() != QStringLiteral("OK") || bag.values.isEmpty()) {
        std::puts("store lost the caption");
        return 1;
    }
    if (torvelbutton::typeinfo::toolboxPicture().size() != QSize(16, 15)) {
        std::puts("toolbox picture missing");
        return 1;
    }
    std::puts("consumer ok");
    return 0;
}
