// A local serial port: exclusive open, raw bytes, reads that never wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using PortHandle = int;
constexpr PortHandle no_port = -1;

enum class Parity { none, odd, even };
// toggle: RTS only while characters go out (RS-485 drivers);
// handshake: RTS/CTS flow control.
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
// no_port when the port is missing, held by somebody else, or not a serial port.
PortHandle OpenPort(const char* name);
void ClosePort(PortHandle port);
// false when the driver refuses the format (unsupported rate, size, ...).
bool ConfigurePort(PortHandle port, const LineFormat& format);
// The bytes that have already arrived, at most size; 0 when none (or on error).
std::size_t ReadPort(PortHandle port, unsigned char* bytes, std::size_t size);
// Writes everything, waiting for room as needed; false on an error.
bool WritePort(PortHandle port, const unsigned char* bytes, std::size_t count);
// Returns when the bytes written have left the port.
void DrainPort(PortHandle port);
// true when a byte can be read now or arrives within msec milliseconds.
bool WaitReadable(PortHandle port, int msec);

}  // namespace platform
