#include "link/serial_defaults.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "config/scratch_directory.h"
#include "link/link_settings.h"
#include "link/wserial.h"

namespace {

// The link settings in the file's own notation.
std::string Settings() {
  const char parity = serial_parity == parity_even ? 'E' : serial_parity == parity_odd ? 'O' : 'N';
  return std::string(serial_port) + " " + std::to_string(serial_baud) + " " + parity + " " +
         std::to_string(serial_data) + " " + (serial_stop == two_stop_bits ? "2" : "1") + " " +
         (use_ethernet ? default_ipaddress : "serial");
}

class SerialDefaults : public ::testing::Test {
 protected:
  void SetUp() override { ResetLinkSettings(); }
  void TearDown() override {
    CloseSerial();
    ResetLinkSettings();
  }
  std::string Load(const std::string& bytes) {
    directory.Write("sdefault.txt", bytes);
    LoadSerialDefaults();
    return Settings();
  }
  ScratchDirectory directory;
};

TEST_F(SerialDefaults, WritesOneLineAndReadsItBack) {
  SaveSerialDefaults();
  EXPECT_EQ(directory.Read("sdefault.txt"), "COM2 9600 N 8 1 0");
  std::strcpy(serial_port, "COM3");
  serial_baud = 19200;
  serial_parity = parity_odd;
  serial_data = 7;
  serial_stop = two_stop_bits;
  use_ethernet = 1;
  std::strcpy(default_ipaddress, "192.168.100.200");
  SaveSerialDefaults();
  EXPECT_EQ(directory.Read("sdefault.txt"), "COM3 19200 O 7 2 192.168.100.200");
  ResetLinkSettings();
  LoadSerialDefaults();
  EXPECT_EQ(Settings(), "COM3 19200 O 7 2 192.168.100.200");
}

TEST_F(SerialDefaults, ALongPortPathOpensInItsFormatAndIsSavedWhole) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(master, 0);
  grantpt(master);
  unlockpt(master);
  std::filesystem::create_directory(directory.File("by-id"));
  std::string port =
      (directory.File("by-id") / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-").string();
  port.resize(120, 'x');
  std::filesystem::create_symlink(ptsname(master), port);
  const std::string line = port + " 19200 E 7 2 0";
  directory.Write("sdefault.txt", line);

  LoadSerialDefaults();
  EXPECT_EQ(Settings(), port + " 19200 E 7 2 serial");
  ASSERT_EQ(InitSerial(), 1) << serial_port;
  termios format{};
  ASSERT_EQ(tcgetattr(serial_device, &format), 0);
  EXPECT_EQ(cfgetospeed(&format), B19200);
  // A pseudo-terminal keeps the rate and stop bits; it forces 8 bits without parity.
  EXPECT_NE(format.c_cflag & CSTOPB, 0u);
  CloseSerial();
  close(master);

  std::filesystem::remove(directory.File("sdefault.txt"));
  SaveSerialDefaults();
  EXPECT_EQ(directory.Read("sdefault.txt"), line);
}

TEST_F(SerialDefaults, MissingOrShortFileChangesNothing) {
  LoadSerialDefaults();
  EXPECT_EQ(Settings(), "COM2 9600 N 8 1 serial");
  EXPECT_EQ(Load("COM3 1920"), "COM2 9600 N 8 1 serial");
}

struct load_case {
  std::string bytes;
  std::string settings;
};

const std::string unchanged = "COM1 4800 E 7 2 10.1.1.1";
const std::string by_id = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const std::string longest_port(255, 'p');
const std::string digits_255(255, '1');

// What the file makes of the settings COM1 4800 E 7 2 10.1.1.1.
class SerialDefaultsCase : public SerialDefaults, public ::testing::WithParamInterface<load_case> {
 protected:
  void SetUp() override {
    SerialDefaults::SetUp();
    std::strcpy(serial_port, "COM1");
    serial_baud = 4800;
    serial_parity = parity_even;
    serial_data = 7;
    serial_stop = two_stop_bits;
    use_ethernet = 1;
    std::strcpy(default_ipaddress, "10.1.1.1");
  }
};

TEST_P(SerialDefaultsCase, Loads) {
  EXPECT_EQ(Load(GetParam().bytes), GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SerialDefaultsCase,
    ::testing::Values(
        // Files that installations already have.
        load_case{"COM2 9600 N 8 1 0", "COM2 9600 N 8 1 serial"},
        load_case{"COM3 19200 E 7 2 0", "COM3 19200 E 7 2 serial"},
        load_case{"COM1 9600 N 8 1 192.168.1.20", "COM1 9600 N 8 1 192.168.1.20"},
        load_case{"COM3 9600 O 8 1 192.168.0.7", "COM3 9600 O 8 1 192.168.0.7"},
        load_case{"COM3 1920", unchanged}, load_case{"", unchanged},
        load_case{"COM3 19200", "COM3 19200 N 7 1 serial"},
        load_case{"COM3 19200 E", "COM3 19200 E 7 1 serial"},
        load_case{"COM3 19200 E 8", "COM3 19200 E 8 1 serial"},
        load_case{"COM3 fast E 8 2 0", "COM3 4800 N 7 1 serial"},
        load_case{"COM3 9600 N 8 1 10.0.0.5x1", "COM3 9600 N 8 1 10.0.0.5"},
        load_case{"COM3 9600 N 8 1 1.2.3x4.5", "COM3 9600 N 8 1 serial"},
        load_case{"COM3 9600 e 8 x 1.2.3.4", "COM3 9600 N 8 1 1.2.3.4"},
        load_case{"COM3\t+9600\r\nO 8 1 0", "COM3 9600 O 8 1 serial"},
        // Long names are kept whole, wherever they stand in the file.
        load_case{by_id + " 115200 N 8 1 0", (by_id + " 115200 N 8 1 serial")},
        load_case{longest_port + " 9600 N 8 1 0", (longest_port + " 9600 N 8 1 serial")},
        load_case{"COM3 9600 N 8 1 " + digits_255, ("COM3 9600 N 8 1 " + digits_255)},
        load_case{"COM3 9600 N 8 1" + std::string(4000, ' ') + "1.2.3.4",
                  "COM3 9600 N 8 1 1.2.3.4"},
        // Names too long for their setting, files too long to be ours and
        // names with a NUL are refused whole.
        load_case{longest_port + "p 9600 N 8 1 0", unchanged},
        load_case{"COM3 9600 N 8 1 " + digits_255 + "1", unchanged},
        load_case{"COM3 9600 N 8 1 0" + std::string(4080, ' '), unchanged},
        load_case{std::string("COM3\0"
                              "9 9600 N 8 1 0",
                              19),
                  unchanged},
        load_case{std::string(20, '\0'), unchanged},
        // Numbers are clamped as C reads them.
        load_case{"COM3 99999999999 N 8 1 0", "COM3 2147483647 N 8 1 serial"},
        load_case{"COM3 -99999999999 N 8 1 0", "COM3 -2147483648 N 8 1 serial"},
        load_case{"COM3 --1 N 8 1 0", "COM3 4800 N 7 1 serial"}));

TEST_F(SerialDefaults, RandomFilesStayInBounds) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 5000, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 ? random() : ' ');
    Load(bytes);
    EXPECT_LT(strnlen(serial_port, sizeof serial_port), sizeof serial_port);
    EXPECT_LT(strnlen(default_ipaddress, sizeof default_ipaddress), sizeof default_ipaddress);
  }
}

}  // namespace
