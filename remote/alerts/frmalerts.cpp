#include "remote/alerts/frmalerts.h"

#include "remote/link/protocol.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace remote::alerts {

frmAlerts::frmAlerts(const AlertSettings& s, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Alerts"));
    setObjectName(QStringLiteral("frmAlerts"));
    auto* layout = new QVBoxLayout(this);

    auto* how = new QGroupBox(QStringLiteral("When an alarm comes"), this);
    auto* howLayout = new QGridLayout(how);
    chkNotify = new QCheckBox(QStringLiteral("Show a desktop notification"), how);
    chkTray = new QCheckBox(QStringLiteral("Show the station in the system tray"), how);
    chkSound = new QCheckBox(QStringLiteral("Sound the alarm tone"), how);
    sldVolume = new QSlider(Qt::Horizontal, how);
    sldVolume->setRange(0, 100);
    sldVolume->setPageStep(10);
    lblVolume = new QLabel(how);
    lblVolume->setMinimumWidth(lblVolume->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    howLayout->addWidget(chkNotify, 0, 0, 1, 3);
    howLayout->addWidget(chkTray, 1, 0, 1, 3);
    howLayout->addWidget(chkSound, 2, 0, 1, 3);
    howLayout->addWidget(new QLabel(QStringLiteral("Volume:"), how), 3, 0);
    howLayout->addWidget(sldVolume, 3, 1);
    howLayout->addWidget(lblVolume, 3, 2);
    layout->addWidget(how);

    auto* which = new QGroupBox(QStringLiteral("Channels that alert"), this);
    auto* whichLayout = new QGridLayout(which);
    for (int c = 0; c < kChannelCount; ++c) {
        auto* box = new QCheckBox(
            QString::fromLatin1(link::protocol::AlarmChannelLabels[static_cast<std::size_t>(c)])
                .remove(QLatin1Char(':'))
                .trimmed(),
            which);
        box->setObjectName(QStringLiteral("chkChannel_%1").arg(c));
        chkChannel[static_cast<std::size_t>(c)] = box;
        whichLayout->addWidget(box, c / 3, c % 3);
    }
    layout->addWidget(which);

    auto* run = new QGroupBox(QStringLiteral("Alarm command"), this);
    auto* runLayout = new QVBoxLayout(run);
    txtCommand = new QLineEdit(run);
    txtCommand->setMaxLength(static_cast<int>(kMaxCommandLength));
    txtCommand->setPlaceholderText(QStringLiteral("none"));
    lblCommand = new QLabel(run);
    lblCommand->setTextFormat(Qt::PlainText);
    lblCommand->setWordWrap(true);
    auto* help = new QLabel(
        QStringLiteral("Runs once per alarm, without a shell, with REMOTE_ALARM_CHANNEL, "
                       "REMOTE_ALARM_LABEL, REMOTE_ALARM_TIME and REMOTE_ALARM_DETECTOR_CLOCK "
                       "set; at most 4 at once, each stopped after 30 s."),
        run);
    help->setWordWrap(true);
    runLayout->addWidget(txtCommand);
    runLayout->addWidget(lblCommand);
    runLayout->addWidget(help);
    layout->addWidget(run);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    chkNotify->setObjectName(QStringLiteral("chkNotify"));
    chkTray->setObjectName(QStringLiteral("chkTray"));
    chkSound->setObjectName(QStringLiteral("chkSound"));
    sldVolume->setObjectName(QStringLiteral("sldVolume"));
    txtCommand->setObjectName(QStringLiteral("txtCommand"));

    connect(sldVolume, &QSlider::valueChanged, this,
            [this](int v) { lblVolume->setText(QStringLiteral("%1 %").arg(v)); });
    connect(chkSound, &QCheckBox::toggled, sldVolume, &QWidget::setEnabled);
    connect(txtCommand, &QLineEdit::textChanged, this, &frmAlerts::showCommandCheck);

    chkNotify->setChecked(s.notify);
    chkTray->setChecked(s.tray);
    chkSound->setChecked(s.sound);
    sldVolume->setValue(s.volume);
    lblVolume->setText(QStringLiteral("%1 %").arg(sldVolume->value()));
    sldVolume->setEnabled(s.sound);
    for (int c = 0; c < kChannelCount; ++c) {
        chkChannel[static_cast<std::size_t>(c)]->setChecked(s.alerts(c));
    }
    txtCommand->setText(QString::fromStdString(s.command));
    showCommandCheck();
}

// Says what will run, so a quoting mistake shows before the first alarm does.
void frmAlerts::showCommandCheck() {
    const QStringList parts = QProcess::splitCommand(txtCommand->text());
    if (parts.isEmpty()) {
        lblCommand->setText(QStringLiteral("No command runs."));
        return;
    }
    const bool found = !QStandardPaths::findExecutable(parts.front()).isEmpty() ||
                       QFileInfo(parts.front()).isExecutable();
    lblCommand->setText(
        found ? QStringLiteral("Runs %1 with %2 argument(s).")
                    .arg(parts.front())
                    .arg(parts.size() - 1)
              : QStringLiteral("%1 is not a program that can be run.").arg(parts.front()));
}

AlertSettings frmAlerts::values() const {
    AlertSettings s;
    s.notify = chkNotify->isChecked();
    s.tray = chkTray->isChecked();
    s.sound = chkSound->isChecked();
    s.volume = sldVolume->value();
    for (int c = 0; c < kChannelCount; ++c) {
        s.channels[static_cast<std::size_t>(c)] =
            chkChannel[static_cast<std::size_t>(c)]->isChecked();
    }
    s.command = txtCommand->text().toStdString();
    return s;
}

} // namespace remote::alerts
