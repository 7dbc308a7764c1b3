// The automation socket over real local sockets: what stands at its path, lines over the
// limit, the cap on clients, and running out of descriptors.
#include "remote/automation/automationbridge.h"
#include "remote/automation/commandline.h"
#include "remote/automation/socketlistener.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using remote::automation::AutomationBridge;
using remote::automation::LineBuffer;
using remote::automation::SocketListener;

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// A client that keeps every answer as it arrives, so none is lost when the server closes
// the connection while the client is still sending.
class Client {
public:
    explicit Client(const QString& path) {
        QObject::connect(&socket, &QLocalSocket::readyRead,
                         [this] { received += socket.readAll(); });
        socket.connectToServer(path);
        EXPECT_TRUE(socket.waitForConnected(5000));
    }

    void write(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }

    // The next answer line, or nothing when the connection ends (or nothing comes) first.
    std::optional<QByteArray> answer() {
        waitFor([&] {
            return received.contains('\n') || socket.state() == QLocalSocket::UnconnectedState;
        });
        received += socket.readAll();
        const qsizetype end = received.indexOf('\n');
        if (end < 0) {
            return std::nullopt;
        }
        const QByteArray line = received.left(end + 1);
        received.remove(0, end + 1);
        return line;
    }

    QLocalSocket socket;
    QByteArray received;
};

std::optional<QByteArray> answer(Client& client) {
    return client.answer();
}

std::optional<QByteArray> answer(QLocalSocket& socket) {
    waitFor(
        [&] { return socket.canReadLine() || socket.state() == QLocalSocket::UnconnectedState; });
    if (!socket.canReadLine()) {
        return std::nullopt;
    }
    return socket.readLine();
}

bool closedByServer(Client& client) {
    return waitFor([&] { return client.socket.state() == QLocalSocket::UnconnectedState; });
}

sockaddr_un addressOf(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    return address;
}

// A plain client descriptor, connected (queued at the listener) without the event loop.
int connectRaw(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    if (fd >= 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// What a raw client receives until the server closes, with the event loop running.
QByteArray readUntilClosed(int fd) {
    QByteArray received;
    waitFor([&] {
        char buffer[256];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received.append(buffer, n);
        }
        return n == 0;
    });
    return received;
}

int highestOpenDescriptor() {
    int highest = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& entry : fds.entryList(QDir::AllEntries | QDir::System)) {
        highest = std::max(highest, entry.toInt());
    }
    return highest;
}

// The station's window in small: a field and the loop switch.
class AutomationSocket : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        edit->setObjectName(QStringLiteral("IDIN"));
        edit->setMaxLength(6);
        loop = new QCheckBox(&window);
        loop->setObjectName(QStringLiteral("LOOPSW"));
        layout->addWidget(edit);
        layout->addWidget(loop);
        window.setObjectName(QStringLiteral("frmMain"));
        window.show();
        path = dir.filePath(QStringLiteral("bridge"));
        ASSERT_TRUE(bridge.listen(path)) << bridge.errorString().toStdString();
    }

    std::unique_ptr<Client> client() { return std::make_unique<Client>(path); }

    // Sent in pieces, with the event loop running between them, while the connection lasts.
    void send(Client& client, const QByteArray& bytes, qsizetype piece) {
        for (qsizetype at = 0;
             at < bytes.size() && client.socket.state() == QLocalSocket::ConnectedState;
             at += piece) {
            client.write(bytes.mid(at, piece));
            QCoreApplication::processEvents();
        }
    }

    QTemporaryDir dir;
    QString path;
    QWidget window;
    QLineEdit* edit = nullptr;
    QCheckBox* loop = nullptr;
    AutomationBridge bridge;
};

} // namespace

// The tail of a line over the limit never runs as a command of its own: the whole line is
// answered with an error and the connection closed, whatever pieces it came in.
TEST_F(AutomationSocket, ALineOverTheLimitIsDroppedWholeAndTheConnectionClosed) {
    const QByteArray hidden = "type IDIN " + QByteArray(4085, 'A') + "click LOOPSW\n";
    for (const qsizetype piece : {hidden.size(), qsizetype(1000), qsizetype(7)}) {
        SCOPED_TRACE(piece);
        const auto socket = client();
        send(*socket, "exists IDIN\n" + hidden + "click LOOPSW\n", piece);
        EXPECT_EQ(answer(*socket), "ok 1\n");
        EXPECT_EQ(answer(*socket), "error line too long\n");
        EXPECT_TRUE(closedByServer(*socket));
        QCoreApplication::processEvents();
        EXPECT_FALSE(loop->isChecked());
        EXPECT_TRUE(edit->text().isEmpty());
    }
    // Without a line end at all: answered as soon as the limit is passed.
    const auto socket = client();
    send(*socket, QByteArray(LineBuffer::kMaxLine, 'A'), 512);
    EXPECT_EQ(answer(*socket), "error line too long\n");
    EXPECT_TRUE(closedByServer(*socket));
}

TEST_F(AutomationSocket, ALineAtTheLimitIsServed) {
    const QByteArray line = "type IDIN " + QByteArray(LineBuffer::kMaxLine - 11, 'B') + "\n";
    ASSERT_EQ(line.size(), LineBuffer::kMaxLine);
    const auto socket = client();
    send(*socket, line + "checked LOOPSW\n", 100);
    EXPECT_EQ(answer(*socket), "ok\n");
    EXPECT_EQ(answer(*socket), "ok 0\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->text(), "BBBBBB");
}

TEST_F(AutomationSocket, AtMostFourClientsAtOnce) {
    ASSERT_EQ(AutomationBridge::kMaxClients, 4);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < AutomationBridge::kMaxClients; ++i) {
        clients.push_back(client());
        clients.back()->write("exists IDIN\n");
        EXPECT_EQ(answer(*clients.back()), "ok 1\n") << "client " << i;
    }
    const auto fifth = client();
    EXPECT_EQ(answer(*fifth), "error too many clients\n");
    EXPECT_TRUE(closedByServer(*fifth));
    for (const auto& served : clients) {
        served->write("checked LOOPSW\n");
        EXPECT_EQ(answer(*served), "ok 0\n");
    }

    clients.front()->socket.disconnectFromServer();
    ASSERT_TRUE(waitFor([&] { return bridge.clientCount() < AutomationBridge::kMaxClients; }));
    const auto next = client();
    next->write("exists LOOPSW\n");
    EXPECT_EQ(answer(*next), "ok 1\n");
}

// Out of descriptors, waiting connections are accepted on the one kept in reserve and told
// so; the socket stays where it is and serves again once descriptors are free.
TEST_F(AutomationSocket, RunningOutOfDescriptorsShedsConnectionsAndKeepsListening) {
    std::vector<int> waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.push_back(connectRaw(path));
        ASSERT_GE(waiting.back(), 0);
    }
    rlimit normal{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &normal), 0);
    rlimit low = normal;
    low.rlim_cur = static_cast<rlim_t>(highestOpenDescriptor() + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        fillers.push_back(fd);
    }
    const int openError = errno;

    std::vector<QByteArray> told;
    for (const int fd : waiting) {
        told.push_back(readUntilClosed(fd));
    }
    const bool socketKept = QFileInfo::exists(path);
    for (const int fd : fillers) {
        ::close(fd);
    }
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &normal), 0);
    for (const int fd : waiting) {
        ::close(fd);
    }

    ASSERT_EQ(openError, EMFILE);
    for (const QByteArray& line : told) {
        EXPECT_EQ(line, SocketListener::kOutOfDescriptors);
    }
    EXPECT_TRUE(socketKept);
    const auto fresh = client();
    fresh->write("exists IDIN\n");
    EXPECT_EQ(answer(*fresh), "ok 1\n");
}

TEST_F(AutomationSocket, TheSocketFileGoesWithTheBridgeOnlyWhileItIsItsOwn) {
    {
        AutomationBridge other;
        ASSERT_TRUE(other.listen(dir.filePath("other")));
        EXPECT_TRUE(QFileInfo::exists(dir.filePath("other")));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("other")));
    {
        AutomationBridge replaced;
        ASSERT_TRUE(replaced.listen(dir.filePath("replaced")));
        ASSERT_TRUE(QFile::remove(dir.filePath("replaced")));
        QFile file(dir.filePath("replaced"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("someone else's\n");
    }
    EXPECT_TRUE(QFileInfo(dir.filePath("replaced")).isFile());
}

namespace {

// What stands at the socket's path before the bridge listens there.
struct AtPath {
    const char* name;
    void (*make)(const QString& path);
    bool listens;
};

class SocketPath : public ::testing::TestWithParam<AtPath> {};

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A socket bound and closed without removing it, as a copy that was killed leaves it.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    ::close(fd);
}

} // namespace

TEST_P(SocketPath, OnlyASocketLeftBehindIsReplaced) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bridge"));
    GetParam().make(path);
    QLocalServer live; // the program a live socket belongs to
    if (QString(GetParam().name) == QLatin1String("liveSocket")) {
        ASSERT_TRUE(live.listen(path));
    }
    struct stat before {};
    const bool existed = ::lstat(QFile::encodeName(path).constData(), &before) == 0;
    QFile content(path);
    const QByteArray was = S_ISREG(before.st_mode) && content.open(QIODevice::ReadOnly)
                               ? content.readAll()
                               : QByteArray();
    content.close();

    AutomationBridge bridge;
    EXPECT_EQ(bridge.listen(path), GetParam().listens) << bridge.errorString().toStdString();
    if (GetParam().listens) {
        QLocalSocket socket;
        socket.connectToServer(path);
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write("exists nothing\n");
        EXPECT_EQ(answer(socket), "ok 0\n");
        return;
    }
    EXPECT_FALSE(bridge.errorString().isEmpty());
    struct stat after {};
    ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0) << "removed";
    EXPECT_TRUE(existed);
    EXPECT_EQ(after.st_ino, before.st_ino) << "replaced";
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (S_ISREG(after.st_mode)) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), was);
    }
    if (live.isListening()) {
        QLocalSocket socket;
        socket.connectToServer(path);
        EXPECT_TRUE(socket.waitForConnected(5000)) << "the live socket was broken";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SocketPath,
    ::testing::Values(
        AtPath{"nothing", [](const QString&) {}, true},
        AtPath{"staleSocket", leaveStaleSocket, true},
        AtPath{"liveSocket", [](const QString&) {}, false},
        AtPath{"regularFile", [](const QString& p) { writeFile(p, "keep me\n"); }, false},
        AtPath{"emptyFile", [](const QString& p) { writeFile(p, {}); }, false},
        AtPath{"directory", [](const QString& p) { ASSERT_TRUE(QDir().mkpath(p)); }, false},
        AtPath{"linkToAFile",
               [](const QString& p) {
                   writeFile(p + ".target", "keep me\n");
                   ASSERT_TRUE(QFile::link(p + ".target", p));
               },
               false},
        AtPath{"linkToAStaleSocket",
               [](const QString& p) {
                   leaveStaleSocket(p + ".target");
                   ASSERT_TRUE(QFile::link(p + ".target", p));
               },
               false},
        AtPath{"fifo", [](const QString& p) { ASSERT_EQ(::mkfifo(QFile::encodeName(p), 0600), 0); },
               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AutomationBridgeStart, ARefusedPathIsReportedAndLeavesNoBridge) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bridge"));
    writeFile(path, "keep me\n");
    qputenv(AutomationBridge::kEnvironmentVariable, QFile::encodeName(path));
    const auto bridge = AutomationBridge::startFromEnvironment();
    qunsetenv(AutomationBridge::kEnvironmentVariable);
    EXPECT_EQ(bridge, nullptr);
    EXPECT_TRUE(QFileInfo(path).isFile());
}
