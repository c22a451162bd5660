#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/counter.h"
#include "platform/serial_port.h"
#include "platform/serial_termios_posix.h"

namespace platform {
namespace {

// "COM1" to "COM256" as their DOS names; the first port is ttyS0.
bool IsComName(const char* name, long* number) {
  if (strncasecmp(name, "COM", 3) != 0 || !std::isdigit(static_cast<unsigned char>(name[3]))) {
    return false;
  }
  char* end = nullptr;
  *number = std::strtol(name + 3, &end, 10);
  return *end == '\0' && *number >= 1;
}

// RTS raised only while sending, where the driver can do it (RS-485
// transceivers); other drivers, pseudo-terminals among them, are left alone.
void SetRtsToggle(PortHandle port, bool on) {
  serial_rs485 rs485{};
  if (ioctl(port, TIOCGRS485, &rs485) != 0) return;
  if (on) {
    rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs485.flags &= ~SER_RS485_RTS_AFTER_SEND;
  } else {
    rs485.flags &= ~SER_RS485_ENABLED;
  }
  ioctl(port, TIOCSRS485, &rs485);
}

}  // namespace

std::string PortDevicePath(const char* name) {
  long number = 0;
  if (IsComName(name, &number)) return "/dev/ttyS" + std::to_string(number - 1);
  if (name[0] == '/') return name;
  return std::string("/dev/") + name;
}

PortHandle OpenPort(const char* name) {
  const std::string path = PortDevicePath(name);
  const int port = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (port < 0) return no_port;
  termios current{};
  // TIOCEXCL does not hold back a privileged opener; the lock does.
  if (tcgetattr(port, &current) != 0 || ioctl(port, TIOCEXCL) != 0 || flock(port, LOCK_EX | LOCK_NB) != 0) {
    close(port);
    return no_port;
  }
  return port;
}

void ClosePort(PortHandle port) {
  if (port == no_port) return;
  // The exclusive mark belongs to the line, not to the handle: it outlives
  // this close while anybody else (a pty's other side) holds the line open.
  ioctl(port, TIOCNXCL);
  close(port);
}

bool ConfigurePort(PortHandle port, const LineFormat& format) {
  termios current{};
  termios wanted{};
  if (tcgetattr(port, &current) != 0 || !BuildTermios(current, format, &wanted)) return false;
  if (tcsetattr(port, TCSANOW, &wanted) != 0) return false;
  SetRtsToggle(port, format.rts == RtsControl::toggle);
  // Pseudo-terminals have no modem lines.
  const int dtr = TIOCM_DTR;
  ioctl(port, TIOCMBIS, &dtr);
  return true;
}

std::size_t ReadPort(PortHandle port, unsigned char* bytes, std::size_t size) {
  const ssize_t count = read(port, bytes, size);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

bool WritePort(PortHandle port, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(port, bytes, count);
    if (written > 0) {
      bytes += written;
      count -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN) return false;
    // The output buffer is full: wait for room without spinning.
    pollfd room{port, POLLOUT, 0};
    if (poll(&room, 1, -1) < 0 && errno != EINTR) return false;
    if (room.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  }
  return true;
}

void DrainPort(PortHandle port) {
  while (tcdrain(port) != 0 && errno == EINTR) {
  }
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
