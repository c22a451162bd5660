// The device calls behind a serial port, replaceable so that the order of
// modem-line, write and drain operations can be checked without a device
// (pseudo-terminals have no modem lines).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

struct termios2;
struct serial_rs485;

namespace platform {

class PortCalls {
 public:
  virtual ~PortCalls() = default;
  virtual bool GetLine(int port, termios2* line) = 0;
  virtual bool SetLine(int port, const termios2& line) = 0;
  // The driver's RS-485 mode; false when the driver has none.
  virtual bool GetRs485(int port, serial_rs485* mode) = 0;
  virtual bool SetRs485(int port, const serial_rs485& mode) = 0;
  // false when the port has no modem lines.
  virtual bool GetModemLines(int port, int* lines) = 0;
  virtual void SetModemLines(int port, int lines, bool on) = 0;
  // As write(2) on a non-blocking handle: -1 with errno EAGAIN when full.
  virtual ssize_t Write(int port, const unsigned char* bytes, std::size_t count) = 0;
  // true when there is room to write within msec milliseconds.
  virtual bool WaitWritable(int port, int msec) = 0;
  // Bytes written but not yet handed to the hardware; -1 on an error.
  virtual int OutputQueue(int port) = 0;
  // Waits for the hardware to send what it holds (the driver bounds this).
  virtual void DrainHardware(int port) = 0;
  virtual void DiscardOutput(int port) = 0;
  virtual std::uint64_t NowMsec() = 0;
  virtual void SleepMsec(unsigned msec) = 0;
};

// The operating system's calls unless a test put others in.
PortCalls& CurrentPortCalls();
// nullptr puts the operating system's calls back.
void UsePortCalls(PortCalls* calls);

}  // namespace platform
