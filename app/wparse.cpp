#include "app/wparse.h"

#include <cstring>

#include "records/device_records.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"

namespace {

// The captured frame, read at fixed positions; a position past the captured
// bytes reads as 0, so an answer of any length decodes without overrun.
class Frame {
 public:
  explicit Frame(const protocol_struct& buffer) : buffer_(buffer) {}
  unsigned char At(int position) const {
    const int count =
        buffer_.receive_count < response_buffer_size ? buffer_.receive_count : response_buffer_size;
    return position >= 0 && position < count ? buffer_.response_buf[position] : 0;
  }
  // Copies width characters into text and terminates it.
  void Text(int position, int width, char* text) const {
    for (int n = 0; n < width; ++n) text[n] = static_cast<char>(At(position + n));
    text[width] = 0;
  }
  int Count() const { return buffer_.receive_count; }

 private:
  const protocol_struct& buffer_;
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The number at the start of a field's own characters: blanks skipped, an
// optional sign, digits and (with fraction) a decimal fraction; 0 when none.
double FieldNumber(const char* field, bool fraction) {
  const char* c = field;
  while (*c == ' ' || *c == '\t') ++c;
  const bool negative = *c == '-';
  if (*c == '-' || *c == '+') ++c;
  double value = 0;
  while (IsDigit(*c)) value = value * 10 + (*c++ - '0');
  if (fraction && *c == '.') {
    double scale = 0.1;
    for (++c; IsDigit(*c); ++c, scale /= 10) value += (*c - '0') * scale;
  }
  return negative ? -value : value;
}

double NumberAt(const Frame& frame, int position, int width, bool fraction) {
  char field[16];
  frame.Text(position, width, field);
  return FieldNumber(field, fraction);
}

void CopyScreen(const Frame& frame, int body, int address) {
  const int rows = device_type[address] == twta_device ? screen_rows : 1;
  for (int row = 0; row < rows; ++row) {
    frame.Text(body + (screen_columns + 1) * row, screen_columns, device_data[address].screen[row]);
  }
}

void DecodeStatus(const Frame& frame, int position, int address) {
  device_struct& d = device_data[address];
  const bool controller = device_type[address] == ocontrol_device;
  const bool amplifier = device_type[address] == twta_device;
  const unsigned char status1 = frame.At(position++);
  const unsigned char status2 = frame.At(position++);
  d.twta_power = controller ? (status1 & 0x20) != 0 : 1;
  d.hv_on = (status1 & 0x10) != 0;
  d.standby = (status1 & 0x08) != 0;
  d.remote = (status1 & 0x04) != 0;
  d.local = !d.remote;
  d.fault = (status2 & 0x20) != 0;
  d.hstandby = (status2 & 0x10) != 0;
  d.alarm = (status2 & 0x04) != 0;
  d.ftd = !d.hv_on && !d.standby && d.twta_power;
  if (!d.twta_power) d.ftd = d.alarm = d.fault = d.standby = d.hv_on = 0;
  if (controller && !d.backrev) {
    d.remote = (frame.At(position) & 0x08) != 0;
    d.local = !d.remote;
    position += 2;
  }
  if (amplifier) {
    if (!adjusting_attenuator[address]) frame.Text(position, 4, d.attenuation);
    position += 4;
  }
  if (d.poll_frequency) {
    d.frequency = static_cast<float>(NumberAt(frame, position + 2, 7, true));
    position += 9;
  }
  if (amplifier) {
    d.heater = static_cast<std::int32_t>(NumberAt(frame, position, 6, false));
    d.beam = static_cast<std::int32_t>(NumberAt(frame, position + 6, 6, false));
    position += 12;
  }
  if (d.poll_frequency) {
    d.offset = static_cast<float>(NumberAt(frame, position, 4, true));
    position += 4;
  }
  frame.Text(position, 4, d.power_out);
  frame.Text(position + 4, 4, d.voltage);
  position += 8;
  if (logging_on) {
    for (log_parm_struct& parameter : log_parameter) {
      if (!parameter.enabled) continue;
      frame.Text(position, 4, parameter.response[address]);
      position += 4;
    }
  }
  if (!got_hours[address] && logfile[address]) {
    heater_start[address] = d.heater;
    beam_start[address] = d.beam;
    LogHours(address);
    got_hours[address] = 1;
  }
}

}  // namespace

int ParseResponse(int device) {
  const int h = quillon_protocol ? 2 : 1;
  const Frame frame(ProtocolBuffer(device));
  const int address = use_ethernet ? device : frame.At(h);
  if (address < 0 || address >= device_count) return address;
  const char kind = static_cast<char>(frame.At(h + 1));
  const int body = h + 2;
  last_response[address] = kind;
  switch (kind) {
    case '0':
      if (device_type[address] == ocontrol_device) {
        char version[4];
        frame.Text(body + 7, 3, version);
        device_data[address].backrev = std::memcmp(version, "325", 3) < 0 ? 1 : 0;
      }
      break;
    case 'V':
      if (frame.Count() < 10) break;
      [[fallthrough]];
    case '5':
      CopyScreen(frame, body, address);
      break;
    case '?':
      DecodeStatus(frame, body, address);
      break;
    default:
      break;
  }
  return address;
}
