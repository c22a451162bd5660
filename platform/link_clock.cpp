#include "platform/link_clock.h"

#include <cmath>
#include <limits>

#include "platform/counter.h"

std::int32_t system_timer_freq = 0;
BITS64 pt_start_time{};
int timer_warning_pending = 1;

namespace {

void (*timer_warning_handler)(const char* text, const char* caption) = nullptr;

constexpr int fallback_step_msec = 50;

void ReadCounterInto(BITS64* reading) {
  const std::uint64_t now = platform::ReadCounter();
  reading->l.upper = static_cast<std::uint32_t>(now);
  reading->l.lower = static_cast<std::uint32_t>(now >> 32);
}

float ElapsedMsec(std::uint32_t start_time) {
  const auto ticks = static_cast<std::int32_t>(GetStartTimer() - start_time);
  return std::fabs(static_cast<float>(ticks) * 1000.0f / static_cast<float>(system_timer_freq));
}

}  // namespace

void SetTimerWarningHandler(void (*handler)(const char* text, const char* caption)) {
  timer_warning_handler = handler;
}

void CheckSystemTimerInit() {
  if (system_timer_freq != 0) return;
  const std::int64_t frequency = platform::CounterFrequency();
  if (frequency > 0) {
    system_timer_freq = static_cast<std::int32_t>(static_cast<std::uint32_t>(frequency));
    return;
  }
  // The poll stopwatch learns the frequency at program load, before the
  // application has a message box; the warning then waits for a later call.
  if (timer_warning_pending && timer_warning_handler) {
    timer_warning_handler("High Performance Timer not found.  Performance may be impacted.", "Warning");
    timer_warning_pending = 0;
  }
}

int PastTime(int msec_interval, std::uint32_t start_time) {
  if (system_timer_freq == 0) {
    if (msec_interval == 0) {
      pt_start_time.l.upper = 0;
      return 0;
    }
    platform::SleepMsec(fallback_step_msec);
    pt_start_time.l.upper += fallback_step_msec;
    return static_cast<std::int64_t>(pt_start_time.l.upper) > msec_interval ? 1 : 0;
  }
  if (msec_interval == 0) {
    ReadCounterInto(&pt_start_time);
    return 0;
  }
  return static_cast<float>(msec_interval) <= ElapsedMsec(start_time) ? 1 : 0;
}

std::uint32_t GetStartTimer() {
  if (system_timer_freq == 0) return 0;
  return static_cast<std::uint32_t>(platform::ReadCounter());
}

std::int32_t PastTimeExpiredMsec() {
  constexpr std::int32_t no_counter = std::numeric_limits<std::int32_t>::max();
  if (system_timer_freq == 0) return no_counter;
  const std::uint32_t ticks = GetStartTimer() - pt_start_time.l.upper;
  const double msec = std::trunc(ticks * 1000.0 / system_timer_freq);
  // A slow counter could make the quotient exceed the result's range.
  return msec >= no_counter ? no_counter : static_cast<std::int32_t>(msec);
}

stopwatch_class::stopwatch_class(std::int32_t interval) {
  CheckSystemTimerInit();
  Reset(interval);
}

void stopwatch_class::Reset(std::int32_t interval) {
  ReadCounterInto(&start_time);
  if (interval != 0) msec_interval = interval;
}

int stopwatch_class::Waiting() {
  if (system_timer_freq == 0) return 0;
  return static_cast<float>(msec_interval) > ElapsedMsec(start_time.l.upper) ? 1 : 0;
}
