#include "sim/pty_bus.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

namespace {

struct Speed {
  speed_t code;
  long baud;
};

constexpr Speed speeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                            {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

std::string Failure(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PtyBus::~PtyBus() {
  if (!link_path_.empty()) unlink(link_path_.c_str());
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

std::string PtyBus::Open(const std::string& link_path) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return Failure("posix_openpt");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) return Failure("grantpt");
  const char* name = ptsname(master_);
  if (name == nullptr) return Failure("ptsname");
  const std::string slave_name = name;
  slave_ = open(slave_name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) return Failure("open pty slave");
  // The only time the simulator sets the line: one set of settings serves both sides of a
  // pseudo-terminal, and from now on they are the console's.
  termios settings{};
  if (tcgetattr(slave_, &settings) != 0) return Failure("tcgetattr");
  cfmakeraw(&settings);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(slave_, TCSANOW, &settings) != 0) return Failure("tcsetattr");
  path_ = slave_name;
  if (link_path.empty()) return "";
  // Publish under a temporary name first, so the link never points to a stale line.
  const std::string temporary = link_path + ".new";
  unlink(temporary.c_str());
  if (symlink(slave_name.c_str(), temporary.c_str()) != 0) return Failure("symlink");
  if (rename(temporary.c_str(), link_path.c_str()) != 0) {
    unlink(temporary.c_str());
    return Failure("rename");
  }
  link_path_ = link_path;
  path_ = link_path;
  return "";
}

namespace {

long Baud(const termios& settings) {
  const speed_t code = cfgetospeed(&settings);
  for (const Speed& speed : speeds) {
    if (speed.code == code) return speed.baud;
  }
  return 0;
}

}  // namespace

std::optional<LineState> PtyBus::Line() const {
  // Read only: the settings are the console's.
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return std::nullopt;
  return LineState{Baud(settings), (settings.c_cflag & CSTOPB) ? 2 : 1,
                   static_cast<unsigned>(settings.c_cflag)};
}

std::string PtyBus::LineSettings() const {
  // The master reads the settings the console made on the slave side.
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return "unknown";
  return std::to_string(Baud(settings)) + ((settings.c_cflag & CSTOPB) ? " 2" : " 1");
}

std::string PtyBus::LineFormat() const {
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return "unknown";
  const tcflag_t size = settings.c_cflag & CSIZE;
  const char bits = size == CS5 ? '5' : size == CS6 ? '6' : size == CS7 ? '7' : '8';
  const char parity = !(settings.c_cflag & PARENB) ? 'N' : (settings.c_cflag & PARODD) ? 'O' : 'E';
  return std::to_string(Baud(settings)) + " " + bits + parity +
         ((settings.c_cflag & CSTOPB) ? '2' : '1');
}

std::string PtyBus::Handshake() const {
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return "unknown";
  return (settings.c_cflag & CRTSCTS) ? "rtscts" : "none";
}

Transport::ReadResult PtyBus::Read(std::string* bytes) {
  char buffer[512];
  // Bounded, so that an endless stream still lets the rest of the loop run.
  for (int reads = 0; reads < 64; ++reads) {
    const ssize_t count = read(master_, buffer, sizeof buffer);
    if (count > 0) {
      bytes->append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    // EIO: no one holds the slave side; EAGAIN: nothing more for now.
    return count < 0 && errno == EIO ? ReadResult::idle : ReadResult::open;
  }
  return ReadResult::open;
}

std::size_t PtyBus::Write(std::string_view bytes) {
  const ssize_t count = write(master_, bytes.data(), bytes.size());
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

}  // namespace sim
