// The amplifier's record of past faults: 20 characters each, the hours and the fault's name.
// The control channel can replace it with generated records or with raw bytes, and make the
// amplifier keep quiet on, or refuse, the command that reads it.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "sim/frame_codec.h"

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

  // The answer to "4": its kind letter and the newest records that fit the family's body,
  // or the raw payload whatever its length, or nothing, or a refusal.
  Answer Reply(std::size_t body_room);
  // "clear", "add HOURS TEXT", "generate N", "raw BYTES" (escaped as on the control
  // channel), "answer", "silent", "nak"; an error text, empty on success.
  std::string Control(std::string_view setting);
  // How many "4" commands came.
  long Requests() const { return requests_; }

 private:
  enum class Mode { answer, silent, nak };
  std::deque<std::string> records_;
  std::optional<std::string> raw_;
  Mode mode_ = Mode::answer;
  long requests_ = 0;
};

}  // namespace sim
