#include "remote/process/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace remote::process {

namespace {

// The process id as text and a line end, without allocating.
int pidLine(char (&out)[24]) {
    char digits[20];
    int n = 0;
    for (auto pid = static_cast<unsigned long>(::getpid()); n == 0 || pid != 0; pid /= 10) {
        digits[n++] = static_cast<char>('0' + pid % 10);
    }
    int length = 0;
    while (n > 0) {
        out[length++] = digits[--n];
    }
    out[length++] = '\n';
    return length;
}

} // namespace

SingleInstance::SingleInstance(QString folder) {
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    const QDir dir(folder);
    m_path = QFile::encodeName(dir.filePath(QString::fromLatin1(kLockName)));
    m_fallbackPath = QFile::encodeName(dir.filePath(QString::fromLatin1(kFallbackLockName)));
}

SingleInstance::~SingleInstance() {
    if (m_fd >= 0) {
        // The lock goes with the descriptor; an empty file tells a reader nobody holds it.
        // The file itself stays: removing it would let two copies lock two different files.
        const bool emptied = ::ftruncate(m_fd, 0) == 0;
        static_cast<void>(emptied);
        ::close(m_fd);
    }
}

QString SingleInstance::lockPath() const {
    return QFile::decodeName(m_lockedPath ? *m_lockedPath : m_path);
}

SingleInstance::Result SingleInstance::tryLock() {
    if (m_fd >= 0) {
        return Result::First;
    }
    for (const QByteArray* path : {&m_path, &m_fallbackPath}) {
        switch (lockFile(*path)) {
        case Attempt::Locked:
            m_lockedPath = path;
            return Result::First;
        case Attempt::Held:
            return Result::AlreadyRunning;
        case Attempt::Failed:
            return Result::Unchecked;
        case Attempt::Unusable:
            break; // try the sibling
        }
    }
    return Result::Unchecked;
}

SingleInstance::Attempt SingleInstance::lockFile(const QByteArray& path) {
    // Not following a link and not waiting on a FIFO: whatever stands at the path, this
    // returns at once.
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | kFlags, 0600);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        // A lock file someone made read-only still takes a lock; only the note is lost.
        fd = ::open(path.constData(), O_RDONLY | kFlags);
    }
    if (fd < 0) {
        return errno == EISDIR || errno == ELOOP || errno == ENXIO || errno == ENOTDIR
                   ? Attempt::Unusable
                   : Attempt::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Attempt::Unusable;
    }
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Attempt::Held : Attempt::Failed;
    }
    // For people only: nothing reads it back.
    char line[24];
    const int length = pidLine(line);
    const bool noted = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, line, length, 0) == length;
    static_cast<void>(noted);
    m_fd = fd;
    return Attempt::Locked;
}

} // namespace remote::process
