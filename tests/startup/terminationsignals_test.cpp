// Termination signals raised for real in this process: they arrive on the event loop, in
// the order sent, and leave the process running.
#include "remote/process/terminationsignals.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>

#include <gtest/gtest.h>

#include <csignal>

using remote::process::TerminationSignals;

namespace {

// Runs the event loop until the list holds n signals (or a generous time has passed).
bool receive(const QList<int>& received, qsizetype n) {
    const QDeadlineTimer deadline(10000);
    while (received.size() < n && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return received.size() >= n;
}

sighandler_t handlerOf(int signalNumber) {
    struct sigaction now {};
    sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

} // namespace

TEST(TerminationSignals, EachArrivesOnTheEventLoopInTheOrderSent) {
    QList<int> received;
    {
        TerminationSignals termination;
        ASSERT_TRUE(termination.active());
        QObject::connect(&termination, &TerminationSignals::received,
                         [&](int number) { received.append(number); });
        TerminationSignals second;
        EXPECT_FALSE(second.active()) << "only one instance takes the signals";

        for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
            ASSERT_EQ(::raise(number), 0);
        }
        EXPECT_TRUE(received.isEmpty()) << "nothing runs inside the handler";
        ASSERT_TRUE(receive(received, 3));
        EXPECT_EQ(received, (QList<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    // The handlers before it are back.
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EQ(handlerOf(number), SIG_DFL) << number;
    }
}

// Started under nohup or as a background job: the ignored signal stays ignored.
TEST(TerminationSignals, ASignalIgnoredAtStartStaysIgnored) {
    ASSERT_NE(::signal(SIGHUP, SIG_IGN), SIG_ERR);
    QList<int> received;
    {
        TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::received,
                         [&](int number) { received.append(number); });
        ASSERT_EQ(::raise(SIGHUP), 0);
        ASSERT_EQ(::raise(SIGTERM), 0);
        ASSERT_TRUE(receive(received, 1));
        QCoreApplication::processEvents();
        EXPECT_EQ(received, QList<int>{SIGTERM});
    }
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}
