#include "remote/serial/portwarning.h"

#include "remote/serial/serialconstants.h"

namespace remote::serial {

QString portWarningText(PortProblem problem, int portNumber, const QString& device,
                        const QString& systemText) {
    const QString port = device.isEmpty()
                             ? QStringLiteral("Com%1").arg(portNumber)
                             : QStringLiteral("Com%1 (%2)").arg(portNumber).arg(device);
    const bool validNumber = portNumber >= kFirstPortNumber && portNumber <= kLastPortNumber;
    QString what;
    if (problem == PortProblem::Disconnected) {
        what = QStringLiteral("the device was disconnected.");
    } else if (!validNumber) {
        what = QStringLiteral("there is no such port; ports run from Com%1 to Com%2.")
                   .arg(kFirstPortNumber)
                   .arg(kLastPortNumber);
    } else {
        what = QStringLiteral("the device could not be opened.");
    }

    const qsizetype advice = systemText.indexOf(QStringLiteral("\n\n"));
    const QString system = systemText.left(advice).trimmed();
    QString text = port + QStringLiteral(": ") + what;
    if (!system.isEmpty()) {
        text += QStringLiteral(" (") + system + QLatin1Char(')');
    }
    if (advice >= 0) {
        const QString rest = systemText.mid(advice).trimmed();
        if (!rest.isEmpty()) {
            text += QStringLiteral("\n\n") + rest;
        }
    }
    return text;
}

} // namespace remote::serial
