#include "sim/fault_injector.h"

#include "sim/frame_codec.h"

namespace sim {

bool FaultInjector::Chance(double rate) {
  return std::uniform_real_distribution<double>(0, 1)(random_) < rate;
}

AnswerFate FaultInjector::Decide() {
  // Every draw is made whatever the rates, so one seed gives one sequence of fates.
  AnswerFate fate;
  fate.drop = Chance(rates_.drop);
  fate.nak = Chance(rates_.nak);
  fate.bad_checksum = Chance(rates_.bad_checksum);
  const bool delayed = Chance(rates_.delay);
  const bool noisy = Chance(rates_.garbage);
  const int noise_length = std::uniform_int_distribution<int>(1, 8)(random_);
  if (delayed) fate.delay_ms = rates_.delay_ms;
  for (int i = 0; noisy && i < noise_length; ++i) {
    char byte;
    do {
      byte = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random_));
    } while (IsFramingByte(byte));
    fate.garbage.push_back(byte);
  }
  return fate;
}

}  // namespace sim
