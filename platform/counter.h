// The monotonic high-resolution counter and the millisecond sleep.
#pragma once

#include <cstdint>

namespace platform {

// Counter ticks since an arbitrary origin; never goes backwards.
std::uint64_t ReadCounter();
// Ticks per second, or 0 when the machine has no high-resolution counter.
std::int64_t CounterFrequency();
void SleepMsec(unsigned msec);

// Test seam: a counter moved by hand. A frequency of 0 stands for a machine
// without a counter. UseSystemCounter puts the real one back.
void UseManualCounter(std::int64_t frequency);
void SetManualCounter(std::uint64_t ticks);
void UseSystemCounter();

}  // namespace platform
