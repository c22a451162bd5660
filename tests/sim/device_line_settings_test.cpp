#include <gtest/gtest.h>
#include <termios.h>

#include "sim_fixture.h"

namespace sim_test {
namespace {

using namespace std::string_literals;

class DeviceLine : public SimTest {
 protected:
  // Sets the line as the console would; the simulator only reads it.
  void SetLine(speed_t speed, int stop_bits) {
    termios line{};
    ASSERT_EQ(tcgetattr(bus_->Fd(), &line), 0);
    cfsetspeed(&line, speed);
    if (stop_bits == 2) {
      line.c_cflag |= CSTOPB;
    } else {
      line.c_cflag &= ~CSTOPB;
    }
    ASSERT_EQ(tcsetattr(bus_->Fd(), TCSANOW, &line), 0);
  }
  // The body answered, "(none)" or "(refused)".
  std::string Body(std::uint8_t address, std::string_view body, int timeout_ms = 300) {
    const auto reply = bus_->Ask(address, body, timeout_ms);
    if (!reply) return "(none)";
    EXPECT_TRUE(reply->checksum_ok);
    EXPECT_EQ(reply->address, address);
    return reply->refused || reply->body == "ERROR" ? "(refused)" : reply->body;
  }
};

TEST_F(DeviceLine, ADeviceAnswersOnlyAtItsDefaultPortsSpeedAndStopBits) {
  Launch({"--amp", "A", "--amp", "B", "--serial", "B=19200:E72", "--amp", "C", "--serial",
          "C=1200:N81,port=2,other=19200:N82,noise"});
  struct Case {
    const char* name;
    speed_t speed;
    int stop_bits;
    bool a, b, c;  // who answers
  };
  for (const Case& line : {Case{"19200/2", B19200, 2, true, true, false},
                           Case{"19200/1", B19200, 1, true, false, false},
                           Case{"9600/2", B9600, 2, true, false, false},
                           Case{"1200/1", B1200, 1, true, false, true}}) {
    SCOPED_TRACE(line.name);
    SetLine(line.speed, line.stop_bits);
    EXPECT_EQ(Body('A', "0") != "(none)", line.a) << "a device given no settings hears any";
    EXPECT_EQ(Body('B', "0") != "(none)", line.b);
    EXPECT_EQ(Body('C', "0") != "(none)", line.c);
  }
  // C sends noise at other settings, never a frame.
  SetLine(B9600, 1);
  bus_->Write(Frame(Family::tessary, 'C', "0"));
  const std::string noise = bus_->Drain(300);
  EXPECT_GE(noise.size(), 2u);
  EXPECT_LE(noise.size(), 5u);
  EXPECT_EQ(noise.find_first_of("\x02\x03\x06\x15"), std::string::npos);
  EXPECT_EQ(Ok("get B commands"), "1") << "frames at other settings are not heard";
}

TEST_F(DeviceLine, QueriesReportTheSettingsInBothFamilies) {
  for (const Family family : {Family::tessary, Family::quillon}) {
    Launch({"--amp", "B", "--serial", "B=19200:E72,port=2,other=2400:O81,mode=4,term=U"}, family);
    SetLine(B19200, 2);
    EXPECT_EQ(Body('B', "XR?"), "XR4UB");
    EXPECT_EQ(Body('B', "X?"), "X2019200E72");
    EXPECT_EQ(Body('B', "X1?"), "X1002400O81");
    EXPECT_EQ(Body('B', "X2?"), "X2019200E72");
    // The kind letter stays in Quillon too: the fields lie one byte further on.
    const auto identity = bus_->Ask('B', "0");
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->body.substr(0, 5), "04120");
    const auto framed = bus_->Ask('B', "00");
    ASSERT_TRUE(framed);
    EXPECT_EQ(framed->raw.substr(3, 4), "4120") << "00 keeps the part number at offset 3";
  }
}

TEST_F(DeviceLine, SetsTakeEffectAfterTheirAnswer) {
  Launch({"--amp", "A", "--serial", "A=9600:N81", "--amp", "C"});
  SetLine(B9600, 1);
  EXPECT_EQ(Body('A', "XR4UB"), "X") << "answered from the old address";
  EXPECT_EQ(Body('A', "0"), "(none)");
  EXPECT_EQ(Body('B', "XR?"), "XR4UB");
  EXPECT_EQ(Body('B', "XR2T\0"s), "X");
  EXPECT_EQ(Body(0, "XR?"), "XR2T"s + '\0') << "address 0 is a zero byte";
  EXPECT_EQ(Body(0, "XR2TB"), "X");

  EXPECT_EQ(Body('B', "X2115200O72"), "X") << "the other port only keeps its settings";
  EXPECT_EQ(Body('B', "X2?"), "X2115200O72");
  EXPECT_EQ(Body('B', "X1019200E72"), "X") << "answered at the settings it came at";
  EXPECT_EQ(Body('B', "0"), "(none)");
  SetLine(B19200, 2);
  EXPECT_EQ(Body('B', "X?"), "X1019200E72");
  EXPECT_EQ(Ok("serial B"), "19200:E72,port=1,other=115200:O72,mode=2,term=T");

  EXPECT_EQ(Body('B', "XR2TC"), "(refused)") << "another device is at C";
  Ok("serial B 19200:E72,at_once");
  EXPECT_EQ(Body('B', "X1001200N81"), "(none)") << "switched at once, without an answer";
  SetLine(B1200, 1);
  EXPECT_EQ(Body('B', "0", 1000).substr(0, 1), "0");
}

TEST_F(DeviceLine, MalformedOrRefusedSetsChangeNothing) {
  Launch({"--amp", "A", "--serial", "A=9600:N81", "--amp", "R", "--serial", "R=9600:N81,refuse"});
  SetLine(B9600, 1);
  const std::string before = Ok("serial A");
  for (const std::string body :
       {"XR2T", "XR2TAA", "XR3TA", "XR2XA", "XR", "X3009600N81", "X0009600N81", "X1009601N81",
        "X10096O0N81", "X1009600X81", "X1009600N91", "X1009600N83", "X1009600N8", "X1009600N812",
        "X", "XZ", "X3?", "X?1"}) {
    EXPECT_EQ(Body('A', body), "(refused)") << body;
  }
  EXPECT_EQ(Ok("serial A"), before);
  EXPECT_EQ(Body('R', "XR2TB"), "(refused)");
  EXPECT_EQ(Body('R', "X1019200N81"), "(refused)");
  EXPECT_EQ(Body('R', "X?"), "X1009600N81") << "queries are still answered";
}

}  // namespace
}  // namespace sim_test
