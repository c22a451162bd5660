// A local serial port: exclusive open, raw bytes, reads that never wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using PortHandle = int;
constexpr PortHandle no_port = -1;

enum class Parity { none, odd, even };
// toggle: RTS only while characters go out (RS-485 drivers), by the driver
// where it can, else around each write;
// handshake: RTS asserted while the port is open, the console always being
// ready to receive; output never waits for CTS.
enum class RtsControl { toggle, handshake };
// keep: leave parity checking as the driver has it.
enum class ParityCheck { keep, on };

struct LineFormat {
  std::int32_t baud;
  int data_bits;  // 5 to 8
  Parity parity;
  int stop_bits;  // 1 or 2
  RtsControl rts;
  ParityCheck parity_check;
};

// The device the operating system opens for a port name.
std::string PortDevicePath(const char* name);
// no_port when the port is missing, held by somebody else, or not a serial
// port; *reason then says which.
PortHandle OpenPort(const char* name, std::string* reason);
void ClosePort(PortHandle port);
// false when the format cannot be set or the driver refuses part of it (a
// rate it cannot make, ...); *reason then names the setting.
bool ConfigurePort(PortHandle port, const LineFormat& format, std::string* reason);
// The bytes that have already arrived, at most size; 0 when none (or on error).
std::size_t ReadPort(PortHandle port, unsigned char* bytes, std::size_t size);
// Writes everything, waiting for room as needed; where RTS is toggled here,
// RTS is raised first and lowered once the bytes have left. false on an
// error or when the bytes have not gone within twice their time on the line
// plus a margin; what is left unsent is then discarded.
bool WritePort(PortHandle port, const unsigned char* bytes, std::size_t count);
// Returns when the bytes written have left the port; false when they have
// not within the same kind of limit (they are then discarded).
bool DrainPort(PortHandle port);
// true when a byte can be read now or arrives within msec milliseconds.
bool WaitReadable(PortHandle port, int msec);

}  // namespace platform
