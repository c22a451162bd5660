#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "platform/serial_port.h"
#include "platform/serial_termios_posix.h"

namespace {

using platform::LineFormat;
using platform::Parity;

class Pty {
 public:
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    grantpt(master);
    unlockpt(master);
    slave = ptsname(master);
  }
  ~Pty() { close(master); }
  int master;
  std::string slave;
};

LineFormat Format(std::int32_t baud, int data, Parity parity, int stop) {
  return {baud, data, parity, stop, platform::RtsControl::toggle, platform::ParityCheck::keep};
}

TEST(SerialPort, NamesMapOntoDevices) {
  EXPECT_EQ(platform::PortDevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(platform::PortDevicePath("COM16"), "/dev/ttyS15");
  EXPECT_EQ(platform::PortDevicePath("/tmp/bus"), "/tmp/bus");
  EXPECT_EQ(platform::PortDevicePath("ttyUSB0"), "/dev/ttyUSB0");
}

TEST(SerialPort, AMissingPortDoesNotOpen) {
  EXPECT_EQ(platform::OpenPort("/dev/corvane-no-such-port"), platform::no_port);
}

TEST(SerialPort, TheLineIsRawWithTheRateAndStopBitsAsSet) {
  Pty pty;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str());
  ASSERT_NE(port, platform::no_port);
  ASSERT_TRUE(platform::ConfigurePort(port, Format(19200, 7, Parity::even, 2)));
  termios seen{};
  ASSERT_EQ(tcgetattr(pty.master, &seen), 0);
  EXPECT_EQ(cfgetospeed(&seen), B19200);
  EXPECT_EQ(cfgetispeed(&seen), B19200);
  EXPECT_TRUE(seen.c_cflag & CSTOPB);
  EXPECT_FALSE(seen.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(seen.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF));
  EXPECT_FALSE(seen.c_oflag & OPOST);
  // The line belongs to one holder at a time.
  EXPECT_EQ(platform::OpenPort(pty.slave.c_str()), platform::no_port);
  platform::ClosePort(port);
  const platform::PortHandle again = platform::OpenPort(pty.slave.c_str());
  EXPECT_NE(again, platform::no_port);
  platform::ClosePort(again);
}

TEST(SerialPort, DataBitsAndParityAreBuiltAsAsked) {
  // Pseudo-terminals force 8 bits without parity, so check what is built.
  termios current{};
  termios built{};
  ASSERT_TRUE(platform::BuildTermios(current, Format(19200, 7, Parity::even, 2), &built));
  EXPECT_EQ(built.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_TRUE(built.c_cflag & PARENB);
  EXPECT_FALSE(built.c_cflag & PARODD);
  EXPECT_TRUE(built.c_cflag & CSTOPB);
  EXPECT_TRUE(built.c_cflag & (CLOCAL | CREAD));
  EXPECT_FALSE(built.c_cflag & CRTSCTS);
  EXPECT_EQ(built.c_cc[VMIN], 0);
  EXPECT_EQ(built.c_cc[VTIME], 0);

  ASSERT_TRUE(platform::BuildTermios(current, Format(9600, 8, Parity::odd, 1), &built));
  EXPECT_EQ(built.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_TRUE(built.c_cflag & PARENB);
  EXPECT_TRUE(built.c_cflag & PARODD);
  EXPECT_FALSE(built.c_cflag & CSTOPB);

  ASSERT_TRUE(platform::BuildTermios(current, Format(115200, 8, Parity::none, 1), &built));
  EXPECT_FALSE(built.c_cflag & PARENB);
  EXPECT_EQ(cfgetospeed(&built), B115200);

  LineFormat handshake = Format(9600, 8, Parity::none, 1);
  handshake.rts = platform::RtsControl::handshake;
  handshake.parity_check = platform::ParityCheck::on;
  ASSERT_TRUE(platform::BuildTermios(current, handshake, &built));
  EXPECT_TRUE(built.c_cflag & CRTSCTS);
  EXPECT_TRUE(built.c_iflag & INPCK);
}

TEST(SerialPort, BytesGoBothWaysAndReadsNeverWait) {
  Pty pty;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str());
  ASSERT_NE(port, platform::no_port);
  ASSERT_TRUE(platform::ConfigurePort(port, Format(9600, 8, Parity::none, 1)));
  unsigned char bytes[16];
  EXPECT_EQ(platform::ReadPort(port, bytes, sizeof bytes), 0u);
  const unsigned char frame[] = {0x02, 'A', '5', '5', 0x03, 0x0D};
  ASSERT_TRUE(platform::WritePort(port, frame, sizeof frame));
  platform::DrainPort(port);
  ASSERT_EQ(read(pty.master, bytes, sizeof bytes), static_cast<ssize_t>(sizeof frame));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), sizeof frame),
            std::string(reinterpret_cast<const char*>(frame), sizeof frame));  // CR untouched
  ASSERT_EQ(write(pty.master, "\x06\r\n", 3), 3);
  ASSERT_TRUE(platform::WaitReadable(port, 1000));
  EXPECT_EQ(platform::ReadPort(port, bytes, sizeof bytes), 3u);
  EXPECT_EQ(bytes[0], 0x06);
  EXPECT_EQ(bytes[1], '\r');
  platform::ClosePort(port);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(SerialPort, WaitingForASilentLineCostsNoProcessorTime) {
  Pty pty;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str());
  ASSERT_NE(port, platform::no_port);
  const double cpu_before = CpuSeconds();
  const auto wall_before = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::WaitReadable(port, 500));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  EXPECT_GE(wall, 0.45);
  EXPECT_LT(CpuSeconds() - cpu_before, 0.05 * wall);
  platform::ClosePort(port);
}

TEST(SerialPort, ClosingLeavesTheLineFreeForTheNextOpener) {
  // The other side of a pty keeps the line alive between the console's opens,
  // so the exclusive mark must go with the console's close.
  Pty pty;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str());
  ASSERT_NE(port, platform::no_port);
  const int watcher = open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  int exclusive = 0;
  ASSERT_EQ(ioctl(watcher, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);
  platform::ClosePort(port);
  ASSERT_EQ(ioctl(watcher, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  close(watcher);
}

TEST(SerialPort, AHungUpLineIsWaitedOutNotSpunOn) {
  auto pty = std::make_unique<Pty>();
  const platform::PortHandle port = platform::OpenPort(pty->slave.c_str());
  ASSERT_NE(port, platform::no_port);
  pty.reset();
  const double cpu_before = CpuSeconds();
  const auto wall_before = std::chrono::steady_clock::now();
  for (int n = 0; n < 5; ++n) EXPECT_FALSE(platform::WaitReadable(port, 100));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  EXPECT_GE(wall, 0.45);
  EXPECT_LT(CpuSeconds() - cpu_before, 0.05 * wall);
  platform::ClosePort(port);
}

}  // namespace
