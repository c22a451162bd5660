#include <time.h>

#include <cerrno>

#include "platform/counter.h"
#include "platform/system_counter.h"

namespace platform {
namespace {

// Microseconds: the link clock compares the low 32 bits of two readings as a
// signed difference, which stays right for 2^31 ticks. At 1 MHz that is about
// 35 minutes, longer than any pause between two tests of a timer (a firmware
// download suspends polling for minutes); at 1 GHz it would be 2.1 seconds.
constexpr std::int64_t ticks_per_second = 1'000'000;

}  // namespace

std::uint64_t SystemCounter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * ticks_per_second +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}

std::int64_t SystemCounterFrequency() { return ticks_per_second; }

void SleepMsec(unsigned msec) {
  timespec rest{static_cast<time_t>(msec / 1000), static_cast<long>(msec % 1000) * 1'000'000};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
