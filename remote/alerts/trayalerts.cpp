#include "remote/alerts/trayalerts.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace remote::alerts {

QImage trayImage(TrayLook look, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = look == TrayLook::Alarm      ? QColor(0xC0, 0, 0)
                        : look == TrayLook::LinkLost ? QColor(0x80, 0x80, 0x80)
                                                     : QColor(0x20, 0xA0, 0x40);
    const qreal m = size / 16.0;
    p.setPen(QPen(Qt::black, m));
    p.setBrush(fill);
    p.drawEllipse(QRectF(m, m, size - 2 * m, size - 2 * m));
    p.setPen(QPen(Qt::white, 2 * m, Qt::SolidLine, Qt::RoundCap));
    const qreal c = size / 2.0;
    if (look == TrayLook::Alarm) {
        p.drawLine(QPointF(c, 4 * m), QPointF(c, size - 7 * m));
        p.drawPoint(QPointF(c, size - 4.5 * m));
    } else if (look == TrayLook::LinkLost) {
        p.drawLine(QPointF(5 * m, 5 * m), QPointF(size - 5 * m, size - 5 * m));
        p.drawLine(QPointF(size - 5 * m, 5 * m), QPointF(5 * m, size - 5 * m));
    }
    return image;
}

TrayAlerts::TrayAlerts(QObject* parent)
    : QObject(parent) {
    m_clock.start();
    m_recent.setSingleShot(true);
    connect(&m_recent, &QTimer::timeout, this, &TrayAlerts::update);
}

TrayAlerts::~TrayAlerts() = default;

void TrayAlerts::setEnabled(bool on) {
    m_enabled = on;
    if (!on) {
        m_icon.reset();
        m_shownLook.reset();
        return;
    }
    if (!m_icon) {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            if (!std::exchange(m_failed, true)) {
                emit unavailable(QStringLiteral("No system tray on this desktop"));
            }
            return;
        }
        m_icon = std::make_unique<QSystemTrayIcon>();
        connect(m_icon.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger ||
                        reason == QSystemTrayIcon::DoubleClick) {
                        emit activated();
                    }
                });
        m_icon->show();
    }
    update();
}

void TrayAlerts::setLinkUp(bool up) {
    if (up != m_linkUp) {
        m_linkUp = up;
        update();
    }
}

void TrayAlerts::alarm(const QString& lastAlarmText) {
    m_lastAlarmMs = m_clock.elapsed();
    m_lastAlarm = lastAlarmText;
    m_recent.start(static_cast<int>(kRecentAlarmMs));
    update();
}

TrayLook TrayAlerts::look() const {
    return trayLook(m_linkUp, m_lastAlarmMs, m_clock.elapsed());
}

QString TrayAlerts::toolTip() const {
    const QString state =
        look() == TrayLook::LinkLost ? QStringLiteral("link lost") : QStringLiteral("link up");
    return QStringLiteral("Remote station: ") + state +
           (m_lastAlarm.isEmpty() ? QString() : u'\n' + m_lastAlarm);
}

bool TrayAlerts::shown() const {
    return m_icon != nullptr;
}

void TrayAlerts::update() {
    if (!m_icon) {
        return;
    }
    const TrayLook now = look();
    if (m_shownLook != now) {
        m_shownLook = now;
        QIcon icon;
        for (const int size : {16, 22, 32, 48}) {
            icon.addPixmap(QPixmap::fromImage(trayImage(now, size)));
        }
        m_icon->setIcon(icon);
    }
    m_icon->setToolTip(toolTip());
}

} // namespace remote::alerts
