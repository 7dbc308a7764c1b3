#pragma once

#include <QByteArray>
#include <QString>

namespace remote::process {

// One running copy per user: an advisory lock (flock) on a file in the user's runtime
// folder. The kernel drops the lock when its holder ends, however it ends, so a copy that
// died never keeps the next one from starting; the file's content (the holder's process id,
// for people) is never read. A path that cannot hold the lock (a directory, a socket, a
// link) is passed over for a fixed sibling name, so every copy still meets on one lock.
class SingleInstance {
public:
    // folder empty: the user's runtime folder.
    explicit SingleInstance(QString folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Result {
        First,          // this copy holds the lock
        AlreadyRunning, // another live copy holds it
        Unchecked,      // the lock could not be made (folder missing or not writable)
    };

    // Allocates nothing, so a forked child may call it as well. Once First, stays First.
    Result tryLock();
    // The file the lock was taken on, or the one it was first tried on.
    QString lockPath() const;

    static constexpr char kLockName[] = "remote.lock";
    static constexpr char kFallbackLockName[] = "remote.lock.flock";

private:
    enum class Attempt { Locked, Held, Unusable, Failed };
    Attempt lockFile(const QByteArray& path);

    QByteArray m_path;
    QByteArray m_fallbackPath;
    const QByteArray* m_lockedPath = nullptr;
    int m_fd = -1;
};

} // namespace remote::process
