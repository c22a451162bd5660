#include "link/command_set.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

namespace {

TEST(CommandSet, BuildersWriteTheBodiesOfTheirFormats) {
  // Under a comma locale when there is one: the bodies must not follow it.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  const struct {
    command_body body;
    const char* expected;
  } cases[] = {
      {AttenuationCommand(27.0), "K27.0!"},
      {AttenuationCommand(5.04), "K05.0!"},
      {AttenuationCommand(-1.5), "K-1.5!"},
      {FrequencyOffsetCommand(12.5), "TO12.50?"},
      {FrequencyOffsetCommand(6.15f), "TO06.15?"},
      {KeyCommand('5'), "V5"},
      {KeyCommand('5', 0), "VW5"},
      {KeyCommand('j', 3), "VZj"},
      {Rs485SetupCommand('4', '1', 'B'), "XR41B"},
      {PortQueryCommand(2), "X2?"},
      {PortSetupCommand(1, 9600, 'N', 8, 1), "X1009600N81"},
      {ConfigLineCommand("LOCK ON\r\n"), "Y1LOCK ON\r\n"},
      {FirmwareStartCommand(123456), "Y2 123456"},
      {FirmwareChunkCommand(12), "Y300012"},
      {FirmwareEndCommand(99), "Y400099"},
  };
  std::setlocale(LC_ALL, "C");
  for (const auto& c : cases) {
    EXPECT_STREQ(c.body.text, c.expected);
    EXPECT_EQ(c.body.length, static_cast<int>(std::strlen(c.expected))) << c.expected;
  }
  const std::string line(300, 'x');
  const command_body cut = ConfigLineCommand(line.c_str());
  EXPECT_EQ(cut.length, 255);
  EXPECT_EQ(std::string(cut.text), "Y1" + line.substr(0, 253));
}

}  // namespace
