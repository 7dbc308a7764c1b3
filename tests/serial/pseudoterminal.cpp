#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace serialtest {

Pty::Pty() {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    termios raw{};
    ::tcgetattr(m_master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_master, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

Pty::~Pty() {
    unplug();
}

void Pty::write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const auto n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0) {
            throw std::runtime_error("write to the pseudo-terminal failed");
        }
        done += n;
    }
}

QByteArray Pty::read(int count, int timeoutMs) {
    QByteArray got;
    const QDeadlineTimer deadline(timeoutMs);
    while (got.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buffer[512];
        const auto n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
        } else {
            QThread::msleep(2);
        }
    }
    return got;
}

void Pty::unplug() {
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void DeviceLink::pointAt(const QString& device) {
    remove();
    std::filesystem::create_symlink(device.toStdString(), m_path);
}

void DeviceLink::remove() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

ComVariable::ComVariable(int port, const QString& device)
    : m_name("REMOTE_COM" + QByteArray::number(port))
    , m_old(qgetenv(m_name.constData()))
    , m_wasSet(qEnvironmentVariableIsSet(m_name.constData())) {
    qputenv(m_name.constData(), device.toLocal8Bit());
}

ComVariable::~ComVariable() {
    if (m_wasSet) {
        qputenv(m_name.constData(), m_old);
    } else {
        qunsetenv(m_name.constData());
    }
}

} // namespace serialtest
