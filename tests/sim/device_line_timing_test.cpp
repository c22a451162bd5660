#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>

#include "sim_fixture.h"

namespace sim_test {
namespace {

using Clock = std::chrono::steady_clock;

long MsNow() {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
          .count());
}

class DeviceLineTiming : public SimTest {
 protected:
  void SetLine(speed_t speed, bool two_stop_bits) {
    termios line{};
    ASSERT_EQ(tcgetattr(bus_->Fd(), &line), 0);
    cfsetspeed(&line, speed);
    line.c_cflag = two_stop_bits ? (line.c_cflag | CSTOPB) : (line.c_cflag & ~CSTOPB);
    ASSERT_EQ(tcsetattr(bus_->Fd(), TCSANOW, &line), 0);
  }
  // How long the whole answer to `body` takes to arrive, and its size.
  std::pair<double, std::size_t> Time(std::string_view body) {
    const auto start = Clock::now();
    const auto reply = bus_->Ask('A', body, 3000);
    EXPECT_TRUE(reply);
    const std::chrono::duration<double, std::milli> taken = Clock::now() - start;
    return {taken.count(), reply ? reply->raw.size() : 0};
  }
};

TEST_F(DeviceLineTiming, PacedAnswersTakeTenBitTimesABytePerTheLinesSpeed) {
  Launch({"--amp", "A", "--amp", "B", "--pace"});
  for (const auto& [speed, baud] : {std::pair{B1200, 1200.0}, std::pair{B9600, 9600.0}}) {
    SetLine(speed, false);
    const auto [ms, bytes] = Time("55");
    const double expected = bytes * 10000.0 / baud;
    EXPECT_GT(ms, expected * 0.95) << baud;
    EXPECT_LT(ms, expected * 1.3 + 30) << baud;
  }
  // While a long answer trickles out at 1200 baud the control channel still answers at once.
  SetLine(B1200, false);
  bus_->Write(Frame(Family::tessary, 'A', "55"));
  const auto start = Clock::now();
  EXPECT_EQ(Ok("pace off"), "");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
  ASSERT_TRUE(bus_->Read(2000)) << "the rest goes out at once";
  const auto [ms, bytes] = Time("55");
  EXPECT_LT(ms, bytes * 10000.0 / 1200 / 2) << "unpaced";
}

TEST_F(DeviceLineTiming, TheTraceRecordsEveryFrameWithTheLineItCameAt) {
  Launch({"--amp", "A", "--serial", "A=19200:N82"});
  const long start = MsNow();
  SetLine(B9600, false);
  bus_->Write(Frame(Family::tessary, 'A', "0"));
  bus_->Write(Frame(Family::tessary, 'Z', "a, b\\\x01"));
  EXPECT_EQ(bus_->Drain(200), "") << "A does not hear 9600";
  SetLine(B19200, true);
  ASSERT_TRUE(bus_->Ask('A', "XR?"));
  const long end = MsNow();

  const auto trace = sim_.Trace();
  ASSERT_TRUE(trace);
  ASSERT_EQ(trace->size(), 3u);
  const std::pair<int, std::string> frames[] = {{'A', "0"}, {'Z', "a, b\\\x01"}, {'A', "XR?"}};
  long last = start;
  for (std::size_t i = 0; i < 3; ++i) {
    const test_support::TraceEntry& entry = (*trace)[i];
    EXPECT_EQ(entry.address, frames[i].first);
    EXPECT_EQ(entry.body, frames[i].second);
    EXPECT_EQ(entry.speed, i < 2 ? 9600 : 19200);
    EXPECT_EQ(entry.stop_bits, i < 2 ? 1 : 2);
    EXPECT_EQ((entry.cflag & CSTOPB) != 0, i == 2);
    EXPECT_EQ(entry.cflag & CBAUD, i < 2 ? unsigned{B9600} : unsigned{B19200});
    EXPECT_GE(entry.ms, last) << "the test's own clock";
    EXPECT_LE(entry.ms, end);
    last = entry.ms;
  }
  ASSERT_TRUE(sim_.ClearTrace());
  EXPECT_EQ(sim_.Trace()->size(), 0u);
}

}  // namespace
}  // namespace sim_test
