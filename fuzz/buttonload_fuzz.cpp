// Loads arbitrary bytes as a property file into an image button, as a host loads a placed
// control, shows and draws it, presses and releases it, and saves it again. Stops at the
// first fault ASan or UBSan sees, or a saved bag that does not load back.
#include "common/propertybag.h"
#include "fuzzcheck.h"
#include "torvelbutton/model/torvelimagebutton.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept to the end of the process: destroyed among the exit handlers, it would outlive
    // parts of Qt it still uses.
    static QApplication* const app = new QApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto bag = common::FilePropertyBag::fromByteArray(bytes);
    if (!bag) {
        return 0;
    }
    QWidget form;
    form.resize(200, 100);
    auto* button = new TorvelImageButton(&form);
    button->setObjectName(QStringLiteral("cmdGo"));
    button->resize(100, 30);
    button->readProperties(*bag);
    form.show();
    button->Redraw();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }

    common::FilePropertyBag saved;
    button->writeProperties(saved);
    FUZZ_CHECK(common::FilePropertyBag::fromByteArray(saved.toByteArray()));
    return 0;
}
