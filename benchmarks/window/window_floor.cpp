// The least Qt window that does what the station's window does with the detector: a 100 ms
// tick, the station's own poll and read-settings commands on alternate second ticks, a
// receive lamp that goes dark two ticks after it lit and lights at each answer, a label
// showing the last display line of the last screen frame and one showing the other answers
// (the settings frames) in hexadecimal, so that each repaints when what it shows changes, as
// the station's displays do. scripts/measure-window.py --floor
// runs it beside the station, so both meet the same machine: what it costs is what Qt, the
// kernel and the X server charge for that work alone, before any of the station's own.
//
// Usage: window-floor [--no-poll]   (the line's path comes from REMOTE_COM1, as the
//                                    station's does; --no-poll sends nothing, as the station
//                                    with its loop switch off)
#include "remote/link/commandframe.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QSerialPort>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

class Lamp : public QWidget {
public:
    Lamp() {
        setFixedSize(16, 16);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    bool lit() const { return m_lit; }
    void setLit(bool lit) {
        if (lit != m_lit) {
            m_lit = lit;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), m_lit ? Qt::green : Qt::darkGreen);
    }

private:
    bool m_lit = false;
};

void send(QSerialPort& port, const remote::link::CommandFrame& frame) {
    const auto bytes = frame.bytes();
    port.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool poll = !app.arguments().contains(QStringLiteral("--no-poll"));

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* lamp = new Lamp;
    auto* lastLine = new QLabel;
    auto* lastAnswer = new QLabel;
    for (QLabel* label : {lastLine, lastAnswer}) {
        label->setTextFormat(Qt::PlainText);
    }
    layout->addWidget(lamp);
    layout->addWidget(lastLine);
    layout->addWidget(lastAnswer);
    window.show();

    QSerialPort port(qEnvironmentVariable("REMOTE_COM1"));
    port.setBaudRate(QSerialPort::Baud9600);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "window-floor: %s\n", qPrintable(port.errorString()));
        return 2;
    }

    QByteArray received;
    int tick = 0;
    int lampTicks = 0;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        received += port.readAll();
        // A screen frame is "STS,D," and five display lines, comma separated, up to its CR.
        for (qsizetype end = received.indexOf('\r'); end >= 0; end = received.indexOf('\r')) {
            const QByteArray frame = received.left(end);
            received.remove(0, end + 1);
            // The LF a terminal wants, or noise, may come before the sync.
            const qsizetype sync = frame.indexOf("STS,");
            if (sync < 0) {
                lastAnswer->setText(QString::fromLatin1(frame.left(32).toHex()));
                continue;
            }
            const QList<QByteArray> fields = frame.mid(sync).split(',');
            if (fields.size() > 6) {
                lastLine->setText(QString::fromLatin1(fields[6]));
            }
        }
        if (received.size() > 4096) {
            received.clear(); // no frame end in sight: noise
        }
        lamp->setLit(true);
        lampTicks = 0;
    });
    QTimer tickTimer;
    tickTimer.setInterval(100);
    QObject::connect(&tickTimer, &QTimer::timeout, [&] {
        if (lamp->lit() && ++lampTicks > 1) {
            lamp->setLit(false);
        }
        ++tick;
        if (!poll || tick % 2 != 0) {
            return;
        }
        send(port,
             tick % 4 == 0 ? remote::link::ReadSettingsCommand() : remote::link::PollCommand());
    });
    tickTimer.start();
    return app.exec();
}
