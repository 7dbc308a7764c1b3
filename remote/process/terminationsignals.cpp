#include "remote/process/terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace remote::process {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

// A signal handler reaches nothing but what is global; this is the one such value, the
// write end of the active instance's socket pair (-1 when there is none).
std::atomic<int> g_writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onTerminationSignal(int number) {
    const int savedErrno = errno;
    const int fd = g_writeEnd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(number);
        // A full pair already holds a pending request; losing this byte loses nothing.
        const ssize_t written = ::send(fd, &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        static_cast<void>(written);
    }
    errno = savedErrno;
}

} // namespace

struct TerminationSignals::Private {
    int readEnd = -1;
    int writeEnd = -1;
    std::array<struct sigaction, kSignals.size()> previous{};
    std::array<bool, kSignals.size()> handled{};
    QSocketNotifier* notifier = nullptr;
};

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>()) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) {
        qWarning("Termination signals are not handled: %s", std::strerror(errno));
        return;
    }
    int expected = -1;
    if (!g_writeEnd.compare_exchange_strong(expected, ends[1])) {
        qWarning("Termination signals are already handled elsewhere");
        ::close(ends[0]);
        ::close(ends[1]);
        return;
    }
    d->readEnd = ends[0];
    d->writeEnd = ends[1];
    d->notifier = new QSocketNotifier(d->readEnd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (::sigaction(kSignals[i], nullptr, &d->previous[i]) != 0 ||
            d->previous[i].sa_handler == SIG_IGN) {
            continue;
        }
        d->handled[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals() {
    if (d->readEnd < 0) {
        return;
    }
    delete d->notifier; // before its descriptor goes
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (d->handled[i]) {
            ::sigaction(kSignals[i], &d->previous[i], nullptr);
        }
    }
    g_writeEnd.store(-1);
    ::close(d->writeEnd);
    ::close(d->readEnd);
}

bool TerminationSignals::active() const {
    return d->readEnd >= 0;
}

void TerminationSignals::drain() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::recv(d->readEnd, bytes, sizeof bytes, MSG_DONTWAIT)) > 0 ||
           (n < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < n; ++i) {
            emit received(bytes[i]);
        }
    }
}

} // namespace remote::process
