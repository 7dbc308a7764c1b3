#include "windowsystem.h"

#include <QByteArray>
#include <QtGlobal>

namespace remote::startup {

void preferImagesThroughTheSocket() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", QByteArrayLiteral("1"));
    }
}

} // namespace remote::startup
