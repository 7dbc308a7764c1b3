#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// One running copy per user: a lock file in the user's runtime folder. A lock left behind by
// a copy that died is recovered (its process is gone); a live copy's lock is never taken
// over, however old it is.
class SingleInstance {
public:
    // folder empty: the user's runtime folder.
    explicit SingleInstance(QString folder = {});

    enum class Result {
        First,          // this copy holds the lock
        AlreadyRunning, // another live copy holds it
        Unchecked,      // the lock could not be made (folder missing or not writable)
    };

    Result tryLock();
    QString lockPath() const { return m_path; }

    static constexpr char kLockName[] = "remote.lock";

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
