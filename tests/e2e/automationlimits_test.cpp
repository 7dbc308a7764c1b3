// The running station's automation socket at its limits: out of file descriptors.
#include "stationsession.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <sys/resource.h>
#include <vector>

using namespace e2e;

namespace {

std::set<int> openDescriptors(qint64 pid) {
    std::set<int> fds;
    const QDir dir(QStringLiteral("/proc/%1/fd").arg(pid));
    // Links to files count as files, the others (sockets, pipes) as system entries.
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        fds.insert(entry.toInt());
    }
    return fds;
}

// The lowest descriptor limit that leaves the process exactly `free` new descriptors.
rlim_t limitLeaving(const std::set<int>& open, int free) {
    int below = 0;
    for (int limit = 0;; ++limit) {
        if (limit - below == free) {
            return static_cast<rlim_t>(limit);
        }
        below += open.count(limit) ? 1 : 0;
    }
}

// One more client of the socket: its first answer, or what it was told before the close.
struct Client {
    QLocalSocket socket;
    QByteArray told;

    bool connect(const QString& path) {
        socket.connectToServer(path);
        return socket.waitForConnected(5000);
    }
    // Asks and collects until a whole line has come or the station closed the connection.
    void ask(const QByteArray& line) {
        socket.write(line + '\n');
        socket.flush();
        waitUntil([this] {
            told += socket.readAll();
            return told.contains('\n') || socket.state() == QLocalSocket::UnconnectedState;
        });
        told += socket.readAll();
    }
};

} // namespace

// With its descriptors used up, the station turns new clients away with a line and keeps
// its socket listening; once descriptors are free again, new clients are served.
TEST(AutomationLimits, RunningOutOfDescriptorsNeverClosesTheSocket) {
    StationSession session;
    ASSERT_TRUE(session.startSimulator());
    ASSERT_TRUE(session.startStation()) << session.stationOutput().toStdString();
    const auto pid = static_cast<pid_t>(session.stationPid());

    rlimit normal{};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, nullptr, &normal), 0);
    rlimit low = normal;
    low.rlim_cur = limitLeaving(openDescriptors(pid), 1);
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &low, nullptr), 0);

    std::vector<std::unique_ptr<Client>> clients;
    bool turnedAway = false;
    for (int i = 0; i < 3 && !turnedAway; ++i) {
        clients.push_back(std::make_unique<Client>());
        ASSERT_TRUE(clients.back()->connect(session.socketPath())) << "client " << i;
        clients.back()->ask("windows");
        turnedAway = clients.back()->told == "error out of file descriptors\n";
        if (!turnedAway) {
            EXPECT_TRUE(clients.back()->told.startsWith("ok ")) << clients.back()->told.data();
        }
    }
    EXPECT_TRUE(turnedAway) << "no client was turned away at the limit";
    EXPECT_TRUE(QFileInfo::exists(session.socketPath())) << "the socket file went away";
    EXPECT_TRUE(session.stationRunning());

    // The served clients leave: their descriptors serve the next client.
    clients.clear();
    Client next;
    ASSERT_TRUE(waitUntil([&] {
        next.socket.abort();
        next.told.clear();
        if (!next.connect(session.socketPath())) {
            return false;
        }
        next.ask("exists LOOPSW");
        return next.told == "ok 1\n";
    })) << next.told.data();

    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &normal, nullptr), 0);
    EXPECT_TRUE(session.ask(QStringLiteral("windows")).contains(QLatin1String("frmMain")));
}
