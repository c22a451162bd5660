// The amplifier's record of past faults: 20 characters each, the hours and the fault's name.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace sim {

class FaultLog {
 public:
  FaultLog();
  void Add(double beam_hours, std::string_view text);
  std::size_t Size() const { return records_.size(); }
  // Oldest first. Each record is 20 characters and a zero byte: 21 bytes.
  const std::string& Record(std::size_t index) const { return records_[index]; }
  // The newest records that fit in `room` bytes, oldest of them first.
  std::string Records(std::size_t room) const;

 private:
  std::deque<std::string> records_;
};

}  // namespace sim
