// Decides, answer by answer, which line faults spoil it; repeatable from a seed.
#pragma once

#include <random>
#include <string>

#include "sim/fault_rates.h"

namespace sim {

struct AnswerFate {
  bool drop = false;
  bool nak = false;
  bool bad_checksum = false;
  int delay_ms = 0;
  std::string garbage;  // sent before the answer
};

class FaultInjector {
 public:
  explicit FaultInjector(unsigned seed) : random_(seed) {}
  FaultRates& Rates() { return rates_; }
  AnswerFate Decide();

 private:
  bool Chance(double rate);
  FaultRates rates_;
  std::mt19937 random_;
};

}  // namespace sim
