#include "singleinstance.h"

#include <QDir>
#include <QStandardPaths>

SingleInstance::SingleInstance(QString folder) {
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    m_path = QDir(folder).filePath(QString::fromLatin1(kLockName));
}

SingleInstance::Result SingleInstance::tryLock() {
    m_lock = std::make_unique<QLockFile>(m_path);
    // The default of 30 s would let a second copy take the lock of a first copy that has
    // simply been running for a while; a lock is stale only when its process is gone.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        return Result::First;
    }
    return m_lock->error() == QLockFile::LockFailedError ? Result::AlreadyRunning
                                                         : Result::Unchecked;
}
