#include "automationbridge.h"

#include "commandline.h"
#include "socketlistener.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <cstdio>
#include <map>

namespace remote::automation {

namespace {

// Answers a client has not read yet; past this its next commands wait.
constexpr qint64 kMaxUnreadAnswers = 1 << 20; // bytes
// Between the answer to a line over the limit and the end of the connection.
constexpr int kClosingPause = 500; // milliseconds

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

struct AutomationBridge::Client {
    LineBuffer lines;
    bool closing = false; // answered "line too long": what still comes is read and dropped
};

struct AutomationBridge::Private {
    SocketListener* listener = nullptr;
    std::map<QLocalSocket*, Client> clients;
};

std::unique_ptr<AutomationBridge> AutomationBridge::startFromEnvironment() {
    const QString name = qEnvironmentVariable(kEnvironmentVariable);
    if (name.isEmpty()) {
        return nullptr;
    }
    auto bridge = std::make_unique<AutomationBridge>();
    if (!bridge->listen(name)) {
        std::fprintf(stderr, "remote: automation socket not opened: %s\n",
                     qPrintable(bridge->errorString()));
        return nullptr;
    }
    return bridge;
}

AutomationBridge::AutomationBridge(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>()) {
    d->listener = new SocketListener(this);
    connect(d->listener, &SocketListener::accepted, this, &AutomationBridge::onAccepted);
}

AutomationBridge::~AutomationBridge() {
    // The sockets go after this object's state; closing they must not reach it.
    for (QLocalSocket* socket : findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly)) {
        socket->disconnect(this);
    }
}

bool AutomationBridge::listen(const QString& path) {
    return d->listener->listen(path);
}

QString AutomationBridge::errorString() const {
    return d->listener->errorString();
}

int AutomationBridge::clientCount() const {
    return static_cast<int>(d->clients.size());
}

void AutomationBridge::onAccepted(int descriptor) {
    if (clientCount() >= kMaxClients) {
        refuseConnection(descriptor, kTooManyClients);
        return;
    }
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    // Qt reads no more from the line than one command's worth ahead of what is served.
    socket->setReadBufferSize(LineBuffer::kMaxLine);
    d->clients.emplace(socket, Client{});
    connect(socket, &QLocalSocket::disconnected, this,
            [this, socket] { d->clients.erase(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
    // A client that had stopped reading its answers has caught up.
    connect(socket, &QLocalSocket::bytesWritten, this, [this, socket] { serve(socket); });
    serve(socket);
}

void AutomationBridge::serve(QLocalSocket* socket) {
    // Looked up again each time: an answer or the close may end in disconnected(), which
    // forgets the client.
    for (auto it = d->clients.find(socket); it != d->clients.end(); it = d->clients.find(socket)) {
        Client& client = it->second;
        LineBuffer& lines = client.lines;
        if (client.closing) {
            socket->read(LineBuffer::kMaxLine); // bounded by the read buffer
            if (socket->bytesAvailable() == 0) {
                return;
            }
            continue;
        }
        if (socket->bytesToWrite() >= kMaxUnreadAnswers) {
            return;
        }
        if (const auto line = lines.takeLine()) {
            socket->write(execute(QString::fromUtf8(*line)).toUtf8() + '\n');
            continue;
        }
        if (lines.tooLong()) {
            // Closing at once, with the client's next bytes unread, could cost the client
            // the answer; its input is dropped for a moment first.
            client.closing = true;
            socket->write("error line too long\n");
            QTimer::singleShot(kClosingPause, socket, [socket] { socket->disconnectFromServer(); });
            continue;
        }
        const QByteArray piece = socket->read(LineBuffer::kMaxLine);
        if (piece.isEmpty()) {
            return;
        }
        lines.append(piece);
    }
}

QString AutomationBridge::execute(const QString& line) {
    const CommandLine command = parseCommandLine(line);
    const QString& verb = command.verb;
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
    const QString& name = command.name;
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
        QTimer::singleShot(0, w, [target = QPointer<QWidget>(w), text = command.text] {
            if (target) {
                typeInto(target, text);
            }
        });
        return QStringLiteral("ok");
    }
    return QLatin1String("error unknown command ") + verb;
}

} // namespace remote::automation
