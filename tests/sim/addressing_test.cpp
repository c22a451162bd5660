#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace sim_test {
namespace {

TEST_F(SimTest, EachDeviceAnswersOnlyItsOwnAddress) {
  Launch({"--amp", "A", "--amp", "07", "--controller", "C"});
  for (std::uint8_t address : {std::uint8_t{'A'}, std::uint8_t{0x07}, std::uint8_t{'C'}}) {
    const auto reply = bus_->Ask(address, "55");
    ASSERT_TRUE(reply) << int{address};
    EXPECT_EQ(reply->address, address);
  }
  // Nobody at 'B': no answer, and the others stay quiet too.
  bus_->Write(Frame(Family::tessary, 'B', "55"));
  EXPECT_EQ(bus_->Drain(300), "");
  EXPECT_EQ(Ok("stats"), "frames=4 unaddressed=1 answered=3 dropped=0");
  EXPECT_EQ(Ok("devices"), "07h:amplifier 'A':amplifier 'C':controller");
}

TEST_F(SimTest, BackToBackFramesForDifferentDevicesAreAnsweredInOrder) {
  Launch({"--amp", "A", "--amp", "B"});
  bus_->Write(Frame(Family::tessary, 'B', "0") + Frame(Family::tessary, 'A', "0"));
  const auto first = bus_->Read();
  const auto second = bus_->Read();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->address, 'B');
  EXPECT_EQ(second->address, 'A');
  // Serial numbers tell amplifiers apart on one bus.
  EXPECT_NE(first->raw.substr(12, 5), second->raw.substr(12, 5));
}

TEST_F(SimTest, ControllersAnswerInTheLayoutOfTheirGeneration) {
  Launch({"--controller", "C", "--controller", "D:324"});
  // The firmware version sits at body positions 7 to 9 after the kind letter.
  const auto current = bus_->Ask('C', "0");
  const auto older = bus_->Ask('D', "0");
  ASSERT_TRUE(current && older);
  EXPECT_EQ(current->body.substr(1 + 7, 3), "325");
  EXPECT_EQ(older->body.substr(1 + 7, 3), "324");

  // '?', status bytes, the current generation's two more bytes, power, voltage.
  const auto extended = bus_->Ask('C', "?!IPTV");
  ASSERT_TRUE(extended);
  ASSERT_EQ(extended->body.size(), 1u + 2 + 2 + 4 + 4);
  EXPECT_EQ(extended->body[1], 0x30) << "powered, high voltage on";
  EXPECT_EQ(extended->body.substr(5, 8), "43.210.5");
  const auto plain = bus_->Ask('C', "?1IPTV");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->body.size(), 1u + 2 + 4 + 4);

  const auto refused = bus_->Ask('D', "?!IPTV");
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->refused) << "an older controller does not know the longer status";
  const auto old_status = bus_->Ask('D', "?1IPTV");
  ASSERT_TRUE(old_status);
  EXPECT_FALSE(old_status->refused);

  Ok("set C remote on");
  const auto remote = bus_->Ask('C', "?!IPTV");
  ASSERT_TRUE(remote);
  EXPECT_EQ(remote->body[1] & 0x04, 0x04);
  EXPECT_EQ(remote->body[3] & 0x08, 0x08);
}

TEST_F(SimTest, AControllerRestartsIntoStandby) {
  Launch({"--controller", "C", "--reboot-ms", "300"});
  const auto restart = bus_->Ask('C', "~");
  ASSERT_TRUE(restart);
  EXPECT_EQ(restart->body, "~");
  EXPECT_FALSE(bus_->Ask('C', "0", 150)) << "quiet while restarting";
  std::optional<Reply> status;
  for (int i = 0; i < 20 && !status; ++i) status = bus_->Ask('C', "?1IPTV", 100);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->body[1], 0x28) << "powered, standby";
  EXPECT_EQ(Ok("get C restarts"), "1");
}

}  // namespace
}  // namespace sim_test
