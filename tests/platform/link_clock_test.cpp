#include <gtest/gtest.h>

#include <string>

#include "platform/counter.h"
#include "platform/link_clock.h"

namespace {

// A 1 kHz manual counter: one tick is one millisecond.
class LinkClock : public ::testing::Test {
 protected:
  void SetUp() override { Use(1000, 0); }
  void TearDown() override {
    platform::UseSystemCounter();
    system_timer_freq = 0;
    CheckSystemTimerInit();
  }
  static void Use(std::int64_t frequency, std::uint64_t ticks) {
    platform::UseManualCounter(frequency);
    platform::SetManualCounter(ticks);
    system_timer_freq = 0;
    CheckSystemTimerInit();
  }
};

TEST_F(LinkClock, PastTimeHoldsFromTheIntervalOn) {
  platform::SetManualCounter(5000);
  EXPECT_EQ(PastTime(0, 0), 0);  // restarts the link timer
  const std::uint32_t start = pt_start_time.l.upper;
  EXPECT_EQ(start, 5000u);
  platform::SetManualCounter(5199);
  EXPECT_EQ(PastTime(200, start), 0);
  platform::SetManualCounter(5200);
  EXPECT_EQ(PastTime(200, start), 1);  // equal counts as passed
  EXPECT_EQ(PastTimeExpiredMsec(), 200);
  // A start in the future counts by its distance.
  platform::SetManualCounter(4700);
  EXPECT_EQ(PastTime(300, start), 1);
  EXPECT_EQ(PastTime(301, start), 0);
}

TEST_F(LinkClock, TheLowWordWrapsWithoutHarm) {
  Use(1000, 0xFFFFFF00ull);
  EXPECT_EQ(PastTime(0, 0), 0);
  const std::uint32_t start = GetStartTimer();
  platform::SetManualCounter(0x100000000ull + 0x40);  // 0x140 ticks later, low word wrapped
  EXPECT_EQ(PastTime(320, start), 1);
  EXPECT_EQ(PastTime(321, start), 0);
}

TEST_F(LinkClock, StopwatchWaitsUntilTheIntervalHasFullyPassed) {
  platform::SetManualCounter(100);
  stopwatch_class watch(350);
  EXPECT_EQ(watch.msec_interval, 350);
  platform::SetManualCounter(449);
  EXPECT_EQ(watch.Waiting(), 1);
  platform::SetManualCounter(450);
  EXPECT_EQ(watch.Waiting(), 0);
  watch.Reset(0);  // keeps the interval, restarts from now
  EXPECT_EQ(watch.msec_interval, 350);
  EXPECT_EQ(watch.Waiting(), 1);
  watch.Reset(100);
  platform::SetManualCounter(550);
  EXPECT_EQ(watch.Waiting(), 0);
}

TEST_F(LinkClock, WithoutACounterTimeAdvancesFiftyMillisecondsPerTest) {
  int warnings = 0;
  static int* count = nullptr;
  count = &warnings;
  SetTimerWarningHandler([](const char* text, const char* caption) {
    EXPECT_EQ(std::string(text), "High Performance Timer not found.  Performance may be impacted.");
    EXPECT_EQ(std::string(caption), "Warning");
    ++*count;
  });
  timer_warning_pending = 1;
  Use(0, 0);
  Use(0, 0);  // learning again does not warn again
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(system_timer_freq, 0);
  EXPECT_EQ(PastTimeExpiredMsec(), 2147483647);
  EXPECT_EQ(PastTime(0, 0), 0);
  int calls = 0;
  while (!PastTime(200, 0) && calls < 10) ++calls;
  EXPECT_EQ(calls + 1, 5);  // 50, 100, 150, 200 are not past 200; 250 is
  SetTimerWarningHandler(nullptr);
}

}  // namespace
