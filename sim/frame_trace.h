// A record of every frame the bus received, with the line's settings at that moment, so a
// test can check what the console sent and how it had set the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "sim/clock.h"
#include "sim/line_settings.h"

namespace sim {

class FrameTrace {
 public:
  void Add(Clock::time_point when, std::uint8_t address, const std::string& body,
           const LineState& line);
  void Clear() { entries_.clear(); }
  // "N ENTRY...", oldest first, each entry "MS,AA,SPEED,STOP,CFLAG,BODY" with the body
  // escaped (the blank too) and the time in milliseconds of the steady clock.
  std::string Format() const;

 private:
  static constexpr std::size_t max_entries = 10000;
  struct Entry {
    Clock::time_point when;
    std::uint8_t address;
    std::string body;
    LineState line;
  };
  std::deque<Entry> entries_;
};

}  // namespace sim
