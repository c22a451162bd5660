#include <sys/resource.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "records/program_state.h"
#include "fake_line.h"
#include "link/exchange.h"

namespace {

using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

int FramesIn(const std::string& sent, const std::string& frame) {
  int count = 0;
  for (std::size_t at = sent.find(frame); at != std::string::npos; at = sent.find(frame, at + 1)) {
    ++count;
  }
  return count;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(DoCommand, AnAnswerEndsTheExchangeAtOnce) {
  FakeLine line;
  retries = 0;
  line.Feed(TessaryAnswer('A', "0part"));
  const auto start = Clock::now();
  EXPECT_EQ(DoCommand('A', "00", 0, 2000, 4), 1);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(line.Sent(), "\x02" "A00\x03\x40"s);
  EXPECT_EQ(Captured(), TessaryAnswer('A', "0part"));
  EXPECT_EQ(retries, 0);
}

TEST(DoCommand, TriesAndRetriesWhenNobodyAnswers) {
  FakeLine line;
  retries = 0;
  const std::string frame = "\x02" "A0\x03"s + static_cast<char>(0x02 ^ 'A' ^ '0' ^ 0x03);
  // No tries still makes one, followed by the pause after a failed try.
  auto start = Clock::now();
  EXPECT_EQ(DoCommand('A', "0", 0, 30, 0), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(125));
  EXPECT_EQ(FramesIn(line.Sent(), frame), 1);
  EXPECT_EQ(retries, 1);
  // Only the first three failures pause and count.
  retries = 0;
  start = Clock::now();
  EXPECT_EQ(DoCommand('A', "0", 1, 30, 5), 0);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(5 * 30 + 3 * 100 - 5));
  EXPECT_LT(took, std::chrono::milliseconds(5 * 30 + 3 * 100 + 1500));
  EXPECT_EQ(FramesIn(line.Sent(), frame), 5);
  EXPECT_EQ(retries, 3);
  // A time limit of nothing still looks once per try and returns.
  EXPECT_EQ(DoCommand('A', "0", 1, 0, 2), 0);
  EXPECT_EQ(FramesIn(line.Sent(), frame), 2);
}

TEST(DoCommand, ARefusalFailsEachTryAfterItsTimeLimit) {
  FakeLine line;
  line.Feed(TessaryAnswer('A', "0", 0x15));
  const auto start = Clock::now();
  EXPECT_EQ(DoCommand('A', "0", 0, 200, 1), 0);
  // The verdict was known at once, but the try still takes its time.
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(295));
}

TEST(DoCommand, WaitingForASilentDeviceLeavesTheCoreAlone) {
  FakeLine line;
  const double cpu_before = CpuSeconds();
  const auto start = Clock::now();
  EXPECT_EQ(DoCommand('A', "0", 0, 2000, 1), 0);
  // A refused answer is waited out too, without spinning on its verdict.
  line.Feed(TessaryAnswer('A', "0", 0x15) + "trailing bytes");
  EXPECT_EQ(DoCommand('A', "0", 0, 500, 1), 0);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu_before;
  EXPECT_GE(wall, 2.6);
  EXPECT_LT(cpu / wall, 0.05) << cpu << " s of CPU in " << wall << " s";
}

TEST(LoneCommand, TakesUpAStaleAnswerAndRestoresPolling) {
  FakeLine line;
  polling_enabled = 1;
  // An answer to an earlier poll, still in the line: DoCommand alone would
  // take it for the answer, LoneCommand swallows it first.
  line.Feed(TessaryAnswer('A', "?stale"));
  EXPECT_EQ(LoneCommand('A', "00", 0, 50, 1), 0);
  EXPECT_EQ(polling_enabled, 1);
  line.Feed(TessaryAnswer('A', "?stale"));
  EXPECT_EQ(DoCommand('A', "00", 0, 50, 1), 1);
}

}  // namespace
