#include "privatebus.h"
#include "remote/alerts/desktopnotifier.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using alertstest::FakeNotificationService;
using alertstest::PrivateBus;
using remote::alerts::DesktopNotifier;
using remote::history::AlarmRecord;

namespace {

AlarmRecord alarm(int channel, std::int64_t ms) {
    return AlarmRecord{
        0,
        ms,
        0,
        channel,
        remote::link::protocol::AlarmChannelLabels[static_cast<std::size_t>(channel)],
        std::string("2024-05-01 12:30:05")};
}

// The notifier on a connection of its own to the private bus, and (unless a test removes
// it) the test's notification service on another.
class Notifications : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PrivateBus::instance().running())
            << PrivateBus::instance().error().toStdString();
        QCoreApplication::setApplicationName(QStringLiteral("remote"));
        QGuiApplication::setDesktopFileName(QStringLiteral("org.remotestation.Remote"));
        service = std::make_unique<FakeNotificationService>(QStringLiteral("service"));
        ASSERT_TRUE(service->registered());
        notifier = std::make_unique<DesktopNotifier>(QDBusConnection::connectToBus(
            PrivateBus::instance().address(), QStringLiteral("station")));
    }
    void TearDown() override {
        notifier.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("station"));
        service.reset();
    }

    // Every call sent has been answered.
    bool settled() {
        return QTest::qWaitFor([this] { return notifier->pending() == 0; }, 20000);
    }

    std::unique_ptr<FakeNotificationService> service;
    std::unique_ptr<DesktopNotifier> notifier;
};

} // namespace

TEST_F(Notifications, OneAlarmIsOneCriticalDeviceNotificationNamingTheChannel) {
    notifier->notify(alarm(2, 0));
    ASSERT_TRUE(QTest::qWaitFor([this] { return service->calls.size() == 1; }, 20000));
    const auto& call = service->calls[0];
    EXPECT_EQ(call.appName, "remote");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.appIcon, "org.remotestation.Remote");
    EXPECT_EQ(call.summary, "Alarm: Ext1(CH1)");
    EXPECT_TRUE(call.body.startsWith("Local time: 1970-01-01 00:00:00\n"))
        << call.body.toStdString();
    EXPECT_TRUE(call.body.endsWith("Detector clock: 2024-05-01 12:30:05"));
    EXPECT_EQ(call.hints.value("urgency").typeId(), QMetaType::UChar)
        << "a byte, as the service expects";
    EXPECT_EQ(call.hints.value("urgency").toInt(), 2);
    EXPECT_EQ(call.hints.value("category").toString(), "device");
    EXPECT_EQ(call.hints.value("sound-name").toString(), "alarm-clock-elapsed");
    EXPECT_EQ(call.hints.value("desktop-entry").toString(), "org.remotestation.Remote");
    EXPECT_EQ(call.actions.value(0), "default");
    EXPECT_EQ(call.timeout, -1);
}

// A burst of 30 on one channel is one notification, replaced and counted; the last call
// says all 30 whatever the timing of the replies; another channel has its own.
TEST_F(Notifications, ABurstReplacesOneNotificationPerChannelAndCountsIt) {
    for (int i = 0; i < 30; ++i) {
        notifier->notify(alarm(3, 1000 + i * 100));
        if (i % 7 == 0) {
            QCoreApplication::processEvents();
        }
    }
    notifier->notify(alarm(5, 5000));
    ASSERT_TRUE(settled());
    std::set<uint> channel3Ids;
    std::vector<const alertstest::NotifyCall*> channel3;
    for (const auto& call : service->calls) {
        if (call.summary == "Alarm: Ext2(CH2)") {
            channel3.push_back(&call);
            channel3Ids.insert(call.id);
        }
    }
    ASSERT_FALSE(channel3.empty());
    EXPECT_LT(channel3.size(), 30u) << "alarms that came while a call was out went as one";
    EXPECT_EQ(channel3Ids.size(), 1u) << "one notification for the channel";
    EXPECT_EQ(channel3.front()->replacesId, 0u);
    for (std::size_t i = 1; i < channel3.size(); ++i) {
        EXPECT_EQ(channel3[i]->replacesId, channel3.front()->id);
    }
    EXPECT_TRUE(channel3.back()->body.endsWith("30 alarms on this channel since 00:00:01"))
        << channel3.back()->body.toStdString();
    const auto channel5 =
        std::find_if(service->calls.begin(), service->calls.end(),
                     [](const auto& c) { return c.summary == "Alarm: Ext4(Digital)"; });
    ASSERT_NE(channel5, service->calls.end());
    EXPECT_EQ(channel5->replacesId, 0u);
    EXPECT_NE(channel5->id, channel3.front()->id);

    // Closed by the operator: the next alarm opens a new one with a new count.
    service->close(channel3.front()->id);
    QTest::qWait(100);
    const std::size_t before = service->calls.size();
    notifier->notify(alarm(3, 9000));
    ASSERT_TRUE(settled());
    ASSERT_EQ(service->calls.size(), before + 1);
    EXPECT_EQ(service->calls.back().replacesId, 0u);
    EXPECT_FALSE(service->calls.back().body.contains("alarms on this channel"));
}

TEST_F(Notifications, ClickingTheStationsNotificationAsksForTheWindow) {
    QSignalSpy activated(notifier.get(), &DesktopNotifier::activated);
    notifier->notify(alarm(0, 0));
    ASSERT_TRUE(settled());
    ASSERT_EQ(service->calls.size(), 1u);
    service->click(service->calls[0].id + 100); // another program's notification
    service->click(service->calls[0].id);
    ASSERT_TRUE(activated.wait(20000));
    QTest::qWait(100);
    EXPECT_EQ(activated.count(), 1);
}

// Nobody owns the name: nothing is shown, it is said once however many alarms come, and
// once a service appears the next alarm reaches it.
TEST_F(Notifications, WithoutAServiceNothingIsShownAndItIsSaidOnce) {
    service.reset();
    QSignalSpy unavailable(notifier.get(), &DesktopNotifier::unavailable);
    QSignalSpy available(notifier.get(), &DesktopNotifier::available);
    for (int i = 0; i < 5; ++i) {
        notifier->notify(alarm(i, i));
    }
    ASSERT_TRUE(settled());
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(), "No notification service on the session bus: alarms "
                                            "are not shown as desktop notifications");
    service = std::make_unique<FakeNotificationService>(QStringLiteral("service2"));
    ASSERT_TRUE(service->registered());
    notifier->notify(alarm(0, 10));
    ASSERT_TRUE(settled());
    EXPECT_EQ(service->calls.size(), 1u);
    EXPECT_EQ(service->calls[0].replacesId, 0u) << "the failed call left no id behind";
    EXPECT_EQ(available.count(), 1);
    EXPECT_EQ(unavailable.count(), 1);
}

TEST(NotificationsWithoutABus, NothingIsSentAndItIsSaidOnce) {
    DesktopNotifier notifier(QDBusConnection(QStringLiteral("no such connection")));
    QSignalSpy unavailable(&notifier, &DesktopNotifier::unavailable);
    notifier.notify(alarm(0, 0));
    notifier.notify(alarm(1, 0));
    EXPECT_EQ(notifier.pending(), 0);
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(),
              "No session bus: alarms are not shown as desktop notifications");
}
