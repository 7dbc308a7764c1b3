#include "socketlistener.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace remote::automation {

namespace {

constexpr int kBacklog = 16;     // connections the kernel holds before they are accepted
constexpr int kRetryPause = 200; // milliseconds before accepting again when nothing can be
constexpr int kAcceptBurst = 64; // connections taken in one turn of the event loop

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fillAddress(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

// Whether a program listens on the socket at the path: a refused connection means the
// socket was left behind.
enum class Probe { Live, Stale, Unknown };
Probe probe(const sockaddr_un& address, int& error) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = errno;
        return Probe::Unknown;
    }
    const int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    error = result == 0 ? 0 : errno;
    ::close(fd);
    if (result == 0 || error == EAGAIN || error == EINPROGRESS) {
        return Probe::Live; // EAGAIN: a listener with a full queue
    }
    return error == ECONNREFUSED || error == ENOENT ? Probe::Stale : Probe::Unknown;
}

int openReserve() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

} // namespace

void refuseConnection(int descriptor, const char* line) {
    const ssize_t sent = ::send(descriptor, line, std::strlen(line), MSG_DONTWAIT | MSG_NOSIGNAL);
    static_cast<void>(sent);
    ::close(descriptor);
}

struct SocketListener::Private {
    QString path;
    QByteArray encodedPath;
    QString error;
    int fd = -1;
    int reserve = -1; // a descriptor given up to accept a connection when none is left
    dev_t device = 0;
    ino_t inode = 0;
    QSocketNotifier* notifier = nullptr;
    QTimer retry;
};

SocketListener::SocketListener(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>()) {
    d->retry.setSingleShot(true);
    d->retry.setInterval(kRetryPause);
    connect(&d->retry, &QTimer::timeout, this, [this] {
        d->notifier->setEnabled(true);
        acceptPending();
    });
}

SocketListener::~SocketListener() {
    if (d->fd < 0) {
        return;
    }
    delete d->notifier;
    ::close(d->fd);
    if (d->reserve >= 0) {
        ::close(d->reserve);
    }
    // Whatever has taken the path's place since is somebody else's.
    struct stat st {};
    if (::lstat(d->encodedPath.constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
        st.st_dev == d->device && st.st_ino == d->inode) {
        ::unlink(d->encodedPath.constData());
    }
}

bool SocketListener::isListening() const {
    return d->fd >= 0;
}

QString SocketListener::path() const {
    return d->path;
}

QString SocketListener::errorString() const {
    return d->error;
}

bool SocketListener::listen(const QString& path) {
    if (d->fd >= 0) {
        d->error = QStringLiteral("already listening on %1").arg(d->path);
        return false;
    }
    d->path = QDir::isAbsolutePath(path) ? path : QDir(QDir::tempPath()).absoluteFilePath(path);
    d->encodedPath = QFile::encodeName(d->path);
    sockaddr_un address{};
    if (path.isEmpty() || !fillAddress(d->encodedPath, address)) {
        d->error = QStringLiteral("%1: not a usable socket path").arg(d->path);
        return false;
    }

    struct stat st {};
    if (::lstat(d->encodedPath.constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            d->error =
                QStringLiteral("%1 exists and is not a socket; it is left as it is").arg(d->path);
            return false;
        }
        int error = 0;
        switch (probe(address, error)) {
        case Probe::Live:
            d->error = QStringLiteral("%1 is in use by another program").arg(d->path);
            return false;
        case Probe::Unknown:
            d->error = QStringLiteral("%1: %2").arg(d->path, systemError(error));
            return false;
        case Probe::Stale:
            if (::unlink(d->encodedPath.constData()) != 0 && errno != ENOENT) {
                d->error = QStringLiteral("%1: %2").arg(d->path, systemError(errno));
                return false;
            }
            break;
        }
    } else if (errno != ENOENT) {
        d->error = QStringLiteral("%1: %2").arg(d->path, systemError(errno));
        return false;
    }

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        d->error = QStringLiteral("%1: %2").arg(d->path, systemError(errno));
        return false;
    }
    // Connections are possible only after listen(): the mode is narrowed before that.
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        d->error = QStringLiteral("%1: %2").arg(d->path, systemError(errno));
        ::close(fd);
        return false;
    }
    if (::chmod(d->encodedPath.constData(), S_IRUSR | S_IWUSR) != 0 ||
        ::lstat(d->encodedPath.constData(), &st) != 0 || ::listen(fd, kBacklog) != 0) {
        d->error = QStringLiteral("%1: %2").arg(d->path, systemError(errno));
        ::close(fd);
        ::unlink(d->encodedPath.constData());
        return false;
    }
    d->fd = fd;
    d->device = st.st_dev;
    d->inode = st.st_ino;
    d->reserve = openReserve();
    d->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &SocketListener::acceptPending);
    d->error.clear();
    return true;
}

void SocketListener::acceptPending() {
    for (int i = 0; i < kAcceptBurst; ++i) {
        const int fd = ::accept4(d->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            emit accepted(fd);
            continue;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED:
        case EPROTO:
            continue;
        case EAGAIN:
            return;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            // Out of descriptors, accept() fails whether or not a connection waits.
            switch (shedOne()) {
            case Shed::One:
                continue;
            case Shed::NoneWaiting:
                return;
            case Shed::Failed:
                pause();
                return;
            }
            return;
        default:
            pause();
            return;
        }
    }
}

SocketListener::Shed SocketListener::shedOne() {
    if (d->reserve < 0) {
        d->reserve = openReserve();
        return Shed::Failed;
    }
    ::close(d->reserve);
    d->reserve = -1;
    int fd;
    do {
        fd = ::accept4(d->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    } while (fd < 0 && (errno == EINTR || errno == ECONNABORTED));
    const bool noneWaiting = fd < 0 && errno == EAGAIN;
    if (fd >= 0) {
        refuseConnection(fd, kOutOfDescriptors);
    }
    d->reserve = openReserve();
    return fd >= 0 ? Shed::One : noneWaiting ? Shed::NoneWaiting : Shed::Failed;
}

void SocketListener::pause() {
    // The connection stays queued; the notifier would only wake the loop for it again.
    d->notifier->setEnabled(false);
    d->retry.start();
}

} // namespace remote::automation
