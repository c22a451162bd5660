#pragma once

#include <chrono>

namespace sim {

using Clock = std::chrono::steady_clock;

inline Clock::time_point After(Clock::time_point from, int msec) {
  return from + std::chrono::milliseconds(msec);
}

}  // namespace sim
