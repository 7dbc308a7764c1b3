#include "screenplacement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace remote::dialogs {

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.left() + (area.width() - window.width()) / 2,
                    area.top() + (area.height() - window.height()) / 2);
    }
}

} // namespace remote::dialogs
