#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "link/link_settings.h"
#include "link/wserial.h"
#include "platform/link_clock.h"

namespace {

class SerialLink : public ::testing::Test {
 protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master);
    unlockpt(master);
    std::snprintf(serial_port, sizeof serial_port, "%s", ptsname(master));
  }
  void TearDown() override {
    CloseSerial();
    ResetLinkSettings();
    close(master);
  }
  std::string Drain() {
    char bytes[256];
    const ssize_t n = read(master, bytes, sizeof bytes);
    return n > 0 ? std::string(bytes, n) : std::string();
  }
  int master = -1;
};

TEST_F(SerialLink, OpensFromTheSettingsAndReopensCleanly) {
  serial_baud = 19200;
  serial_stop = two_stop_bits;
  ASSERT_EQ(InitSerial(), 1);
  const platform::PortHandle first = serial_device;
  termios seen{};
  ASSERT_EQ(tcgetattr(master, &seen), 0);
  EXPECT_EQ(cfgetospeed(&seen), B19200);
  EXPECT_TRUE(seen.c_cflag & CSTOPB);
  // A second open closes the first handle (the exclusive line opens again).
  ASSERT_EQ(InitSerial(), 1);
  EXPECT_EQ(fcntl(first, F_GETFD) == -1 || first == serial_device, true);
  EXPECT_EQ(SetupSerial(9600, parity_none, 8, one_stop_bit), 1);
  ASSERT_EQ(tcgetattr(master, &seen), 0);
  EXPECT_EQ(cfgetospeed(&seen), B9600);
  EXPECT_FALSE(seen.c_cflag & CSTOPB);
}

TEST_F(SerialLink, EthernetLeavesThePortClosedButLearnsTheTables) {
  use_ethernet = 1;
  std::memset(baud_table, 0, sizeof baud_table);
  EXPECT_EQ(InitSerial(), 0);
  EXPECT_FALSE(SerialPortIsOpen());
  EXPECT_EQ(baud_table[0].baud, 1200);
  EXPECT_STREQ(baud_table[7].string, "115200");
  EXPECT_NE(system_timer_freq, 0);
}

TEST_F(SerialLink, AMissingPortFailsNamingThePort) {
  std::snprintf(serial_port, sizeof serial_port, "/dev/corvane-no-such-port");
  EXPECT_EQ(InitSerial(), 0);
  EXPECT_FALSE(SerialPortIsOpen());
  EXPECT_STREQ(SerialErrorText(), "/dev/corvane-no-such-port: no such port");
}

TEST_F(SerialLink, RatesWithoutAStandardCodeOpen) {
  serial_baud = 14400;
  EXPECT_EQ(InitSerial(), 1) << SerialErrorText();
  EXPECT_STREQ(SerialErrorText(), "");
  EXPECT_EQ(SetupSerial(28800, parity_even, 7, one_stop_bit), 1) << SerialErrorText();
}

TEST_F(SerialLink, RawSendingHonoursTheCount) {
  ASSERT_EQ(InitSerial(), 1);
  EXPECT_TRUE(SerialSendRaw("A55\x03trailing", 4));
  EXPECT_EQ(Drain(), "A55\x03");
  SerialSendRaw("whole text", -1);
  EXPECT_EQ(Drain(), "whole text");
  pt_start_time.l.upper = 0;
  SerialSendRaw("ignored", 0);  // nothing sent, but the link timer restarts
  EXPECT_EQ(Drain(), "");
  EXPECT_NE(pt_start_time.l.upper, 0u);
  SerialSendChar(0x82);
  EXPECT_EQ(Drain(), "\x82");
}

TEST_F(SerialLink, ReceivedBytesComeOneByOne) {
  ASSERT_EQ(InitSerial(), 1);
  unsigned char ch = 0;
  EXPECT_EQ(ReadSerialChar(&ch), 0);
  ASSERT_EQ(write(master, "\x06Z", 2), 2);
  ASSERT_EQ(SerialWaitReadable(1000), 1);
  ASSERT_EQ(ReadSerialChar(&ch), 1);
  EXPECT_EQ(ch, 0x06);
  ASSERT_EQ(ReadSerialChar(&ch), 1);
  EXPECT_EQ(ch, 'Z');
  EXPECT_EQ(ReadSerialChar(&ch), 0);
}

}  // namespace
