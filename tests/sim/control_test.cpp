#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace sim_test {
namespace {

TEST_F(SimTest, FaultsAlarmsAndHoursShowInTheStatusAnswer) {
  Launch({"--amp", "A"});
  Ok("alarm A on");
  Ok("hours A 123456 654321");
  Ok("fault A on BODY CURRENT");
  const auto reply = bus_->Ask('A', "?1AMNPV");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body[2], 0x20 | 0x04);
  EXPECT_EQ(reply->body.substr(7, 12), "123456654321");
  EXPECT_EQ(reply->body.substr(19, 8), " 0.0 0.0") << "the fault tripped the high voltage";
  EXPECT_EQ(Ok("get A faultlog"), "4");
  EXPECT_EQ(Ok("get A fault"), "on BODY CURRENT");
  Ok("alarm A off");
  Ok("fault A off");
  const auto clear = bus_->Ask('A', "?1AMNPV");
  ASSERT_TRUE(clear);
  EXPECT_EQ(clear->body[2], 0);
}

TEST_F(SimTest, FieldsAreSetAndReadBack) {
  Launch({"--amp", "A"});
  Ok("set A attenuation 3.5");
  Ok("set A power 50.1");
  Ok("set A voltage 11.2");
  Ok("set A temperature 51.5");
  Ok("set A row2 HELLO OPERATOR");
  EXPECT_EQ(Ok("get A attenuation"), "3.5");
  EXPECT_EQ(Ok("get A power"), "50.1");
  EXPECT_EQ(Ok("get A row2"), "HELLO OPERATOR      ");
  const auto reply = bus_->Ask('A', "?1APVT");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body.substr(3), " 3.550.111.251.5");
  const auto screen = bus_->Ask('A', "55");
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->body.substr(1 + 42, 20), "HELLO OPERATOR      ");
  EXPECT_EQ(Ok("get A last"), "55");

  EXPECT_EQ(sim_.Control("set A attenuation 41"), "error attenuation must be 0 to 40");
  EXPECT_EQ(sim_.Control("set A part 12"), "error part must read 305-dddd-ddd");
  EXPECT_EQ(sim_.Control("get A nothing"), "error unknown field nothing");
  EXPECT_EQ(sim_.Control("get Q power"), "error no device at 'Q'");
  EXPECT_EQ(sim_.Control("frobnicate"), "error unknown command frobnicate");
}

TEST_F(SimTest, ASilencedDeviceDoesNotAnswer) {
  Launch({"--amp", "A", "--amp", "B"});
  Ok("silent A on");
  EXPECT_FALSE(bus_->Ask('A', "55", 300));
  EXPECT_TRUE(bus_->Ask('B', "55"));
  Ok("silent A off");
  EXPECT_TRUE(bus_->Ask('A', "55"));
}

TEST_F(SimTest, HoursCountAndReadingsDrift) {
  std::string error;
  ASSERT_TRUE(sim_.Start({"--amp", "A", "--hour-ms", "100"}, &error)) << error;
  const long beam = std::stol(sim_.Control("get A beam").substr(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  const long later = std::stol(sim_.Control("get A beam").substr(3));
  // About 12 hours; a loaded machine may wake the simulator late.
  EXPECT_GE(later - beam, 6);
  EXPECT_LE(later - beam, 30);
  Ok("set A hv off");
  const long heater = std::stol(sim_.Control("get A heater").substr(3));
  const long stopped = std::stol(sim_.Control("get A beam").substr(3));
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(std::stol(sim_.Control("get A beam").substr(3)), stopped) << "no beam without HV";
  EXPECT_GT(std::stol(sim_.Control("get A heater").substr(3)), heater);
  Ok("set A hv on");
  std::set<std::string> powers;
  for (int i = 0; i < 12; ++i) {
    powers.insert(sim_.Control("get A power"));
    std::this_thread::sleep_for(std::chrono::milliseconds(260));
  }
  EXPECT_GT(powers.size(), 1u);
  for (const std::string& power : powers) {
    const double value = std::stod(power.substr(3));
    EXPECT_NEAR(value, 43.2, 0.35);
  }
}

TEST_F(SimTest, RestartGoesQuietThenWarmsUpIntoStandby) {
  Launch({"--amp", "A", "--reboot-ms", "300", "--warmup-ms", "1500"});
  const auto answer = bus_->Ask('A', "~");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->body, "~");
  EXPECT_FALSE(bus_->Ask('A', "55", 150));
  std::optional<Reply> status;
  for (int i = 0; i < 20 && !status; ++i) status = bus_->Ask('A', "?1AMNPV", 100);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->body[1], 0x20) << "warming up: neither standby nor high voltage";
  const auto refused = bus_->Ask('A', "VA");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->body.substr(1 + 63, 18), "HV INHIBIT: WARMUP");
  std::this_thread::sleep_for(std::chrono::milliseconds(1800));
  EXPECT_EQ(Ok("get A state"), "standby");
}

TEST_F(SimTest, QuitAndSignalsRemoveTheLinkAndTheSocket) {
  Launch({"--amp", "A"});
  const std::string link = sim_.LinkPath();
  const std::string control = link.substr(0, link.rfind('/')) + "/control";
  EXPECT_EQ(sim_.Control("quit"), "ok");
  for (int i = 0; i < 100 && sim_.Running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(sim_.Running());
  EXPECT_NE(access(link.c_str(), F_OK), 0);
  EXPECT_NE(access(control.c_str(), F_OK), 0);

  Launch({"--amp", "A"});
  sim_.Stop();  // SIGTERM
  EXPECT_NE(access(sim_.LinkPath().c_str(), F_OK), 0);
}

TEST(SimCommandLine, BadArgumentsAreRefusedAtStart) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--amp", "ABC"},
        {"--drop", "1.5"},
        {"--controller", "C:32"},
        {"--amp", "A", "--controller", "41"},
        {"--bogus"},
        {"--model-cfg", "A=/nonexistent/Model.cfg"},
        {"--controller", "C", "--model-cfg", "C=/dev/null"},
        {"--model-cfg", "A=/dev/null", "--model-cfg", "41=/dev/null"}}) {
    test_support::SimProcess sim;
    std::string error;
    EXPECT_FALSE(sim.Start(args, &error)) << args[0];
    EXPECT_EQ(error, "corvane-sim ended at start");
  }
}

}  // namespace
}  // namespace sim_test
