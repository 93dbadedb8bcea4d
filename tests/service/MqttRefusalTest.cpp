// SPDX-License-Identifier: GPL-3.0-or-later
// What a broker that refuses is said to be: in the broker's and the TLS
// library's own words, once for each cause.
#include <gtest/gtest.h>

#include <cstdlib>

#include "service/MqttPublisher.h"
#include "support/Files.h"
#include "support/LogLines.h"
#include "support/MqttBroker.h"
#include "support/TempDir.h"

namespace corvalin {
namespace {

class MqttRefusalTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (publisher) publisher->Stop();
    }

    void StartPublisher(MqttSettings settings) {
        if (publisher) publisher->Stop();
        settings.station = "attic";
        settings.archivePath = data.File("archive.db");
        publisher = std::make_unique<MqttPublisher>(settings, state, log.Sink());
        ASSERT_TRUE(publisher->Start());
    }

    test::TempDir data;
    ServiceStateHolder state;
    test::LogLines log;
    std::unique_ptr<MqttPublisher> publisher;
};

TEST_F(MqttRefusalTest, AWrongPasswordIsSaidInTheBrokersWordsAndTheFilesExactLineConnects) {
    test::MqttBroker broker;
    broker.RequireUser("logger", "right pass ");
    ASSERT_TRUE(broker.Start());
    MqttSettings settings;
    ASSERT_TRUE(ParseMqttAddress(broker.Address(), settings));
    settings.username = "logger";
    settings.password = "wrong";
    StartPublisher(settings);
    ASSERT_TRUE(log.WaitFor("Connection Refused: "));
    publisher->Stop();
    EXPECT_EQ(log.Count("Connection Refused: not authorised.") +
                  log.Count("Connection Refused: bad user name or password."),
              1u);

    // The password is the file's first line as it stands, its end aside.
    test::WriteAll(data.File("password"), "right pass \r\nsecond line\n");
    const Result<std::string> password =
        ReadPasswordFile(data.File("password"), "the MQTT password file");
    ASSERT_TRUE(password) << password.error;
    settings.password = *password;
    StartPublisher(settings);
    EXPECT_TRUE(log.WaitFor("Publishing to the MQTT broker"));
    EXPECT_FALSE(ReadPasswordFile(data.File("missing"), "the MQTT password file"));
}

TEST_F(MqttRefusalTest, ACertificateNoneOfOurCasSignedIsNamedWithTheCaFile) {
    // Somebody else's CA, and the broker's certificate signed by itself.
    const auto ssl = [&](const std::string& arguments) {
        return std::system(
            ("cd " + data.path() + " && openssl " + arguments + " >/dev/null 2>&1").c_str());
    };
    const std::string made = "req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=";
    ASSERT_EQ(ssl(made + "other-ca -keyout other.key -out other.pem"), 0);
    ASSERT_EQ(ssl(made + "127.0.0.1 -keyout server.key -out server.pem"), 0);
    // The broker runs as its own user: it reads its certificate and key here.
    ASSERT_EQ(std::system(("chmod a+rX " + data.path() + " " + data.path() + "/*").c_str()), 0);
    test::MqttBroker broker("certfile " + data.File("server.pem") + "\nkeyfile " +
                            data.File("server.key") + "\n");
    ASSERT_TRUE(broker.Start());
    MqttSettings settings;
    ASSERT_TRUE(ParseMqttAddress("mqtts://127.0.0.1:" + std::to_string(broker.port()), settings));
    settings.caFile = data.File("other.pem");
    StartPublisher(settings);
    ASSERT_TRUE(log.WaitFor("the TLS handshake failed"));
    EXPECT_EQ(log.Count("certificate verify failed"), 1u);
    EXPECT_EQ(log.Count("the CA file " + data.File("other.pem")), 1u);
}

// An address gives host, port and TLS; one without a usable host or port is refused.
TEST(MqttAddress, GivesHostPortAndTlsOrIsRefused) {
    MqttSettings settings;
    for (const char* text : {"tcp://host", "mqtt://", "mqtt://host:0", "mqtt://host:65536",
                             "mqtt://host:8x", "mqtt://user@host", "mqtt://[::1]x"}) {
        EXPECT_FALSE(ParseMqttAddress(text, settings)) << text;
    }
    ASSERT_TRUE(ParseMqttAddress("mqtts://[::1]/", settings));
    EXPECT_TRUE(settings.host == "::1" && settings.port == 8883 && settings.tls);
    MqttSettings other = settings;
    other.password = "new";  // a reload with another password connects again
    EXPECT_FALSE(settings.SameConnection(other));
}

}  // namespace
}  // namespace corvalin
