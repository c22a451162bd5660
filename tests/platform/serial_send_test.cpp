#include <asm/termbits.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "platform/serial_port_calls.h"

namespace {

using platform::LineFormat;
using platform::Parity;
using platform::RtsControl;

// A serial driver with modem lines on a clock moved by its sleeps; records
// what touches the line.
class FakeDriver : public platform::PortCalls {
 public:
  bool GetLine(int, termios2* line) override {
    *line = held;
    return true;
  }
  bool SetLine(int, const termios2& line) override {
    held = line;
    if (rate_made) held.c_ospeed = held.c_ispeed = rate_made;
    return true;
  }
  bool GetRs485(int, serial_rs485* mode) override {
    *mode = rs485;
    return has_rs485;
  }
  bool SetRs485(int, const serial_rs485& mode) override {
    if (has_rs485) rs485 = mode;
    return has_rs485;
  }
  bool GetModemLines(int, int* lines) override {
    *lines = modem_lines;
    return true;
  }
  void SetModemLines(int, int lines, bool on) override {
    if (lines & TIOCM_RTS) events.push_back(on ? "rts on" : "rts off");
    modem_lines = on ? modem_lines | lines : modem_lines & ~lines;
  }
  ssize_t Write(int, const unsigned char*, std::size_t count) override {
    if (!takes_bytes) {
      errno = EAGAIN;
      return -1;
    }
    events.push_back("write");
    if (drains) return static_cast<ssize_t>(count);
    queued += static_cast<int>(count);
    return static_cast<ssize_t>(count);
  }
  bool WaitWritable(int, int msec) override {
    SleepMsec(static_cast<unsigned>(msec));
    return false;
  }
  int OutputQueue(int) override { return queued; }
  void DrainHardware(int) override { events.push_back("drain"); }
  void DiscardOutput(int) override {
    events.push_back("discard");
    queued = 0;
  }
  std::uint64_t NowMsec() override { return now; }
  void SleepMsec(unsigned msec) override {
    now += msec;
    ++sleeps;
  }

  termios2 held{};
  speed_t rate_made = 0;  // the rate the driver falls back to, 0: as asked
  bool has_rs485 = false;
  serial_rs485 rs485{};
  int modem_lines = TIOCM_RTS | TIOCM_DTR;  // as a fresh open leaves them
  bool takes_bytes = true;
  bool drains = true;
  int queued = 0;
  std::uint64_t now = 1000;
  int sleeps = 0;
  std::vector<std::string> events;
};

constexpr platform::PortHandle port = 1000;  // no real handle: every call goes to the fake

class SerialSend : public ::testing::Test {
 protected:
  void SetUp() override { platform::UsePortCalls(&driver); }
  void TearDown() override {
    platform::ClosePort(port);
    platform::UsePortCalls(nullptr);
  }
  bool Configure(std::int32_t baud, RtsControl rts, std::string* reason) {
    return platform::ConfigurePort(
        port, {baud, 8, Parity::none, 1, rts, platform::ParityCheck::keep}, reason);
  }
  FakeDriver driver;
};

TEST_F(SerialSend, RtsIsToggledAroundSendsOnlyWhereTheDriverCannot) {
  using Events = std::vector<std::string>;
  struct Case {
    const char* name;
    bool has_rs485;
    RtsControl rts;
    bool rts_between_sends;
    Events send;
  };
  const Case cases[] = {
      {"driver refuses RS-485", false, RtsControl::toggle, false,
       Events{"rts on", "write", "drain", "rts off"}},
      {"driver toggles RTS", true, RtsControl::toggle, true, Events{"write"}},
      {"handshake", true, RtsControl::handshake, true, Events{"write"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    driver = FakeDriver{};
    driver.has_rs485 = c.has_rs485;
    if (c.has_rs485) driver.rs485.flags = SER_RS485_ENABLED;  // left on by an earlier user
    std::string reason;
    ASSERT_TRUE(Configure(9600, c.rts, &reason)) << reason;
    EXPECT_EQ((driver.modem_lines & TIOCM_RTS) != 0, c.rts_between_sends);
    EXPECT_TRUE(driver.modem_lines & TIOCM_DTR);
    EXPECT_EQ((driver.rs485.flags & SER_RS485_ENABLED) != 0,
              c.has_rs485 && c.rts == RtsControl::toggle);
    driver.events.clear();
    const unsigned char frame[] = {0x02, 'A', '5', 0x03};
    EXPECT_TRUE(platform::WritePort(port, frame, sizeof frame));
    EXPECT_EQ(driver.events, c.send);
  }
}

TEST_F(SerialSend, ALineThatNeverTakesTheBytesFailsWithinItsLimit) {
  // 100 bytes of 10 bits at 9600 baud: about 104 ms on the line.
  const unsigned char bytes[100] = {};
  for (const bool toggled : {true, false}) {
    for (const bool takes_bytes : {true, false}) {
      SCOPED_TRACE(std::string(toggled ? "toggled" : "driver's RTS") +
                   (takes_bytes ? ", never drains" : ", never takes"));
      driver = FakeDriver{};
      driver.has_rs485 = !toggled;
      driver.drains = false;
      driver.takes_bytes = takes_bytes;
      std::string reason;
      ASSERT_TRUE(Configure(9600, RtsControl::toggle, &reason));
      const std::uint64_t start = driver.now;
      const bool sent = platform::WritePort(port, bytes, sizeof bytes);
      const bool drained = platform::DrainPort(port);
      EXPECT_FALSE(sent && drained);
      EXPECT_GE(driver.now - start, 200u);  // twice the time on the line at least
      EXPECT_LE(driver.now - start, 1500u);
      EXPECT_LT(driver.sleeps, 200);  // each wait sleeps for the time left
      EXPECT_EQ(driver.queued, 0);    // what did not go is dropped
      if (toggled) {
        EXPECT_FALSE(driver.modem_lines & TIOCM_RTS);
      }
    }
  }
}

TEST_F(SerialSend, ARateTheDriverCannotMakeIsReported) {
  driver.rate_made = 9600;
  std::string reason;
  EXPECT_FALSE(Configure(14400, RtsControl::toggle, &reason));
  EXPECT_EQ(reason, "the driver refused 14400 baud");
  driver.rate_made = 14401;  // its nearest divisor
  EXPECT_TRUE(Configure(14400, RtsControl::toggle, &reason));
}

}  // namespace
