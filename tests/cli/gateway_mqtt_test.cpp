#include "cli/gateway_mqtt.h"

#include <gtest/gtest.h>

#include <chrono>

#include "cli/mqtt_broker.h"
#include "platform/event_loop.h"

namespace {

using test_support::mqtt_message;
using test_support::MqttBroker;
using test_support::MqttSubscriber;

auto Is(const std::string& topic, const std::string& payload) {
  return [=](const mqtt_message& m) { return m.topic == topic && m.payload == payload; };
}

// The session writes only while its loop runs, so the loop runs while the
// subscriber is waited for.
bool Seen(platform::EventLoop& loop, MqttSubscriber& subscriber,
          const std::function<bool(const mqtt_message&)>& match) {
  for (int slice = 0; slice < 250; ++slice) {
    loop.Run(nullptr, 20);
    if (subscriber.WaitFor(match, 0)) return true;
  }
  return false;
}

mqtt_settings Settings(int port) {
  mqtt_settings settings;
  settings.port = port;
  settings.status_topic = "t/north/gateway";
  return settings;
}

TEST(GatewayMqtt, PublishesTakesCommandsAndComesBackAfterTheBrokerReturns) {
  MqttBroker broker;
  std::string error;
  ASSERT_TRUE(broker.Start({}, &error)) << error;
  MqttSubscriber subscriber;
  ASSERT_TRUE(subscriber.Start(broker.Port(), "t/#"));

  platform::EventLoop loop;
  MqttSession session(loop, Settings(broker.Port()));
  int connections = 0;
  std::vector<std::string> received;
  session.OnConnected([&] {
    ++connections;
    session.Subscribe("t/north/+/cmd/+");
    session.Publish("t/north/A/state", "{\"n\":" + std::to_string(connections) + "}", true);
  });
  session.OnMessage([&](const std::string& topic, const std::string& payload) {
    received.push_back(topic + " " + payload);
  });
  // A timer stands for polling: it must keep its pace whatever the broker does.
  int ticks = 0;
  loop.AddTimer(50, [&] { ++ticks; });
  ASSERT_TRUE(session.Start(&error)) << error;
  ASSERT_TRUE(loop.Run([&] { return session.Connected(); }, 5000));
  EXPECT_TRUE(Seen(loop, subscriber, Is("t/north/gateway", "online")));
  EXPECT_TRUE(Seen(loop, subscriber, Is("t/north/A/state", "{\"n\":1}")));

  loop.Run(nullptr, 300);  // the subscription reaches the broker
  ASSERT_TRUE(test_support::MqttPublish(broker.Port(), "t/north/A/cmd/key", "H"));
  ASSERT_TRUE(loop.Run([&] { return !received.empty(); }, 5000));
  EXPECT_EQ(received[0], "t/north/A/cmd/key H");

  subscriber.Stop();
  broker.Stop();
  ticks = 0;
  loop.Run([&] { return !session.Connected(); }, 5000);
  loop.Run(nullptr, 1000);
  ASSERT_TRUE(broker.Restart(&error)) << error;
  ASSERT_TRUE(subscriber.Start(broker.Port(), "t/#"));
  const auto down = std::chrono::steady_clock::now();
  ASSERT_TRUE(loop.Run([&] { return connections == 2; }, 10000));
  const auto elapsed = std::chrono::steady_clock::now() - down;
  EXPECT_LT(elapsed, std::chrono::seconds(3));
  EXPECT_TRUE(Seen(loop, subscriber, Is("t/north/gateway", "online")));
  EXPECT_TRUE(Seen(loop, subscriber, Is("t/north/A/state", "{\"n\":2}")));
  // The timer ran on through the outage (every 50 ms, so about 20 a second).
  EXPECT_GE(ticks, 20);
}

TEST(GatewayMqtt, ABrokerWithPasswordsTakesOnlyItsUsers) {
  MqttBroker broker;
  std::string error;
  ASSERT_TRUE(broker.Start({{"ops", "s3cret"}}, &error)) << error;
  platform::EventLoop loop;
  MqttSession stranger(loop, Settings(broker.Port()));
  ASSERT_TRUE(stranger.Start(&error));
  EXPECT_FALSE(loop.Run([&] { return stranger.Connected(); }, 1500));

  mqtt_settings settings = Settings(broker.Port());
  settings.username = "ops";
  settings.password = "s3cret";
  MqttSession member(loop, settings);
  ASSERT_TRUE(member.Start(&error));
  EXPECT_TRUE(loop.Run([&] { return member.Connected(); }, 5000));
  EXPECT_FALSE(stranger.Connected());
}

TEST(GatewayMqtt, MissingTlsFilesAreReportedAtOnce) {
  platform::EventLoop loop;
  mqtt_settings settings = Settings(1);
  settings.cafile = "/nonexistent/ca.pem";
  MqttSession session(loop, settings);
  std::string error;
  EXPECT_FALSE(session.Start(&error));
  EXPECT_NE(error.find("127.0.0.1:1"), std::string::npos) << error;
}

}  // namespace
