#include "platform/serial_port.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

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

TEST(SerialPort, APortThatCannotBeOpenedSaysWhy) {
  std::string reason;
  EXPECT_EQ(platform::OpenPort("/dev/corvane-no-such-port", &reason), platform::no_port);
  EXPECT_EQ(reason, "no such port");
  EXPECT_EQ(platform::OpenPort("/dev/null", &reason), platform::no_port);
  EXPECT_EQ(reason, "not a serial port");
}

platform::PortHandle OpenAt(const Pty& pty, const LineFormat& format) {
  std::string reason;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str(), &reason);
  if (port != platform::no_port && !platform::ConfigurePort(port, format, &reason)) {
    ADD_FAILURE() << reason;
  }
  return port;
}

termios2 Held(int handle) {
  termios2 line{};
  EXPECT_EQ(ioctl(handle, TCGETS2, &line), 0);
  return line;
}

TEST(SerialPort, TheLineIsRawWithTheRateAndStopBitsAsSet) {
  Pty pty;
  const platform::PortHandle port = OpenAt(pty, Format(19200, 7, Parity::even, 2));
  ASSERT_NE(port, platform::no_port);
  const termios2 seen = Held(pty.master);
  EXPECT_EQ(seen.c_cflag & CBAUD, static_cast<tcflag_t>(B19200));
  EXPECT_EQ(seen.c_ospeed, 19200u);
  EXPECT_EQ(seen.c_ispeed, 19200u);
  EXPECT_TRUE(seen.c_cflag & CSTOPB);
  EXPECT_FALSE(seen.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(seen.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF));
  EXPECT_FALSE(seen.c_oflag & OPOST);
  // The line belongs to one holder at a time.
  std::string reason;
  EXPECT_EQ(platform::OpenPort(pty.slave.c_str(), &reason), platform::no_port);
  EXPECT_EQ(reason, "in use by another program");
  platform::ClosePort(port);
  const platform::PortHandle again = platform::OpenPort(pty.slave.c_str(), &reason);
  EXPECT_NE(again, platform::no_port);
  platform::ClosePort(again);
}

TEST(SerialPort, DataBitsAndParityAreBuiltAsAsked) {
  // Pseudo-terminals force 8 bits without parity, so check what is built.
  termios2 current{};
  termios2 built{};
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
  EXPECT_EQ(built.c_cflag & CBAUD, static_cast<tcflag_t>(B115200));

  // RTS handshaking must not make output wait for CTS.
  LineFormat handshake = Format(9600, 8, Parity::none, 1);
  handshake.rts = platform::RtsControl::handshake;
  ASSERT_TRUE(platform::BuildTermios(current, handshake, &built));
  EXPECT_FALSE(built.c_cflag & CRTSCTS);

  EXPECT_FALSE(platform::BuildTermios(current, Format(0, 8, Parity::none, 1), &built));
  EXPECT_FALSE(platform::BuildTermios(current, Format(9600, 9, Parity::none, 1), &built));
}

TEST(SerialPort, NothingIsInheritedButParityCheckingWhenKept) {
  // A port left by another program in mark/space parity, with errors ignored
  // or marked, flow control and line editing on.
  termios2 left{};
  left.c_cflag = CMSPAR | CRTSCTS | PARENB | B1200;
  left.c_iflag = IGNPAR | PARMRK | INPCK | ISTRIP | IXON | ICRNL | IGNBRK;
  left.c_oflag = OPOST | ONLCR;
  left.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  LineFormat format = Format(9600, 8, Parity::even, 1);
  termios2 built{};
  ASSERT_TRUE(platform::BuildTermios(left, format, &built));
  EXPECT_EQ(built.c_cflag & ~CBAUD, static_cast<tcflag_t>(CS8 | PARENB | CREAD | CLOCAL | HUPCL));
  EXPECT_EQ(built.c_iflag, static_cast<tcflag_t>(INPCK));  // kept, errors read as 0
  EXPECT_EQ(built.c_oflag, 0u);
  EXPECT_EQ(built.c_lflag, 0u);

  left.c_iflag = 0;
  ASSERT_TRUE(platform::BuildTermios(left, format, &built));
  EXPECT_EQ(built.c_iflag, 0u);
  format.parity_check = platform::ParityCheck::on;
  ASSERT_TRUE(platform::BuildTermios(left, format, &built));
  EXPECT_EQ(built.c_iflag, static_cast<tcflag_t>(INPCK));
}

TEST(SerialPort, AnyRateReachesTheDriver) {
  struct Case {
    std::int32_t baud;
    tcflag_t code;
  };
  for (const Case& c : {Case{14400, BOTHER}, Case{1200, B1200}, Case{250000, BOTHER}}) {
    Pty pty;
    const platform::PortHandle port = OpenAt(pty, Format(c.baud, 8, Parity::none, 1));
    ASSERT_NE(port, platform::no_port) << c.baud;
    const termios2 seen = Held(pty.master);
    EXPECT_EQ(seen.c_cflag & CBAUD, c.code) << c.baud;
    EXPECT_EQ(seen.c_ospeed, static_cast<speed_t>(c.baud));
    EXPECT_EQ(seen.c_ispeed, static_cast<speed_t>(c.baud));
    platform::ClosePort(port);
  }
}

TEST(SerialPort, BytesGoBothWaysAndReadsNeverWait) {
  Pty pty;
  const platform::PortHandle port = OpenAt(pty, Format(9600, 8, Parity::none, 1));
  ASSERT_NE(port, platform::no_port);
  unsigned char bytes[16];
  EXPECT_EQ(platform::ReadPort(port, bytes, sizeof bytes), 0u);
  const unsigned char frame[] = {0x02, 'A', '5', '5', 0x03, 0x0D};
  ASSERT_TRUE(platform::WritePort(port, frame, sizeof frame));
  EXPECT_TRUE(platform::DrainPort(port));
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
  std::string reason;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str(), &reason);
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
  std::string reason;
  const platform::PortHandle port = platform::OpenPort(pty.slave.c_str(), &reason);
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
  std::string reason;
  const platform::PortHandle port = platform::OpenPort(pty->slave.c_str(), &reason);
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
