// A byte stream to the console: the serial bus or one network connection.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "sim/line_settings.h"

namespace sim {

class Transport {
 public:
  enum class ReadResult { open, idle };  // idle: nobody is on the other side (for now)

  virtual ~Transport() = default;
  virtual int Fd() const = 0;
  // Appends whatever has arrived; never waits.
  virtual ReadResult Read(std::string* bytes) = 0;
  // Writes what the stream takes now, never waiting; returns the count written.
  virtual std::size_t Write(std::string_view bytes) = 0;
  // The line's settings as the console holds them now; nothing on a stream without any.
  virtual std::optional<LineState> Line() const { return std::nullopt; }
};

}  // namespace sim
