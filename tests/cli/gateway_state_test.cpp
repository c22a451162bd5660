#include "cli/gateway_state.h"

#include <gtest/gtest.h>

#include "cli/gateway_request.h"

namespace {

TEST(GatewayState, TimesAreUtcWithMilliseconds) {
  EXPECT_EQ(UtcTime(1796743800123), "2026-12-08T15:30:00.123Z");
  EXPECT_EQ(UtcTime(0), "1970-01-01T00:00:00.000Z");
}

TEST(GatewayState, TopicAddressesReadBack) {
  EXPECT_EQ(TopicAddress('A'), "A");
  EXPECT_EQ(TopicAddress(7), "07");
  EXPECT_EQ(TopicAddress('/'), "2F");
  EXPECT_EQ(TopicAddress('+'), "2B");
  for (int address = 0; address < device_count; ++address)
    EXPECT_EQ(ParseTopicAddress(TopicAddress(address)), address);
  for (const char* level : {"", "+", "#", "/", "ABC", "0G", "Ä"})
    EXPECT_EQ(ParseTopicAddress(level), std::nullopt) << level;
}

struct request_case {
  const char* topic;
  std::string payload;
  const char* body;  // "" when refused
};

TEST(GatewayRequest, OnlyWellFormedCommandsForServedDevicesBecomeFrames) {
  const ServedDevice served = [](int address) -> std::optional<device_enum> {
    if (address == 'A') return twta_device;
    if (address == 'C') return ocontrol_device;
    return std::nullopt;
  };
  const request_case cases[] = {
      {"corvane/north/A/cmd/key", "H", "VH"},
      {"corvane/north/A/cmd/key", " 5\n", "V5"},
      {"corvane/north/41/cmd/key", "A", "VA"},
      {"corvane/north/C/cmd/key", "!", "V!"},
      {"corvane/north/A/cmd/attenuation", "12.5", "K12.5!"},
      {"corvane/north/A/cmd/attenuation", "0", "K00.0!"},
      {"corvane/north/A/cmd/key", "HG", ""},
      {"corvane/north/A/cmd/key", "", ""},
      {"corvane/north/A/cmd/key", "q", ""},
      {"corvane/north/C/cmd/key", "W", ""},
      {"corvane/north/A/cmd/key", std::string("H\0", 2), ""},
      {"corvane/north/A/cmd/attenuation", "-1", ""},
      {"corvane/north/A/cmd/attenuation", "100", ""},
      {"corvane/north/A/cmd/attenuation", "1e1x", ""},
      {"corvane/north/A/cmd/attenuation", "nan", ""},
      {"corvane/north/A/cmd/attenuation", "12,5", ""},
      {"corvane/north/A/cmd/attenuation", std::string(65, '1'), ""},
      {"corvane/north/C/cmd/attenuation", "3", ""},
      {"corvane/north/B/cmd/key", "H", ""},
      {"corvane/north/A/cmd/restart", "~", ""},
      {"corvane/north/A/cmd", "H", ""},
      {"corvane/south/A/cmd/key", "H", ""},
      {"other/north/A/cmd/key", "H", ""},
  };
  for (const request_case& c : cases) {
    const gateway_request request = ParseRequest("corvane/north/", c.topic, c.payload, served);
    EXPECT_EQ(request.body, c.body) << c.topic << " " << c.payload;
    EXPECT_EQ(request.error.empty(), *c.body != 0) << c.topic << " " << c.payload;
  }
}

}  // namespace
