#pragma once

#include "remote/alerts/alertsettings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace remote::alerts {

// "Alerts": how an alarm reaches the operator away from the window. It edits a copy; the
// caller stores values() when the dialog is accepted.
class frmAlerts : public QDialog {
    Q_OBJECT

public:
    explicit frmAlerts(const AlertSettings& settings, QWidget* parent = nullptr);

    AlertSettings values() const;

    QCheckBox* chkNotify = nullptr;
    QCheckBox* chkTray = nullptr;
    QCheckBox* chkSound = nullptr;
    QSlider* sldVolume = nullptr;
    QLabel* lblVolume = nullptr;
    std::array<QCheckBox*, kChannelCount> chkChannel{};
    QLineEdit* txtCommand = nullptr;
    QLabel* lblCommand = nullptr;

private:
    void showCommandCheck();
};

} // namespace remote::alerts
