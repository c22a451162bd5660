#include "sim/frame_trace.h"

#include <cstdio>

#include "sim/text_format.h"

namespace sim {

void FrameTrace::Add(Clock::time_point when, std::uint8_t address, const std::string& body,
                     const LineState& line) {
  if (entries_.size() == max_entries) entries_.pop_front();
  entries_.push_back({when, address, body, line});
}

std::string FrameTrace::Format() const {
  std::string text = std::to_string(entries_.size());
  for (const Entry& entry : entries_) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(entry.when.time_since_epoch())
            .count();
    char fields[80];
    std::snprintf(fields, sizeof fields, " %lld,%02X,%ld,%d,%X,", static_cast<long long>(ms),
                  entry.address, entry.line.speed, entry.line.stop_bits, entry.line.cflag);
    text += fields;
    text += Escaped(entry.body, true);
  }
  return text;
}

}  // namespace sim
