#include "platform/serial_termios_posix.h"

namespace platform {
namespace {

struct RateCode {
  std::int32_t baud;
  speed_t code;
};

// Rates without a code of their own would need the Linux-only termios2
// interface; the console offers none of them.
constexpr RateCode rate_codes[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800}, {921600, B921600},
#endif
};

bool RateCodeOf(std::int32_t baud, speed_t* code) {
  for (const RateCode& entry : rate_codes) {
    if (entry.baud == baud) {
      *code = entry.code;
      return true;
    }
  }
  return false;
}

bool SizeCodeOf(int data_bits, tcflag_t* code) {
  switch (data_bits) {
    case 5: *code = CS5; return true;
    case 6: *code = CS6; return true;
    case 7: *code = CS7; return true;
    case 8: *code = CS8; return true;
    default: return false;
  }
}

}  // namespace

bool BuildTermios(const termios& current, const LineFormat& format, termios* result) {
  speed_t rate = 0;
  tcflag_t size = 0;
  if (!RateCodeOf(format.baud, &rate) || !SizeCodeOf(format.data_bits, &size)) return false;
  if (format.stop_bits != 1 && format.stop_bits != 2) return false;

  termios t = current;
  const tcflag_t parity_check = t.c_iflag & INPCK;
  // Raw: bytes pass unchanged in both directions, no line editing, no signals.
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                 INPCK);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  t.c_cflag |= size | CLOCAL | CREAD;
  if (format.parity != Parity::none) t.c_cflag |= PARENB;
  if (format.parity == Parity::odd) t.c_cflag |= PARODD;
  if (format.stop_bits == 2) t.c_cflag |= CSTOPB;
  if (format.rts == RtsControl::handshake) t.c_cflag |= CRTSCTS;
  t.c_iflag |= format.parity_check == ParityCheck::on ? INPCK : parity_check;
  // A read returns at once with whatever has arrived.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, rate);
  cfsetospeed(&t, rate);
  *result = t;
  return true;
}

}  // namespace platform
