#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/mqtt_broker.h"
#include "support/sim_process.h"
#include "support/spawn_process.h"

namespace {

using test_support::mqtt_message;
using test_support::mqtt_user;
using test_support::MqttBroker;
using test_support::MqttSubscriber;

const mqtt_user operator_user{"ops", "s3cret"};

nlohmann::json Payload(const mqtt_message& message) {
  return nlohmann::json::parse(message.payload, nullptr, false);
}

auto StateWhere(const std::function<bool(const nlohmann::json&)>& test) {
  return [test](const mqtt_message& m) {
    if (m.topic != "corvane/north/A/state") return false;
    const nlohmann::json state = Payload(m);
    return !state.is_discarded() && test(state);
  };
}

auto Event(const std::string& name) {
  return [name](const mqtt_message& m) {
    return m.topic == "corvane/north/A/event" && Payload(m).value("event", "") == name;
  };
}

auto Topic(const std::string& topic) {
  return [topic](const mqtt_message& m) { return m.topic == topic; };
}

const auto in_contact = StateWhere([](const nlohmann::json& s) {
  return s["contact"] == true && s["display"][0] != "                    ";
});

class GatewayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> args = {"--steady"};
    for (const std::string& amp : amps_) args.insert(args.end(), {"--amp", amp});
    if (tcp_) args.insert(args.end(), {"--ip-base", "127.0.0.120", "--tcp-port", "0"});
    std::string error;
    ASSERT_TRUE(sim_.Start(args, &error)) << error;
  }
  void TearDown() override { StopGateway(); }

  void StartBroker(const std::vector<mqtt_user>& users = {}) {
    std::string error;
    ASSERT_TRUE(broker_.Start(users, &error)) << error;
    ASSERT_TRUE(
        subscriber_.Start(broker_.Port(), "corvane/#", users.empty() ? mqtt_user{} : users[0]));
  }

  void StartGateway(std::vector<std::string> extra = {}, std::vector<std::string> devices = {"A"}) {
    std::vector<std::string> words = {CORVANE_CLI_PATH, "gateway"};
    words.insert(words.end(), devices.begin(), devices.end());
    words.insert(words.end(),
                 {"--site", "north", "--broker", "127.0.0.1:" + std::to_string(broker_.Port()),
                  "--port", sim_.LinkPath(), "--interval", "100"});
    // Over TCP each device at its own host.
    for (const std::string& device : tcp_ ? devices : std::vector<std::string>{}) {
      words.insert(words.end(), {"--host", device + "=" + sim_.DeviceAddress(device[0]) + ":" +
                                               std::to_string(sim_.TcpPort())});
    }
    words.insert(words.end(), extra.begin(), extra.end());
    int output = -1;
    std::string error;
    ASSERT_TRUE(test_support::SpawnWithOutput(words, &gateway_, &output, &error)) << error;
    close(output);
  }

  void StopGateway(int signal = SIGTERM) {
    if (gateway_ <= 0) return;
    kill(gateway_, signal);
    int status = 0;
    waitpid(gateway_, &status, 0);
    gateway_ = -1;
  }

  bool Publish(const std::string& topic, const std::string& payload) {
    return test_support::MqttPublish(broker_.Port(), topic, payload);
  }

  // Frames on the bus with this body since the trace was cleared; -1 over
  // TCP, whose frames the simulator does not trace.
  int Frames(const std::string& body) {
    if (tcp_) return -1;
    int count = 0;
    for (const auto& entry : sim_.Trace().value_or(std::vector<test_support::TraceEntry>{}))
      count += entry.body == body;
    return count;
  }

  bool tcp_ = false;
  std::vector<std::string> amps_ = {"A"};
  test_support::SimProcess sim_;
  MqttBroker broker_;
  MqttSubscriber subscriber_;
  pid_t gateway_ = -1;
};

class GatewayLinkTest : public GatewayTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    tcp_ = GetParam();
    GatewayTest::SetUp();
  }
};

TEST_P(GatewayLinkTest, FaultsBecomeStateAndEventsAndCommandsBecomeFrames) {
  StartBroker();
  StartGateway();
  ASSERT_TRUE(subscriber_.WaitFor(Topic("corvane/north/gateway"), 5000));
  ASSERT_TRUE(subscriber_.WaitFor(in_contact, 5000));

  ASSERT_EQ(sim_.Control("fault A on"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("fault_raised"), 5000));
  EXPECT_TRUE(subscriber_.WaitFor(
      StateWhere([](const nlohmann::json& s) { return s["lamps"]["fault"] == true; }), 5000));
  ASSERT_EQ(sim_.Control("fault A off"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("fault_cleared"), 5000));
  ASSERT_EQ(sim_.Control("alarm A on"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("alarm_raised"), 5000));
  ASSERT_EQ(sim_.Control("set A remote on"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("remote"), 5000));
  ASSERT_EQ(sim_.Control("silent A on"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("contact_lost"), 5000));
  EXPECT_TRUE(subscriber_.WaitFor(
      StateWhere([](const nlohmann::json& s) { return s["contact"] == false; }), 5000));
  ASSERT_EQ(sim_.Control("silent A off"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("contact_regained"), 5000));

  // The state is retained: a newcomer gets it at once.
  MqttSubscriber newcomer;
  ASSERT_TRUE(newcomer.Start(broker_.Port(), "corvane/north/A/state"));
  const auto retained = newcomer.WaitFor(Topic("corvane/north/A/state"), 5000);
  ASSERT_TRUE(retained);
  EXPECT_TRUE(retained->retained);
  EXPECT_EQ(Payload(*retained)["lamps"]["alarm"], true);
  EXPECT_EQ(Payload(*retained)["identity"]["part"], "305-4120-025");

  ASSERT_TRUE(sim_.ClearTrace());
  ASSERT_TRUE(Publish("corvane/north/A/cmd/attenuation", "7.5"));
  const auto done = subscriber_.WaitFor(Topic("corvane/north/A/cmd/result"), 5000);
  ASSERT_TRUE(done);
  EXPECT_EQ(Payload(*done)["ok"], true) << done->payload;
  EXPECT_EQ(Frames("K07.5!"), tcp_ ? -1 : 1);
  EXPECT_TRUE(subscriber_.WaitFor(
      StateWhere([](const nlohmann::json& s) { return s["readings"]["attenuation"] == 7.5; }),
      5000));

  // Bad payloads, devices not served and foreign prefixes send nothing.
  const std::pair<std::string, std::string> refused[] = {
      {"corvane/north/A/cmd/key", "HELLO"},
      {"corvane/north/A/cmd/key", std::string(5000, 'H')},
      {"corvane/north/A/cmd/attenuation", "7.5; K40.0!"},
      {"corvane/north/B/cmd/key", "H"},
  };
  for (const auto& [topic, payload] : refused) {
    ASSERT_TRUE(Publish(topic, payload));
    const auto result =
        subscriber_.WaitFor(Topic(topic.substr(0, topic.rfind('/')) + "/result"), 5000);
    ASSERT_TRUE(result) << topic;
    EXPECT_EQ(Payload(*result)["ok"], false) << result->payload;
  }
  ASSERT_TRUE(Publish("corvane/south/A/cmd/key", "H"));
  ASSERT_TRUE(Publish("corvane/north/A/cmd/key", "A"));  // a fence: handled after the above
  ASSERT_TRUE(subscriber_.WaitFor(Topic("corvane/north/A/cmd/result"), 5000));
  for (const char* body : {"VH", "VE", "K40.0!"}) EXPECT_EQ(Frames(body), tcp_ ? -1 : 0) << body;
  EXPECT_EQ(Frames("VA"), tcp_ ? -1 : 1);
}

INSTANTIATE_TEST_SUITE_P(SerialAndTcp, GatewayLinkTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tcp" : "Serial"; });

class GatewayTcpTest : public GatewayTest {
 protected:
  void SetUp() override {
    tcp_ = true;
    GatewayTest::SetUp();
  }
};

// A device over TCP that hangs up is reported lost, and regained once it is
// connected again and answers.
TEST_F(GatewayTcpTest, ADeviceThatHangsUpIsConnectedAgain) {
  StartBroker();
  StartGateway();
  ASSERT_TRUE(subscriber_.WaitFor(in_contact, 5000));
  ASSERT_EQ(sim_.Control("tcp A close"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(Event("contact_lost"), 5000));
  EXPECT_TRUE(subscriber_.WaitFor(Event("contact_regained"), 5000));
  EXPECT_TRUE(subscriber_.WaitFor(in_contact, 5000));
}

// An amplifier out of reach when the gateway starts is identified once it answers.
TEST_F(GatewayTcpTest, AnAmplifierAwayAtTheStartIsIdentifiedWhenItAnswers) {
  ASSERT_EQ(sim_.Control("tcp A refuse"), "ok");
  StartBroker();
  StartGateway();
  ASSERT_TRUE(subscriber_.WaitFor(
      StateWhere([](const nlohmann::json& s) { return s["contact"] == false; }), 5000));
  ASSERT_EQ(sim_.Control("tcp A normal"), "ok");
  EXPECT_TRUE(subscriber_.WaitFor(StateWhere([](const nlohmann::json& s) {
                                    return s["contact"] == true &&
                                           s["identity"]["part"] == "305-4120-025";
                                  }),
                                  10000));
}

TEST_F(GatewayTest, ReadOnlyTakesNoCommands) {
  StartBroker();
  StartGateway({"--read-only"});
  ASSERT_TRUE(subscriber_.WaitFor(in_contact, 5000));
  ASSERT_TRUE(sim_.ClearTrace());
  ASSERT_TRUE(Publish("corvane/north/A/cmd/key", "H"));
  EXPECT_FALSE(subscriber_.WaitFor(Topic("corvane/north/A/cmd/result"), 1500));
  EXPECT_EQ(Frames("VH"), 0);
}

TEST_F(GatewayTest, PollingGoesOnWhileTheBrokerIsAwayAndTheStateComesBack) {
  StartBroker();
  StartGateway();
  ASSERT_TRUE(subscriber_.WaitFor(in_contact, 5000));
  subscriber_.Stop();
  broker_.Stop();
  ASSERT_TRUE(sim_.ClearTrace());
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const auto trace = sim_.Trace();
  ASSERT_TRUE(trace);
  ASSERT_GE(trace->size(), 10u);
  long widest_gap = 0;
  for (std::size_t n = 1; n < trace->size(); ++n)
    widest_gap = std::max(widest_gap, (*trace)[n].ms - (*trace)[n - 1].ms);
  EXPECT_LT(widest_gap, 400);  // polls every 100 ms, none missed

  std::string error;
  ASSERT_TRUE(broker_.Restart(&error)) << error;
  ASSERT_TRUE(subscriber_.Start(broker_.Port(), "corvane/#"));
  // Nothing survived in the broker: what comes is published again.
  EXPECT_TRUE(subscriber_.WaitFor(
      [](const mqtt_message& m) {
        return m.topic == "corvane/north/gateway" && m.payload == "online";
      },
      10000));
  EXPECT_TRUE(subscriber_.WaitFor(in_contact, 5000));
}

TEST_F(GatewayTest, AKilledGatewayIsReportedOffline) {
  StartBroker();
  StartGateway();
  ASSERT_TRUE(subscriber_.WaitFor(in_contact, 5000));
  StopGateway(SIGKILL);
  const auto status = subscriber_.WaitFor(Topic("corvane/north/gateway"), 5000);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->payload, "offline");
}

TEST_F(GatewayTest, ABrokerWithPasswordsTakesTheGatewayOnlyWithThem) {
  StartBroker({operator_user});
  StartGateway();
  EXPECT_FALSE(subscriber_.WaitFor(Topic("corvane/north/A/state"), 2000));
  StopGateway();

  const std::string credentials = broker_.Directory() + "/gateway-credentials";
  std::ofstream(credentials) << operator_user.name << "\n" << operator_user.password << "\n";
  StartGateway({"--credentials", credentials});
  EXPECT_TRUE(subscriber_.WaitFor(in_contact, 5000));
}

TEST_F(GatewayTest, ATlsBrokerTakesTheGatewayThatTrustsItsAuthority) {
  std::string error;
  ASSERT_TRUE(broker_.UseTls(&error)) << error;
  ASSERT_TRUE(broker_.Start({}, &error)) << error;
  ASSERT_TRUE(subscriber_.Start(broker_.Port(), "corvane/#", {}, broker_.CaFile()));
  StartGateway();
  EXPECT_FALSE(subscriber_.WaitFor(Topic("corvane/north/A/state"), 1500));
  StopGateway();
  StartGateway({"--cafile", broker_.CaFile()});
  EXPECT_TRUE(subscriber_.WaitFor(in_contact, 5000));
}

TEST_F(GatewayTest, TlsFilesThatCannotBeReadEndItAtOnce) {
  StartBroker();
  StartGateway({"--cafile", broker_.Directory() + "/no-such-ca.pem"});
  int status = 0;
  ASSERT_TRUE(test_support::WaitExit(gateway_, 10000, &status));
  gateway_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

class GatewayScanTest : public GatewayTest {
 protected:
  void SetUp() override {
    amps_ = {"A", "C"};
    GatewayTest::SetUp();
  }
};

TEST_F(GatewayScanTest, ServesTheDevicesTheBusScanFinds) {
  StartBroker();
  StartGateway({"--scan", "D-E"}, {});
  int status = 0;
  ASSERT_TRUE(test_support::WaitExit(gateway_, 10000, &status));
  gateway_ = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);

  StartGateway({"--scan", "A-C"}, {});
  for (const char* address : {"A", "C"}) {
    const std::string topic = std::string("corvane/north/") + address + "/state";
    EXPECT_TRUE(subscriber_.WaitFor(
        [&topic](const mqtt_message& m) {
          return m.topic == topic && Payload(m).value("contact", false);
        },
        10000))
        << address;
  }
}

}  // namespace
