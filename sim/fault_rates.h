// How often each kind of line fault spoils an answer; every rate is a fraction 0..1.
#pragma once

namespace sim {

struct FaultRates {
  double drop = 0;   // no answer at all
  double delay = 0;  // the answer comes delay_ms late
  int delay_ms = 500;
  double nak = 0;           // the device refuses instead of answering
  double bad_checksum = 0;  // the answer's checksum is wrong
  double garbage = 0;       // noise bytes go out before the answer
};

}  // namespace sim
