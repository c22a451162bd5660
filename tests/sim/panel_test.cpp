#include <gtest/gtest.h>

#include <array>

#include "sim_fixture.h"

namespace sim_test {
namespace {

// The four display rows of a '5' or 'V' answer: 20 characters each, then one byte.
std::array<std::string, 4> Rows(const Reply& reply) {
  std::array<std::string, 4> rows;
  for (int i = 0; i < 4; ++i) rows[i] = reply.body.substr(1 + 21 * i, 20);
  return rows;
}

class Panel : public SimTest {
 protected:
  void SetUp() override { Launch({"--amp", "A", "--controller", "C"}); }
  std::array<std::string, 4> Key(std::string keys, std::uint8_t address = 'A') {
    const auto reply = bus_->Ask(address, "V" + keys);
    EXPECT_TRUE(reply && !reply->refused) << keys;
    if (!reply || reply->body.size() != 1 + 4 * 21) return {};
    EXPECT_EQ(reply->body[0], 'V');
    return Rows(*reply);
  }
  char StatusByte(int index) {
    const auto reply = bus_->Ask('A', "?1AMNPV");
    return reply ? reply->body[1 + index] : 0;
  }
  std::string Attenuation() {
    const auto reply = bus_->Ask('A', "?1AMNPV");
    return reply ? reply->body.substr(3, 4) : "";
  }
};

TEST_F(Panel, HighVoltageKeysChangeTheStatusAndTheDisplay) {
  const auto screen = bus_->Ask('A', "55");
  ASSERT_TRUE(screen);
  EXPECT_EQ(Rows(*screen)[0], "HV ON          LOCAL");
  EXPECT_EQ(Key("B")[0], "STANDBY        LOCAL");
  EXPECT_EQ(StatusByte(0), 0x28);
  const auto rows = Key("A");
  EXPECT_EQ(rows[0], "HV ON          LOCAL");
  EXPECT_EQ(rows[1], "Pout  43.2 dBm      ");
  EXPECT_EQ(StatusByte(0), 0x30);

  // A fault trips the high voltage and holds it off.
  Ok("fault A on");
  EXPECT_EQ(StatusByte(0), 0x28);
  EXPECT_EQ(StatusByte(1), 0x20);
  EXPECT_EQ(Key("A")[3], "FAULT HELIX OVERCUR ");
  Ok("fault A off");
  EXPECT_EQ(Key("A")[0].substr(0, 5), "HV ON");
}

TEST_F(Panel, StatusKeysSwitchScreensAndPagesTurn) {
  EXPECT_EQ(Key("G")[0], "Heater Hrs  001875  ");
  EXPECT_EQ(Key("H")[0], "HV ON          LOCAL");
  EXPECT_EQ(Key("l")[1], "Beam Hrs    001502  ");
  EXPECT_EQ(Key("X")[0], "READINGS 1/3        ");
  EXPECT_EQ(Key("l")[0], "READINGS 2/3        ");
  EXPECT_EQ(Key("k")[0], "READINGS 1/3        ");
  EXPECT_EQ(Key("k")[0], "READINGS 3/3        ");
  const auto log = Key("Y");
  EXPECT_EQ(log[0], "FAULT LOG 1/1       ");
  EXPECT_EQ(log[1], "001210 COOLING FAN  ") << "newest first";
}

TEST_F(Panel, DigitsClearAndEnterEditTheAttenuation) {
  EXPECT_EQ(Key("W")[0], "SET ATTENUATION     ");
  Key("2");
  Key("0");
  Key(".");
  EXPECT_EQ(Key("5")[2], "New 20.5_           ");
  EXPECT_EQ(Attenuation(), "12.5") << "nothing changes before Enter";
  EXPECT_EQ(Key("F")[1], "Now 20.5 dB         ");
  EXPECT_EQ(Attenuation(), "20.5");
  const auto power = bus_->Ask('A', "?1AMNPV");
  ASSERT_TRUE(power);
  EXPECT_EQ(power->body.substr(19, 4), "35.2") << "more attenuation, less power";

  Key("9");
  Key("9");
  EXPECT_EQ(Key("F")[3], "RANGE 0.0 - 40.0    ");
  Key("7");
  EXPECT_EQ(Key("C")[2], "New _               ");
  EXPECT_EQ(Key("C")[0].substr(0, 5), "HV ON") << "Clr on an empty entry leaves the menu";
  EXPECT_EQ(Attenuation(), "20.5");
}

TEST_F(Panel, PlusMinusStepAndHeldFunctionKeysOpenTheirMenuFirst) {
  Key("j");
  Key("j");
  EXPECT_EQ(Attenuation(), "12.7");
  Key("i");
  EXPECT_EQ(Attenuation(), "12.6");
  // "VW%c": the key with F1 held.
  EXPECT_EQ(Key("W3")[2], "New 3_              ");
  EXPECT_EQ(Key("XF")[0], "READINGS 1/3        ");
  const auto refused = bus_->Ask('A', "VQ1");
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->refused);
}

TEST_F(Panel, TheSetupMenuTogglesRemoteAndFrequency) {
  Key("D");
  Key("F");
  EXPECT_EQ(StatusByte(0) & 0x04, 0x04);
  Key("l");
  EXPECT_EQ(Key("F")[2], ">Freq      6.15 GHz ");
  EXPECT_EQ(Ok("get A frequency"), "6.15");
}

TEST_F(Panel, ControllerKeysActOnItsState) {
  EXPECT_EQ(Key("!", 'C')[0], "ONLINE: TWTA 1      ");
  EXPECT_EQ(Ok("get C hv"), "off");
  Key("!", 'C');
  EXPECT_EQ(Ok("get C hv"), "on");
  EXPECT_EQ(Key("2", 'C')[0], "MODE: AUTO          ");
  Key("E", 'C');
  EXPECT_EQ(Key("8", 'C')[0], "ONLINE: TWTA 1      ");
  EXPECT_EQ(Key("E", 'C')[0], "ONLINE: TWTA 2      ") << "manual mode switches the chain";
  Key("A", 'C');
  const auto off = bus_->Ask('C', "?!IPTV");
  ASSERT_TRUE(off);
  EXPECT_EQ(off->body[1] & 0x30, 0) << "TWTA power off";
  EXPECT_EQ(off->body.substr(5, 4), " 0.0");
}

}  // namespace
}  // namespace sim_test
