#include "platform/serial_termios_posix.h"

namespace platform {
namespace {

struct RateCode {
  std::int32_t baud;
  tcflag_t code;
};

// Rates with a code of their own; any other goes as BOTHER with the rate in
// c_ispeed and c_ospeed.
constexpr RateCode rate_codes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t RateCodeOf(std::int32_t baud) {
  for (const RateCode& entry : rate_codes) {
    if (entry.baud == baud) return entry.code;
  }
  return BOTHER;
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

bool BuildTermios(const termios2& current, const LineFormat& format, termios2* result) {
  tcflag_t size = 0;
  if (format.baud <= 0 || !SizeCodeOf(format.data_bits, &size)) return false;
  if (format.stop_bits != 1 && format.stop_bits != 2) return false;

  // Raw: bytes pass unchanged in both directions, no line editing, no signals,
  // no flow control; modem status lines do not gate the port (CLOCAL) and
  // DTR drops when the port closes (HUPCL).
  termios2 t{};
  t.c_line = current.c_line;
  t.c_cflag = RateCodeOf(format.baud) | size | CREAD | CLOCAL | HUPCL;
  if (format.parity != Parity::none) t.c_cflag |= PARENB;
  if (format.parity == Parity::odd) t.c_cflag |= PARODD;
  if (format.stop_bits == 2) t.c_cflag |= CSTOPB;
  // Checking without IGNPAR or PARMRK: a character received with a parity or
  // framing error reads as 0, so the frame around it fails its checksum
  // instead of losing a byte unnoticed or carrying escape bytes.
  const bool check = format.parity_check == ParityCheck::on || (current.c_iflag & INPCK);
  if (check) t.c_iflag = INPCK;
  // A read returns at once with whatever has arrived.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  t.c_ispeed = static_cast<speed_t>(format.baud);
  t.c_ospeed = static_cast<speed_t>(format.baud);
  *result = t;
  return true;
}

}  // namespace platform
