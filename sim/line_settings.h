// A device's serial line settings: its two ports, which of them is on the bus, the RS-485
// wiring and termination, and how it takes changes; and the line as the console holds it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct PortSettings {
  long rate = 9600;
  char parity = 'N';  // 'N', 'E' or 'O'
  int data_bits = 8;
  int stop_bits = 1;
};

struct DeviceLine {
  PortSettings ports[2];   // COM1, COM2
  int default_port = 1;    // the port on the bus
  char mode = '2';         // RS-485 two-wire or four-wire: '2' or '4'
  char termination = 'T';  // 'T' terminated, 'U' unterminated
  bool any = true;         // answers whatever the line's settings
  bool at_once = false;    // a port set takes effect at once, without an answer
  bool refuse = false;     // every set is refused
  bool noise = false;      // a frame at the wrong settings gets noise instead of silence

  PortSettings& Port(int number) { return ports[number - 1]; }
  const PortSettings& Port(int number) const { return ports[number - 1]; }
  const PortSettings& Default() const { return Port(default_port); }
};

// The line as the console set it, read on the simulator's side.
struct LineState {
  long speed = 0;  // 0 when not a standard rate
  int stop_bits = 1;
  unsigned cflag = 0;
};

// A rate a device's port can take: one of the eight standard ones from 1200 to 115200.
bool IsSupportedRate(long rate);
// "19200:N82" to settings; nothing when malformed.
std::optional<PortSettings> ParsePortSettings(std::string_view text);
std::string FormatPortSettings(const PortSettings& port);
// "19200:N82,port=2,other=9600:N81,mode=4,term=U,at_once,refuse,noise": items left out take
// their defaults; without the settings first the device answers at any settings. An error
// text, empty on success.
std::string ParseDeviceLine(std::string_view text, DeviceLine* line);
// Every item written out, in the order above, "any" after the settings when it holds.
std::string FormatDeviceLine(const DeviceLine& line);
// Whether the device hears a frame sent at these settings: the speed and the stop bits of
// its default port (data bits and parity cannot be seen on a pseudo-terminal).
bool Hears(const DeviceLine& line, const LineState& state);

}  // namespace sim
