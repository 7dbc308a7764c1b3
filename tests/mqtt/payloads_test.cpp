// The JSON the station publishes, the [mqtt] settings and the password file's checks.
#include "remote/mqtt/mqttsettings.h"
#include "remote/mqtt/payloads.h"
#include "remote/mqtt/settingswatch.h"

#include "link/linkfakes.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

using namespace remote::mqtt;

namespace {

struct TextCase {
    const char* name;
    std::string in;
    std::string out;
};

class JsonText : public ::testing::TestWithParam<TextCase> {};

TEST_P(JsonText, IsQuotedEscapedAndUtf8) {
    EXPECT_EQ(jsonLatin1(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Mqtt, JsonText,
    ::testing::Values(TextCase{"plain", "Ext1(CH1) :", R"("Ext1(CH1) :")"},
                      TextCase{"quote_backslash", "a\"b\\c", R"("a\"b\\c")"},
                      TextCase{"controls", std::string("\r\n\x01\x7f", 4),
                               R"("\u000d\u000a\u0001\u007f")"},
                      TextCase{"nul", std::string("a\0b", 3), R"("a\u0000b")"},
                      // Device bytes are Latin-1: 0xE9 is é, two bytes in UTF-8.
                      TextCase{"latin1", "caf\xe9 \xff", "\"caf\xc3\xa9 \xc3\xbf\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MqttPayload, StatusNamesEveryFieldAndNullsWhatIsUnknown) {
    StationStatus status;
    status.link = "lost";
    status.port = "/dev/ttyUSB0";
    EXPECT_EQ(statusPayload(status, false, 7),
              R"({"state":"offline","link":"lost","port":"/dev/ttyUSB0","detector_id":null,)"
              R"("serial":null,"dropped":7})");
}

TEST(MqttPayload, SettingsKeepTheirOrder) {
    EXPECT_EQ(settingsPayload({{"SETID", "QND-1"}, {"FREQV", "5"}}),
              R"({"SETID":"QND-1","FREQV":"5"})");
    EXPECT_EQ(settingsPayload({}), "{}");
}

// ---- Settings ----

class MqttSettingsFile : public ::testing::Test {
protected:
    MqttSettings read(const QString& ini) {
        const QString file = dir.filePath(QStringLiteral("remote.ini"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(ini.toUtf8());
        out.close();
        QSettings settings(file, QSettings::IniFormat);
        return readMqttSettings(&settings);
    }
    QTemporaryDir dir;
};

TEST_F(MqttSettingsFile, DefaultsAreOffAndNamedAfterTheHost) {
    const MqttSettings s = read(QStringLiteral("[mqtt]\n"));
    EXPECT_FALSE(s.enabled());
    EXPECT_EQ(s.port, 1883);
    EXPECT_EQ(s.prefix, "remote");
    EXPECT_FALSE(s.station.empty());
    EXPECT_EQ(checkMqttSettings(s), "");
}

TEST_F(MqttSettingsFile, EveryKeyIsRead) {
    const MqttSettings s =
        read(QStringLiteral("[mqtt]\nhost=broker.lan\ntls=true\nca_file=/ca.pem\n"
                            "cert_file=/c.pem\nkey_file=/k.pem\nusername=u\n"
                            "password_file=/pw\nprefix=site/a\nstation=room1\n"));
    EXPECT_EQ(s.host, "broker.lan");
    EXPECT_EQ(s.port, 8883) << "TLS without a port: the TLS port";
    EXPECT_TRUE(s.tls);
    EXPECT_EQ(s.caFile, "/ca.pem");
    EXPECT_EQ(s.certFile, "/c.pem");
    EXPECT_EQ(s.keyFile, "/k.pem");
    EXPECT_EQ(s.username, "u");
    EXPECT_EQ(s.passwordFile, "/pw");
    EXPECT_EQ(s.topic("alarm"), "site/a/room1/alarm");
    EXPECT_EQ(checkMqttSettings(s), "");
}

struct BadSettings {
    const char* name;
    const char* ini;
    const char* error; // a part of the error
};

class RefusedSettings : public MqttSettingsFile,
                        public ::testing::WithParamInterface<BadSettings> {};

TEST_P(RefusedSettings, AreNamedNotUsed) {
    const std::string error = checkMqttSettings(read(QString::fromUtf8(GetParam().ini)));
    EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Mqtt, RefusedSettings,
    ::testing::Values(
        BadSettings{"port_text", "[mqtt]\nhost=h\nport=abc\n", "port"},
        BadSettings{"port_zero", "[mqtt]\nhost=h\nport=0\n", "port"},
        BadSettings{"port_high", "[mqtt]\nhost=h\nport=70000\n", "port"},
        BadSettings{"station_wildcard", "[mqtt]\nhost=h\nstation=a+b\n", "station"},
        BadSettings{"station_level", "[mqtt]\nhost=h\nstation=a/b\n", "station"},
        BadSettings{"prefix_wildcard", "[mqtt]\nhost=h\nprefix=x/#\n", "prefix"},
        BadSettings{"cert_without_key", "[mqtt]\nhost=h\ntls=true\ncert_file=/c\n", "key_file"},
        BadSettings{"ca_without_tls", "[mqtt]\nhost=h\nca_file=/ca\n", "tls"},
        BadSettings{"password_without_user", "[mqtt]\nhost=h\npassword_file=/p\n", "username"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Password file ----

struct PasswordCase {
    const char* name;
    mode_t mode;
    bool accepted;
};

class PasswordFile : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordFile, IsReadOnlyWhenOnlyItsOwnerCanReadIt) {
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("pw")).toStdString();
    std::ofstream(file) << "s3cret\nignored\n";
    ASSERT_EQ(::chmod(file.c_str(), GetParam().mode), 0);
    std::string error;
    const auto password = readPasswordFile(file, error);
    if (GetParam().accepted) {
        EXPECT_EQ(password, "s3cret") << error;
    } else {
        EXPECT_FALSE(password);
        EXPECT_NE(error.find("group or others"), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(Mqtt, PasswordFile,
                         ::testing::Values(PasswordCase{"owner_only", 0600, true},
                                           PasswordCase{"owner_read_only", 0400, true},
                                           PasswordCase{"group_readable", 0640, false},
                                           PasswordCase{"others_readable", 0604, false},
                                           PasswordCase{"group_writable", 0620, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MqttPasswordFile, MissingOrNotAFileIsAnError) {
    QTemporaryDir dir;
    std::string error;
    EXPECT_FALSE(readPasswordFile(dir.filePath(QStringLiteral("none")).toStdString(), error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(readPasswordFile(dir.path().toStdString(), error));
    EXPECT_FALSE(error.empty());
}

// ---- Settings read back ----

TEST(MqttSettingsWatch, KeepsTheSettingsButNotTheClockOrTheReadings) {
    linktest::RecordingView view;
    SettingsWatch watch(view);
    using D = remote::link::MonitorView::Display;
    watch.setSwitchValue(0, true); // before any settings frame: not a read-back
    EXPECT_TRUE(watch.snapshot().empty());
    watch.setDisplayCaption(D::TTIME, 5, "30");
    watch.setDisplayCaption(D::LASERQZ1, 0, "123");
    EXPECT_TRUE(watch.snapshot().empty());
    watch.setDisplayCaption(D::SETID, 0, " QND-123456 \r");
    watch.setDisplayCaption(D::STIMEV, 8, "10");
    watch.setDisplayCaption(D::STIMEV, 9, "x"); // no such channel
    watch.setDisplayCaption(D::SERIAL, 0, "12345678");
    watch.setSwitchValue(2, false);
    const SettingsSnapshot expected{
        {"SETID", "QND-123456"}, {"STIMEV8", "10"}, {"SERIAL", "12345678"}, {"KEYSW2", "off"}};
    EXPECT_EQ(watch.snapshot(), expected);
    EXPECT_EQ(watch.detectorId(), "QND-123456");
    EXPECT_EQ(watch.serial(), "12345678");
    // Everything reaches the window unchanged.
    EXPECT_EQ(view.display(D::SETID), " QND-123456 \r");
    EXPECT_EQ(view.display(D::TTIME, 5), "30");
    EXPECT_TRUE(view.switchValue(0));
}

} // namespace
