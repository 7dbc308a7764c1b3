// Renders the Alerts dialog with sample settings to a PNG, and the tray's three looks:
//   QT_QPA_PLATFORM=offscreen alerts-gallery docs/images/alerts-dialog.png [TRAY.png]
#include "remote/alerts/frmalerts.h"
#include "remote/alerts/trayalerts.h"

#include <QApplication>
#include <QPainter>

#include <cstdio>

using namespace remote::alerts;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DIALOG.png [TRAY.png]\n", argv[0]);
        return 2;
    }
    AlertSettings settings;
    settings.volume = 65;
    settings.channels[6] = false;
    settings.command = "/usr/bin/logger -t site-alarm";
    frmAlerts dialog(settings);
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3) {
        // Quiet, alarm and link lost, at 48 and 22 pixels, on a light and a dark panel.
        QImage sheet(3 * 80, 2 * 60, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&sheet);
        p.fillRect(0, 0, sheet.width(), 60, QColor(0xEE, 0xEE, 0xEE));
        p.fillRect(0, 60, sheet.width(), 60, QColor(0x30, 0x30, 0x30));
        const TrayLook looks[] = {TrayLook::Quiet, TrayLook::Alarm, TrayLook::LinkLost};
        for (int i = 0; i < 3; ++i) {
            p.drawImage(i * 80 + 4, 6, trayImage(looks[i], 48));
            p.drawImage(i * 80 + 56, 19, trayImage(looks[i], 22));
            p.drawImage(i * 80 + 4, 66, trayImage(looks[i], 48));
            p.drawImage(i * 80 + 56, 79, trayImage(looks[i], 22));
        }
        p.end();
        if (!sheet.save(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
