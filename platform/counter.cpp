#include "platform/counter.h"

#include "platform/system_counter.h"

namespace platform {
namespace {

// Plain constants so that the state is ready before any static constructor
// (the poll stopwatch reads the counter at program load).
bool manual = false;
std::int64_t manual_frequency = 0;
std::uint64_t manual_ticks = 0;

}  // namespace

std::uint64_t ReadCounter() { return manual ? manual_ticks : SystemCounter(); }

std::int64_t CounterFrequency() { return manual ? manual_frequency : SystemCounterFrequency(); }

void UseManualCounter(std::int64_t frequency) {
  manual = true;
  manual_frequency = frequency;
  manual_ticks = 0;
}

void SetManualCounter(std::uint64_t ticks) { manual_ticks = ticks; }

void UseSystemCounter() { manual = false; }

}  // namespace platform
