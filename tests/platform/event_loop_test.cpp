#include "platform/event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Pipe {
  int fds[2];
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
};

TEST(EventLoop, TimersKeepTheirPeriodAndTheLimitEndsTheRun) {
  platform::EventLoop loop;
  std::vector<int> fired;
  loop.AddTimer(20, [&] { fired.push_back(20); });
  loop.AddTimer(50, [&] { fired.push_back(50); });
  const auto start = Clock::now();
  EXPECT_FALSE(loop.Run(nullptr, 115));
  const long took = MsSince(start);
  EXPECT_GE(took, 115);
  EXPECT_LT(took, 400);
  // A loaded machine may delay a firing, never add one.
  const auto fast = std::count(fired.begin(), fired.end(), 20);
  EXPECT_GE(fast, 4);
  EXPECT_LE(fast, 5);
  EXPECT_EQ(std::count(fired.begin(), fired.end(), 50), 2);
}

TEST(EventLoop, ReadableDescriptorWakesTheLoopAtOnce) {
  platform::EventLoop loop;
  Pipe pipe;
  char got = 0;
  loop.WatchFd(pipe.fds[0], true, false, [&](bool readable, bool) {
    if (readable) {
      EXPECT_EQ(read(pipe.fds[0], &got, 1), 1);
    }
  });
  loop.AddTimer(10, [&] { EXPECT_EQ(write(pipe.fds[1], "x", 1), 1); });
  const auto start = Clock::now();
  EXPECT_TRUE(loop.Run([&] { return got == 'x'; }, 1000));
  EXPECT_LT(MsSince(start), 100);
}

TEST(EventLoop, CallbacksMayRemoveThemselvesAndOthers) {
  platform::EventLoop loop;
  Pipe pipe;
  ASSERT_EQ(write(pipe.fds[1], "x", 1), 1);
  int first_calls = 0, second_calls = 0, timer_calls = 0;
  int first = 0, second = 0, timer = 0;
  // Both watches are ready in the same wake-up; the first removes the second
  // and itself, the second must then not run.
  first = loop.WatchFd(pipe.fds[0], true, false, [&](bool, bool) {
    ++first_calls;
    loop.Unwatch(first);
    loop.Unwatch(second);
  });
  second = loop.WatchFd(pipe.fds[0], true, false, [&](bool, bool) { ++second_calls; });
  timer = loop.AddTimer(5, [&] {
    ++timer_calls;
    loop.RemoveTimer(timer);
  });
  loop.Run(nullptr, 60);
  EXPECT_EQ(first_calls, 1);
  EXPECT_EQ(second_calls, 0);
  EXPECT_EQ(timer_calls, 1);
}

TEST(EventLoop, WritableOnlyWhenAskedAndStopEndsTheRun) {
  platform::EventLoop loop;
  Pipe pipe;
  int writable_calls = 0;
  const int id = loop.WatchFd(pipe.fds[1], false, false, [&](bool, bool writable) {
    if (writable) ++writable_calls;
    loop.Stop();
  });
  EXPECT_FALSE(loop.Run(nullptr, 30));
  EXPECT_EQ(writable_calls, 0);
  loop.UpdateFd(id, false, true);
  EXPECT_TRUE(loop.Run(nullptr, 1000));
  EXPECT_EQ(writable_calls, 1);
}

TEST(EventLoop, NothingToWaitForReturnsRatherThanBlocking) {
  platform::EventLoop loop;
  EXPECT_FALSE(loop.Run());
}

}  // namespace
