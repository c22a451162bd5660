#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "records/program_state.h"
#include "fake_line.h"
#include "link/keypad.h"

namespace {

using namespace std::string_literals;

std::string Body(const std::string& frame) {
  // STX, address, body, ETX, checksum.
  return frame.size() >= 4 ? frame.substr(2, frame.size() - 4) : std::string();
}

class Keypad : public ::testing::Test {
 protected:
  void TearDown() override { std::memset(key_down, 0, sizeof key_down); }
  FakeLine line;
};

TEST_F(Keypad, SoftKeysAndHeldFunctionKeys) {
  SerialSendKey('A', '5');
  EXPECT_EQ(Body(line.Sent()), "V5");
  // The panel's own soft keys ignore the keyboard's F keys.
  key_down[0x71] = 1;
  SerialSendKey('A', 'X');
  EXPECT_EQ(Body(line.Sent()), "VX");
  SerialSendKey('A', '+');
  EXPECT_EQ(Body(line.Sent()), "VX+");
  // The first held key in the order F1..F4 wins.
  key_down[0x73] = 1;
  SerialSendKey('A', '1');
  EXPECT_EQ(Body(line.Sent()), "VX1");
  key_down[0x70] = 1;
  SerialSendKey('A', '1');
  EXPECT_EQ(Body(line.Sent()), "VW1");
  key_down[0x70] = key_down[0x71] = 0;
  SerialSendKey('A', '<');
  EXPECT_EQ(Body(line.Sent()), "VZ<");
  key_down[0x72] = 1;
  SerialSendKey('A', '>');
  EXPECT_EQ(Body(line.Sent()), "VY>");
}

TEST_F(Keypad, TwoWireModeQueuesForTheNextTurn) {
  mode_2wire = 1;
  SerialSendKey('C', '9');
  EXPECT_EQ(line.Sent(), "");
  EXPECT_STREQ(pending_command['C'], "V9");
  EXPECT_EQ(response_pending, -1);
  // A newer command replaces the queued one; long ones are cut to the slot.
  KewCommand('C', "K12.5!");
  EXPECT_STREQ(pending_command['C'], "K12.5!");
  KewCommand(0xFF, std::string(200, 'k').c_str());
  EXPECT_EQ(std::strlen(pending_command[0xFF]), 79u);
  mode_2wire = 0;
  KewCommand('C', "K12.5!");
  EXPECT_EQ(Body(line.Sent()), "K12.5!");
  EXPECT_EQ(response_pending, 'C');
}

}  // namespace
