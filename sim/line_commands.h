// The serial setup commands every device knows: "XR?" and "X?"/"X1?"/"X2?" report the
// RS-485 wiring and a port's settings; "XR" + mode + termination + address and
// "X%d%06lu%c%d%d" change them. A change is handed back rather than made, so that the link
// can make it once the answer has left the device.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "sim/frame_codec.h"
#include "sim/line_settings.h"

namespace sim {

struct LineChange {
  DeviceLine line;                      // the settings after the change
  std::optional<std::uint8_t> address;  // the device's new poll address
  bool at_once = false;                 // in force before any answer, and none is sent
};

struct LineReply {
  Answer answer;  // silent for a change made at once
  std::optional<LineChange> change;
};

bool IsLineCommand(std::string_view body);
// The answer of the device at `address` with these settings to a serial setup command; a
// refusal for a malformed one, or for any set while the device refuses them.
LineReply RunLineCommand(const DeviceLine& line, std::uint8_t address, std::string_view body);

}  // namespace sim
