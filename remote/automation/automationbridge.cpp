#include "automationbridge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

namespace remote::automation {

namespace {

constexpr qsizetype MaxLine = 4096; // characters of one command

QString escaped(QString text) {
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

QString textOf(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
        return edit->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(w)) {
        return edit->toPlainText();
    }
    if (auto* edit = qobject_cast<const QTextEdit*>(w)) {
        return edit->toPlainText();
    }
    for (const char* property : {"text", "caption", "Caption"}) {
        const QVariant v = w->property(property);
        if (v.isValid()) {
            return v.toString();
        }
    }
    return {};
}

bool checkedOf(const QWidget* w) {
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->isChecked();
    }
    for (const char* property : {"checked", "value", "Value"}) {
        const QVariant v = w->property(property);
        if (v.isValid()) {
            return v.toBool();
        }
    }
    return false;
}

void clickOn(QWidget* w) {
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->click();
        return;
    }
    const QPointF centre = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, w->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, w->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

void typeInto(QWidget* w, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        // As an operator would: the edit signals fire and the length limit holds.
        edit->setFocus();
        edit->selectAll();
        edit->insert(text);
        return;
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
        edit->setPlainText(text);
        return;
    }
    w->setProperty("text", text);
}

} // namespace

QWidget* findControl(const QString& name) {
    if (name.isEmpty()) {
        return nullptr;
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
        // Windows answer to their class name as well: most carry no object name.
        if (top->objectName() == name || (top->objectName().isEmpty() &&
                                          name == QLatin1String(top->metaObject()->className()))) {
            return top;
        }
        if (auto* w = top->findChild<QWidget*>(name)) {
            return w;
        }
    }
    return nullptr;
}

AutomationBridge* AutomationBridge::startFromEnvironment(QObject* parent) {
    const QString name = qEnvironmentVariable(kEnvironmentVariable);
    if (name.isEmpty()) {
        return nullptr;
    }
    auto* bridge = new AutomationBridge(parent);
    if (!bridge->listen(name)) {
        qWarning("automation: cannot listen on %s", qPrintable(name));
        delete bridge;
        return nullptr;
    }
    return bridge;
}

AutomationBridge::AutomationBridge(QObject* parent)
    : QObject(parent)
    , m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &AutomationBridge::onConnection);
}

bool AutomationBridge::listen(const QString& name) {
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void AutomationBridge::onConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void AutomationBridge::onReadyRead(QLocalSocket* socket) {
    while (socket->canReadLine()) {
        const QString line = QString::fromUtf8(socket->readLine(MaxLine)).trimmed();
        socket->write(execute(line).toUtf8() + '\n');
    }
    if (socket->bytesAvailable() > MaxLine) {
        socket->write("error line too long\n");
        socket->disconnectFromServer();
    }
}

QString AutomationBridge::execute(const QString& line) {
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    if (verb == QLatin1String("windows")) {
        QStringList names;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible()) {
                names << (top->objectName().isEmpty()
                              ? QString::fromLatin1(top->metaObject()->className())
                              : top->objectName());
            }
        }
        names.sort();
        return QLatin1String("ok ") + names.join(QLatin1Char(' '));
    }
    const QString name = line.section(QLatin1Char(' '), 1, 1);
    QWidget* w = findControl(name);
    if (verb == QLatin1String("exists")) {
        return QLatin1String(w ? "ok 1" : "ok 0");
    }
    if (!w) {
        return QLatin1String("error no control ") + name;
    }
    if (verb == QLatin1String("text")) {
        return QLatin1String("ok ") + escaped(textOf(w));
    }
    if (verb == QLatin1String("checked")) {
        return QLatin1String(checkedOf(w) ? "ok 1" : "ok 0");
    }
    if (verb == QLatin1String("enabled")) {
        return QLatin1String(w->isEnabled() ? "ok 1" : "ok 0");
    }
    if (verb == QLatin1String("color")) {
        return QLatin1String("ok ") + w->palette().color(w->foregroundRole()).name();
    }
    if (verb == QLatin1String("click")) {
        QTimer::singleShot(0, w, [target = QPointer<QWidget>(w)] {
            if (target) {
                clickOn(target);
            }
        });
        return QStringLiteral("ok");
    }
    if (verb == QLatin1String("type")) {
        const QString text = line.section(QLatin1Char(' '), 2);
        QTimer::singleShot(0, w, [target = QPointer<QWidget>(w), text] {
            if (target) {
                typeInto(target, text);
            }
        });
        return QStringLiteral("ok");
    }
    return QLatin1String("error unknown command ") + verb;
}

} // namespace remote::automation
