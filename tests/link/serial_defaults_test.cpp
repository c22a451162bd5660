#include "link/serial_defaults.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "config/scratch_directory.h"
#include "link/link_settings.h"

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
  void TearDown() override { ResetLinkSettings(); }
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

TEST_F(SerialDefaults, MissingOrShortFileChangesNothing) {
  LoadSerialDefaults();
  EXPECT_EQ(Settings(), "COM2 9600 N 8 1 serial");
  EXPECT_EQ(Load("COM3 1920"), "COM2 9600 N 8 1 serial");
}

struct load_case {
  std::string bytes;
  const char* settings;
};

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
    ::testing::Values(load_case{"COM3 19200 E 7 2 0", "COM3 19200 E 7 2 serial"},
                      load_case{"COM3 9600 O 8 1 192.168.0.7", "COM3 9600 O 8 1 192.168.0.7"},
                      load_case{"COM3 9600 N 8 1 10.0.0.5x1", "COM3 9600 N 8 1 10.0.0.5"},
                      load_case{"COM3 9600 N 8 1 1.2.3x4.5", "COM3 9600 N 8 1 serial"},
                      load_case{"COM3 9600 e 8 x 1.2.3.4", "COM3 9600 N 8 1 1.2.3.4"},
                      load_case{"COM3 19200", "COM3 19200 N 7 1 serial"},
                      load_case{"COM3 19200 E", "COM3 19200 E 7 1 serial"},
                      load_case{"COM3 fast E 8 2 0", "COM3 4800 N 7 1 serial"},
                      load_case{"/dev/ttyUSB0 115200 N 8 1 0", "/dev/ttyUSB0 115200 N 8 1 serial"},
                      load_case{"COM3 9600 N 8 1 1234567890123456789012345678901234567890123",
                                "COM3 9600 N 8 1 1234567890123456789012345678901234567890"},
                      load_case{"COM3 9600 N 8 1" + std::string(60, ' ') + "1.2.3.4",
                                "COM3 9600 N 8 1 serial"}));

TEST_F(SerialDefaults, LongAndRandomFilesStayInBounds) {
  EXPECT_EQ(Load(std::string(5000, 'P') + " 9600 N 8 1 0"),
            std::string(70, 'P') + " 9600 N 8 1 serial");
  std::mt19937 random(11);
  for (int round = 0; round < 50; ++round) {
    std::string bytes(10 + random() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    Load(bytes);
    EXPECT_LT(std::strlen(serial_port), sizeof serial_port);
    EXPECT_LT(std::strlen(default_ipaddress), sizeof default_ipaddress);
  }
}

}  // namespace
