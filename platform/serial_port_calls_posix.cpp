#include <asm/termbits.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/counter.h"
#include "platform/serial_port_calls.h"

namespace platform {
namespace {

class SystemPortCalls : public PortCalls {
 public:
  bool GetLine(int port, termios2* line) override { return ioctl(port, TCGETS2, line) == 0; }
  bool SetLine(int port, const termios2& line) override { return ioctl(port, TCSETS2, &line) == 0; }
  bool GetRs485(int port, serial_rs485* mode) override {
    return ioctl(port, TIOCGRS485, mode) == 0;
  }
  bool SetRs485(int port, const serial_rs485& mode) override {
    serial_rs485 copy = mode;
    return ioctl(port, TIOCSRS485, &copy) == 0;
  }
  bool GetModemLines(int port, int* lines) override { return ioctl(port, TIOCMGET, lines) == 0; }
  void SetModemLines(int port, int lines, bool on) override {
    ioctl(port, on ? TIOCMBIS : TIOCMBIC, &lines);
  }
  ssize_t Write(int port, const unsigned char* bytes, std::size_t count) override {
    return write(port, bytes, count);
  }
  bool WaitWritable(int port, int msec) override {
    pollfd room{port, POLLOUT, 0};
    if (poll(&room, 1, msec) <= 0) return false;
    return !(room.revents & (POLLERR | POLLHUP | POLLNVAL));
  }
  int OutputQueue(int port) override {
    int queued = 0;
    return ioctl(port, TIOCOUTQ, &queued) == 0 ? queued : -1;
  }
  // tcdrain: once the queue is empty only the transmitter's FIFO remains.
  void DrainHardware(int port) override {
    while (ioctl(port, TCSBRK, 1) != 0 && errno == EINTR) {
    }
  }
  void DiscardOutput(int port) override { ioctl(port, TCFLSH, TCOFLUSH); }
  std::uint64_t NowMsec() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
  }
  void SleepMsec(unsigned msec) override { platform::SleepMsec(msec); }
};

SystemPortCalls system_calls;
PortCalls* current_calls = &system_calls;

}  // namespace

PortCalls& CurrentPortCalls() {
  return *current_calls;
}

void UsePortCalls(PortCalls* calls) {
  current_calls = calls ? calls : &system_calls;
}

}  // namespace platform
