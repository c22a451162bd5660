#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "sim_fixture.h"

namespace sim_test {
namespace {

class Robustness : public SimTest, public ::testing::WithParamInterface<Family> {
 protected:
  void SetUp() override { Launch({"--amp", "A", "--controller", "C"}, GetParam()); }
  void ExpectStillAnswering() {
    bus_->Drain(100);
    const auto reply = bus_->Ask('A', "55");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->checksum_ok);
    EXPECT_TRUE(sim_.Running());
  }
};

TEST_P(Robustness, RandomBytesLeaveItAnswering) {
  std::mt19937 random(3);
  std::string noise;
  for (int i = 0; i < 200000; ++i) noise.push_back(static_cast<char>(random()));
  bus_->Write(noise);
  ExpectStillAnswering();
}

TEST_P(Robustness, AnEndlessFrameWithoutEndIsDroppedAndTheNextOneAnswered) {
  std::string frame(1, 0x02);
  frame.push_back('A');
  frame += std::string(100000, 'x');
  bus_->Write(frame);
  EXPECT_EQ(bus_->Drain(200), "");
  ExpectStillAnswering();
}

TEST_P(Robustness, FramesOfEveryLengthAreAnsweredOrIgnored) {
  std::mt19937 random(5);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string body;
    for (std::size_t i = 0; i < length; ++i) body.push_back(static_cast<char>('0' + random() % 64));
    bus_->Write(Frame(GetParam(), random() % 2 ? 'A' : 'C', body));
  }
  bus_->Drain(300);
  ExpectStillAnswering();
}

TEST_P(Robustness, ABrokenFrameDoesNotHideTheNextOne) {
  const std::string good = Frame(GetParam(), 'A', "55");
  bus_->Write(good.substr(0, 4) + good);
  const auto reply = bus_->Read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body[0], '5');
}

TEST_P(Robustness, TheConsoleMayCloseAndReopenTheLine) {
  for (int i = 0; i < 3; ++i) {
    bus_->Write(Frame(GetParam(), 'A', "55"));
    bus_ = std::make_unique<BusClient>(sim_.LinkPath(), GetParam());
    ASSERT_TRUE(bus_->IsOpen());
    ExpectStillAnswering();
  }
  bus_.reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(sim_.Running());
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Robustness,
                         ::testing::Values(Family::tessary, Family::quillon));

// CPU time the process has used, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string skipped;
  long user = 0, system = 0;
  for (int field = 1; field <= 13; ++field) stat >> skipped;
  stat >> user >> system;
  return user + system;
}

TEST_F(SimTest, AConsoleThatStopsReadingDoesNotMakeItSpin) {
  Launch({"--amp", "A"});
  // Far more display answers than the line holds, none of them read.
  std::string polls;
  for (int i = 0; i < 3000; ++i) polls += Frame(Family::tessary, 'A', "55");
  bus_->Write(polls);
  for (int tries = 0; tries < 100 && Ok("get A commands") != "3000"; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(Ok("get A commands"), "3000");
  const long before = CpuTicks(sim_.Pid());
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_LT(CpuTicks(sim_.Pid()) - before, sysconf(_SC_CLK_TCK) / 5)
      << "queued answers wait for room on the line, not in a loop";
}

TEST_F(SimTest, TheLineIsRawAndKeepsTheConsolesSettings) {
  Launch({"--amp", "A"});
  termios line{};
  ASSERT_EQ(tcgetattr(bus_->Fd(), &line), 0);
  EXPECT_FALSE(line.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(line.c_oflag & OPOST);
  EXPECT_FALSE(line.c_iflag & (ICRNL | IXON));
  cfsetispeed(&line, B57600);
  cfsetospeed(&line, B57600);
  line.c_cflag |= CSTOPB;
  ASSERT_EQ(tcsetattr(bus_->Fd(), TCSANOW, &line), 0);
  bus_ = std::make_unique<BusClient>(sim_.LinkPath());
  termios again{};
  ASSERT_EQ(tcgetattr(bus_->Fd(), &again), 0);
  EXPECT_EQ(cfgetospeed(&again), B57600);
  EXPECT_EQ(Ok("line"), "57600 2");
  EXPECT_TRUE(bus_->Ask('A', "55"));
}

}  // namespace
}  // namespace sim_test
