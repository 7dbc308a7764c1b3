#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace remote::automation {

// A listening local socket that is careful with its path and never stops listening while it
// lives. At the path only a socket nobody listens on (left by a copy that died) is removed;
// anything else there (a live socket, a file, a directory, a link) is refused and left as
// it is. When the process runs out of descriptors, a waiting connection is accepted on a
// descriptor kept in reserve and closed at once with an error line, so the listening socket
// neither spins nor closes. The socket file is removed at the end only while it is still
// this listener's.
class SocketListener : public QObject {
    Q_OBJECT

public:
    explicit SocketListener(QObject* parent = nullptr);
    ~SocketListener() override;

    // A path that is not absolute is taken in the temporary folder (as QLocalServer does).
    // False with errorString() when refused or failed.
    bool listen(const QString& path);
    bool isListening() const;
    QString path() const;
    QString errorString() const;

    // The line a connection shed for want of descriptors receives before it is closed.
    static constexpr char kOutOfDescriptors[] = "error out of file descriptors\n";

signals:
    // A connected socket; the receiver owns the descriptor from now on.
    void accepted(int descriptor);

private:
    enum class Shed { One, NoneWaiting, Failed };
    void acceptPending();
    Shed shedOne();
    void pause();

    struct Private;
    std::unique_ptr<Private> d;
};

// Writes one short line to a descriptor without waiting, then closes it.
void refuseConnection(int descriptor, const char* line);

} // namespace remote::automation
