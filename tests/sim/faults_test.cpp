#include <gtest/gtest.h>

#include <chrono>

#include "sim_fixture.h"

namespace sim_test {
namespace {

// Which of 40 polls were answered.
std::string AnswerPattern(BusClient& bus) {
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += bus.Ask('A', "55", 100) ? 'x' : '.';
  return pattern;
}

TEST(SimFaults, OneSeedGivesTheSameFaultsEveryRun) {
  std::string patterns[3];
  const char* seeds[3] = {"7", "7", "8"};
  for (int run = 0; run < 3; ++run) {
    test_support::SimProcess sim;
    std::string error;
    ASSERT_TRUE(sim.Start({"--amp", "A", "--drop", "0.5", "--seed", seeds[run]}, &error)) << error;
    BusClient bus(sim.LinkPath());
    patterns[run] = AnswerPattern(bus);
  }
  EXPECT_EQ(patterns[0], patterns[1]);
  EXPECT_NE(patterns[0], patterns[2]);
  EXPECT_NE(patterns[0].find('x'), std::string::npos);
  EXPECT_NE(patterns[0].find('.'), std::string::npos);
}

TEST_F(SimTest, EachFaultSpoilsTheAnswerItsOwnWay) {
  Launch({"--amp", "A", "--nak", "1"});
  const auto refused = bus_->Ask('A', "55");
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->refused);
  EXPECT_TRUE(refused->checksum_ok);

  EXPECT_EQ(Ok("faults nak=0 bad-checksum=1"),
            "drop=0 delay=0 delay-ms=500 nak=0 bad-checksum=1 garbage=0");
  const auto spoiled = bus_->Ask('A', "55");
  ASSERT_TRUE(spoiled);
  EXPECT_FALSE(spoiled->refused);
  EXPECT_FALSE(spoiled->checksum_ok);

  Ok("faults bad-checksum=0 garbage=1");
  for (int i = 0; i < 10; ++i) {
    const auto noisy = bus_->Ask('A', "55");
    ASSERT_TRUE(noisy);
    EXPECT_TRUE(noisy->checksum_ok);
    const std::string& noise = bus_->Skipped();
    EXPECT_GE(noise.size(), 1u);
    EXPECT_LE(noise.size(), 8u);
    // Noise the console's capture can skip: it holds no framing byte.
    for (char byte : noise)
      EXPECT_TRUE(byte != 0x02 && byte != 0x03 && byte != 0x06 && byte != 0x15);
  }

  Ok("faults garbage=0 delay=1 delay-ms=400");
  const auto start = std::chrono::steady_clock::now();
  const auto late = bus_->Ask('A', "55", 2000);
  const auto waited = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(late);
  EXPECT_GE(waited, std::chrono::milliseconds(400));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));

  Ok("faults delay=0 drop=1");
  EXPECT_FALSE(bus_->Ask('A', "55", 300));
  EXPECT_EQ(sim_.Control("faults drop=2"), "error drop must be 0 to 1");
  EXPECT_EQ(sim_.Control("faults jitter=0.5"), "error unknown fault jitter");
}

TEST_F(SimTest, QuillonRefusalsCarryErrorWhichTheConsoleNeverAccepts) {
  Launch({"--amp", "A", "--nak", "1"}, Family::quillon);
  const auto reply = bus_->Ask('A', "55");
  ASSERT_TRUE(reply);
  EXPECT_TRUE(reply->checksum_ok);
  EXPECT_EQ(reply->body, "ERROR");
}

}  // namespace
}  // namespace sim_test
