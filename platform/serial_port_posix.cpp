#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/counter.h"
#include "platform/serial_port.h"
#include "platform/serial_port_calls.h"
#include "platform/serial_termios_posix.h"

namespace platform {
namespace {

// What sending on a configured port needs to know.
struct LineState {
  std::int32_t baud;
  int bits_per_char;  // start, data, parity and stop bits
  bool toggle_rts;    // RTS raised and lowered here around every write
};

// A handle never configured here (a socket standing in for the line) has no
// line state: nothing to toggle, nothing to wait for.
std::map<PortHandle, LineState> port_lines;

// Beyond twice the bytes' time on the line: drivers and USB adapters that
// pass bytes on in batches.
constexpr std::uint64_t send_margin_msec = 500;

// "COM1" to "COM256" as their DOS names; the first port is ttyS0.
bool IsComName(const char* name, long* number) {
  if (strncasecmp(name, "COM", 3) != 0 || !std::isdigit(static_cast<unsigned char>(name[3]))) {
    return false;
  }
  char* end = nullptr;
  *number = std::strtol(name + 3, &end, 10);
  return *end == '\0' && *number >= 1;
}

std::string OpenFailure(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such port";
    case EACCES:
    case EPERM:
      return "no permission to open it";
    case EBUSY:
      return "in use by another program";
    default:
      return std::strerror(error);
  }
}

std::string Describe(const LineFormat& format) {
  static const char* const parities[] = {"no", "odd", "even"};
  return std::to_string(format.baud) + " baud, " + std::to_string(format.data_bits) +
         " data bits, " + parities[static_cast<int>(format.parity)] + " parity, " +
         std::to_string(format.stop_bits) + (format.stop_bits == 1 ? " stop bit" : " stop bits");
}

// A driver that cannot make a rate falls back to another one (mostly 9600)
// rather than fail; one within 2% of the request is the rate the receiver
// sees.
bool RateHeld(std::int32_t wanted, speed_t held) {
  const std::int64_t difference = static_cast<std::int64_t>(held) - wanted;
  return std::abs(difference) * 50 <= wanted;
}

// RS-485 direction control by the driver; false when it has none or the mode
// does not stick.
bool DriverTogglesRts(PortCalls& calls, PortHandle port) {
  serial_rs485 mode{};
  if (!calls.GetRs485(port, &mode)) return false;
  mode.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
  mode.flags &= ~SER_RS485_RTS_AFTER_SEND;
  if (!calls.SetRs485(port, mode) || !calls.GetRs485(port, &mode)) return false;
  return (mode.flags & SER_RS485_ENABLED) != 0;
}

void StopDriverToggle(PortCalls& calls, PortHandle port) {
  serial_rs485 mode{};
  if (!calls.GetRs485(port, &mode) || !(mode.flags & SER_RS485_ENABLED)) return;
  mode.flags &= ~SER_RS485_ENABLED;
  calls.SetRs485(port, mode);
}

// Sets up RTS for the format; true when it is to be toggled around writes.
bool SetRts(PortCalls& calls, PortHandle port, RtsControl rts) {
  int modem_lines = 0;
  const bool has_modem_lines = calls.GetModemLines(port, &modem_lines);
  if (has_modem_lines) calls.SetModemLines(port, TIOCM_DTR, true);
  if (rts == RtsControl::handshake) {
    StopDriverToggle(calls, port);
    if (has_modem_lines) calls.SetModemLines(port, TIOCM_RTS, true);
    return false;
  }
  if (DriverTogglesRts(calls, port) || !has_modem_lines) return false;
  // Released between writes, so that an RTS-keyed converter frees the bus.
  calls.SetModemLines(port, TIOCM_RTS, false);
  return true;
}

std::uint64_t SendLimitMsec(const LineState& line, std::size_t count) {
  return static_cast<std::uint64_t>(count) * line.bits_per_char * 2000 /
             static_cast<std::uint64_t>(line.baud) +
         send_margin_msec;
}

unsigned MsecLeft(PortCalls& calls, std::uint64_t deadline) {
  const std::uint64_t now = calls.NowMsec();
  return now < deadline ? static_cast<unsigned>(deadline - now) : 0;
}

bool WriteUntil(PortCalls& calls, PortHandle port, const unsigned char* bytes, std::size_t count,
                std::uint64_t deadline) {
  while (count > 0) {
    const ssize_t written = calls.Write(port, bytes, count);
    if (written > 0) {
      bytes += written;
      count -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN) return false;
    // The output buffer is full: wait for room without spinning.
    const unsigned left = MsecLeft(calls, deadline);
    if (left == 0 || !calls.WaitWritable(port, static_cast<int>(left))) return false;
  }
  return true;
}

// Waits for the queue to empty, sleeping about as long as the queued bytes
// take, then for the transmitter.
bool DrainUntil(PortCalls& calls, PortHandle port, const LineState& line, std::uint64_t deadline) {
  for (;;) {
    const int queued = calls.OutputQueue(port);
    if (queued < 0) return false;
    if (queued == 0) break;
    const unsigned left = MsecLeft(calls, deadline);
    if (left == 0) return false;
    const auto line_time = static_cast<unsigned>(static_cast<std::uint64_t>(queued) *
                                                 line.bits_per_char * 1000 / line.baud);
    calls.SleepMsec(std::clamp(line_time, 1u, left));
  }
  calls.DrainHardware(port);
  return true;
}

}  // namespace

std::string PortDevicePath(const char* name) {
  long number = 0;
  if (IsComName(name, &number)) return "/dev/ttyS" + std::to_string(number - 1);
  if (name[0] == '/') return name;
  return std::string("/dev/") + name;
}

PortHandle OpenPort(const char* name, std::string* reason) {
  const std::string path = PortDevicePath(name);
  const int port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (port < 0) {
    *reason = OpenFailure(errno);
    return no_port;
  }
  termios2 current{};
  if (ioctl(port, TCGETS2, &current) != 0) {
    *reason = "not a serial port";
    close(port);
    return no_port;
  }
  // TIOCEXCL does not hold back a privileged opener; the lock does.
  if (ioctl(port, TIOCEXCL) != 0 || flock(port, LOCK_EX | LOCK_NB) != 0) {
    *reason = "in use by another program";
    close(port);
    return no_port;
  }
  return port;
}

void ClosePort(PortHandle port) {
  if (port == no_port) return;
  port_lines.erase(port);
  // The exclusive mark belongs to the line, not to the handle: it outlives
  // this close while anybody else (a pty's other side) holds the line open.
  ioctl(port, TIOCNXCL);
  close(port);
}

bool ConfigurePort(PortHandle port, const LineFormat& format, std::string* reason) {
  PortCalls& calls = CurrentPortCalls();
  termios2 current{};
  termios2 wanted{};
  if (!calls.GetLine(port, &current)) {
    *reason = "its settings cannot be read";
    return false;
  }
  if (!BuildTermios(current, format, &wanted)) {
    *reason = "no such line format: " + Describe(format);
    return false;
  }
  termios2 held{};
  if (!calls.SetLine(port, wanted) || !calls.GetLine(port, &held)) {
    *reason = "the driver refused " + Describe(format);
    return false;
  }
  if (!RateHeld(format.baud, held.c_ospeed)) {
    *reason = "the driver refused " + std::to_string(format.baud) + " baud";
    return false;
  }
  const int parity_bits = format.parity == Parity::none ? 0 : 1;
  port_lines[port] = {format.baud, 1 + format.data_bits + parity_bits + format.stop_bits,
                      SetRts(calls, port, format.rts)};
  return true;
}

std::size_t ReadPort(PortHandle port, unsigned char* bytes, std::size_t size) {
  const ssize_t count = read(port, bytes, size);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool WritePort(PortHandle port, const unsigned char* bytes, std::size_t count) {
  PortCalls& calls = CurrentPortCalls();
  const auto found = port_lines.find(port);
  if (found == port_lines.end()) {
    return WriteUntil(calls, port, bytes, count, calls.NowMsec() + send_margin_msec);
  }
  const LineState& line = found->second;
  // Bytes still queued from an earlier write go first.
  const int queued = std::max(calls.OutputQueue(port), 0);
  const std::uint64_t deadline =
      calls.NowMsec() + SendLimitMsec(line, count + static_cast<std::size_t>(queued));
  if (line.toggle_rts) calls.SetModemLines(port, TIOCM_RTS, true);
  const bool sent = WriteUntil(calls, port, bytes, count, deadline) &&
                    (!line.toggle_rts || DrainUntil(calls, port, line, deadline));
  if (!sent) calls.DiscardOutput(port);
  if (line.toggle_rts) calls.SetModemLines(port, TIOCM_RTS, false);
  return sent;
}

bool DrainPort(PortHandle port) {
  const auto found = port_lines.find(port);
  if (found == port_lines.end()) return true;
  PortCalls& calls = CurrentPortCalls();
  const int queued = calls.OutputQueue(port);
  if (queued < 0) return false;
  const std::uint64_t deadline =
      calls.NowMsec() + SendLimitMsec(found->second, static_cast<std::size_t>(queued));
  if (DrainUntil(calls, port, found->second, deadline)) return true;
  calls.DiscardOutput(port);
  return false;
}

bool WaitReadable(PortHandle port, int msec) {
  if (msec < 0) msec = 0;
  pollfd input{port, POLLIN, 0};
  if (poll(&input, 1, msec) <= 0) return false;
  if ((input.revents & POLLIN) && !(input.revents & (POLLHUP | POLLERR | POLLNVAL))) return true;
  // A hung-up or failed line reports at once (a pty whose other side went
  // also reports input that no read delivers); sleeping out the time keeps a
  // caller's wait loop from spinning on it.
  SleepMsec(static_cast<unsigned>(msec));
  return false;
}

}  // namespace platform
