// The windowed station with a broker configured: the status bar shows the broker's state as
// it changes, and an alarm on the line reaches a subscriber.
#include "mqtt/broker.h"
#include "stationsession.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace e2e;

TEST(WindowAndBroker, TheStatusBarFollowsTheBrokerAndAlarmsArePublished) {
    StationSession session;
    QTemporaryDir brokerDir;
    mqtttest::Broker broker(brokerDir.path().toStdString());
    ASSERT_TRUE(broker.start()) << broker.log();
    mqtttest::Subscriber sub(broker.port(), "remote/window/alarm");
    ASSERT_TRUE(sub.waitSubscribed());
    ASSERT_TRUE(QDir().mkpath(session.configFolder() + QStringLiteral("/remote")));
    QFile ini(session.configFolder() + QStringLiteral("/remote/remote.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[mqtt]\nhost=127.0.0.1\nport=%1\nstation=window\n")
                  .arg(broker.port())
                  .toUtf8());
    ini.close();

    ASSERT_TRUE(session.startSimulator());
    ASSERT_TRUE(session.startStation()) << session.stationOutput().toStdString();
    const auto brokerText = [&] { return session.ask(QStringLiteral("text lblBroker")); };
    ASSERT_TRUE(waitUntil([&] {
        return brokerText().startsWith(QLatin1String("MQTT: connected"));
    })) << brokerText().toStdString();

    session.ask(QStringLiteral("click LOOPSW"));
    session.typeOnSimulator(QStringLiteral("alarm 2"));
    ASSERT_TRUE(sub.waitFor([](const std::vector<mqtttest::Message>& messages) {
        return !messages.empty() &&
               messages[0].payload.find(R"("seq":1,"channel":2,"label":"Ext1(CH1) :")") !=
                   std::string::npos;
    }));

    broker.stop();
    EXPECT_TRUE(waitUntil([&] { return brokerText().contains(QLatin1String("unreachable")); }))
        << brokerText().toStdString();
    EXPECT_TRUE(session.stationRunning());
}
