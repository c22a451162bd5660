#include "link/device_setup.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "link/command_set.h"
#include "link/link_settings.h"
#include "link/reply_fields.h"
#include "link/scan_link.h"
#include "link/scan_settings.h"
#include "link/serial_defaults.h"
#include "link/wserial.h"

namespace {

constexpr int setup_tries = 2;
constexpr int confirm_minimum_msec = 200;

// Answer places in the Tessary frame of "XR?" and "X?" / "X%d?".
constexpr int mode_at = 4, termination_at = 5, address_at = 6;
constexpr int port_at = 3, rate_at = 4, rate_digits = 6, parity_at = 10, data_at = 11, stop_at = 12;

constexpr char unexpected_reply[] = "-- Unexpected Reply From Device --";
constexpr char no_response[] = "-- No Response From Device --";

// The answer's bytes at offsets first to last into bytes[0...]; false when
// the answer ends before last, so that nothing is built from bytes of an
// earlier exchange.
bool ReadFields(const protocol_struct& reply, int first, int last, int* bytes) {
  for (int offset = first; offset <= last; ++offset) {
    bytes[offset - first] = ReplyByte(reply, offset);
    if (bytes[offset - first] < 0) return false;
  }
  return true;
}

bool IsDigit(int byte) {
  return byte >= '0' && byte <= '9';
}

// The digit when it is one of the two expected.
std::string DigitOf(int byte, char one, char other) {
  return byte == one || byte == other ? std::string(1, static_cast<char>(byte)) : "????";
}

std::string ParityName(int byte) {
  switch (byte) {
    case 'E':
      return "EVEN";
    case 'N':
      return "NONE";
    case 'O':
      return "ODD";
    default:
      return "????";
  }
}

// The address as a character when it is one, then in hexadecimal.
std::string AddressText(int byte) {
  const char shown = byte >= ' ' && byte <= '~' ? static_cast<char>(byte) : ' ';
  char text[16];
  std::snprintf(text, sizeof text, "%c (%02Xh)", shown, byte);
  return text;
}

// The six rate digits as the device sent them, read up to the first non-digit.
long RateOf(const int* bytes) {
  char digits[rate_digits];
  std::copy(bytes, bytes + rate_digits, digits);
  long rate = 0;
  std::from_chars(digits, digits + rate_digits, rate);
  return rate;
}

std::string ConsoleSettings() {
  const char parity = serial_parity == parity_even ? 'E' : serial_parity == parity_odd ? 'O' : 'N';
  char text[64];
  std::snprintf(text, sizeof text, "%ld %c %d %d", static_cast<long>(serial_baud), parity,
                serial_data, serial_stop == two_stop_bits ? 2 : 1);
  return text;
}

class SetupRun {
 public:
  explicit SetupRun(DeviceSetupView& view)
      : view_(view), link_(CurrentScanLink()), timeout_(SerialTime(32, serial_baud) + 100) {}

  void Run() {
    if (!link_.Usable()) {
      view_.Show(setup_field::status, "Can't setup serial port.");
      view_.Alert("Can't setup serial port.", "Error");
      return;
    }
    if (!VerifyRs485() || !VerifyPort() || !AskDefaultPort() || !SetRs485()) return;
    const bool set_answered = SetPort();
    if (device_port == 0 || device_port == present_default_port_) Adopt();
    Confirm(set_answered);
  }

  bool console_changed() const { return console_changed_; }
  bool saved() const { return saved_; }

 private:
  bool Ask(int address, std::string_view body, int timeout) {
    return link_.Command(address, body.data(), static_cast<int>(body.size()), timeout, setup_tries);
  }
  static std::string_view BodyOf(const command_body& body) {
    return {body.text, static_cast<std::size_t>(body.length)};
  }

  bool VerifyRs485() {
    view_.Show(setup_field::status, "-- Verifying RS485 Setup --");
    if (!Ask(found_address, Command(command_id::rs485_query).body, timeout_)) {
      return Stop(no_response);
    }
    int fields[address_at - mode_at + 1];
    if (!ReadFields(link_.Reply(), mode_at, address_at, fields)) return Stop(unexpected_reply);
    present_mode_ = fields[0] == '2' ? '2' : '4';
    present_termination_ = fields[termination_at - mode_at] == 'T' ? 'T' : 'U';
    view_.Show(setup_field::mode, present_mode_ == '2' ? "2-Wire" : "4-Wire");
    view_.Show(setup_field::terminations, present_termination_ == 'T' ? "ON" : "OFF");
    view_.Show(setup_field::address, AddressText(fields[address_at - mode_at]));
    return true;
  }

  bool VerifyPort() {
    view_.Show(setup_field::status, "-- Verifying Comport --");
    const command_body numbered = PortQueryCommand(device_port);
    const std::string_view query =
        device_port ? BodyOf(numbered) : Command(command_id::port_query).body;
    if (!Ask(found_address, query, timeout_)) return Stop(no_response);
    int fields[stop_at - port_at + 1];
    if (!ReadFields(link_.Reply(), port_at, stop_at, fields) || !IsDigit(fields[0])) {
      return Stop(unexpected_reply);
    }
    reported_port_ = fields[0] - '0';
    const int shown_port = device_port ? device_port : reported_port_;
    view_.Show(setup_field::port, "COM" + std::to_string(shown_port));
    view_.Show(setup_field::baud, std::to_string(RateOf(fields + rate_at - port_at)));
    view_.Show(setup_field::parity, ParityName(fields[parity_at - port_at]));
    view_.Show(setup_field::data_bits, DigitOf(fields[data_at - port_at], '7', '8'));
    view_.Show(setup_field::stop_bits, DigitOf(fields[stop_at - port_at], '1', '2'));
    return true;
  }

  // Which port the device talks through by default when another one is
  // changed: the console follows a change of that one only.
  bool AskDefaultPort() {
    if (device_port == 0) return true;
    if (!Ask(found_address, Command(command_id::port_query).body, timeout_)) return true;
    int port = 0;
    if (!ReadFields(link_.Reply(), port_at, port_at, &port) || !IsDigit(port)) {
      return Stop(unexpected_reply);
    }
    present_default_port_ = port - '0';
    return true;
  }

  bool SetRs485() {
    view_.Show(setup_field::status, "-- RS485 Setup --");
    const char mode = rs485_mode == 2 ? '2' : rs485_mode == 4 ? '4' : present_mode_;
    const char termination = terminations == 'T'   ? 'T'
                             : terminations == 'U' ? 'U'
                                                   : present_termination_;
    // Always five bytes: an address of 0 travels as a zero byte.
    const command_body body =
        Rs485SetupCommand(mode, termination, static_cast<char>(target_address));
    if (!Ask(found_address, BodyOf(body), timeout_)) return Stop("-- Unable to Set Address --");
    return true;
  }

  bool SetPort() {
    view_.Show(setup_field::status, "-- Serial Port Setup --");
    const command_body body = PortSetupCommand(
        device_port ? device_port : reported_port_, static_cast<unsigned long>(target_baud),
        static_cast<char>(target_parity), target_data, target_stop);
    return Ask(target_address, BodyOf(body), timeout_);
  }

  void Adopt() {
    serial_baud = target_baud;
    serial_data = static_cast<std::uint8_t>(target_data);
    serial_stop = target_stop == 2 ? two_stop_bits : one_stop_bit;
    serial_parity = target_parity == 'E'   ? parity_even
                    : target_parity == 'O' ? parity_odd
                                           : parity_none;
    console_changed_ = true;
    if (!link_.Reopen()) {
      char text[sizeof serial_port + 32];
      std::snprintf(text, sizeof text, "Can't open Com Port %s.", serial_port);
      view_.Alert(std::string(text) + "\n" + SerialErrorText(), "Problem");
    }
    saved_ = SaveSerialDefaults();
  }

  // A device that switched at once, without answering the set, answers the
  // identification at its new settings. Each try waits long enough for a
  // whole answer at the rate the console now talks at.
  void Confirm(bool set_answered) {
    bool confirmed = set_answered;
    if (!confirmed) {
      const long limit = std::max<long>(confirm_minimum_msec, SerialTime(32, serial_baud) + 100);
      confirmed = Ask(target_address, Command(command_id::identify).body, static_cast<int>(limit));
    }
    view_.Show(setup_field::status, confirmed ? "-- Success! --" : "-- Unable to confirm --");
  }

  bool Stop(const char* result) {
    view_.Show(setup_field::status, result);
    return false;
  }

  DeviceSetupView& view_;
  ScanLink& link_;
  const int timeout_;
  char present_mode_ = '4';
  char present_termination_ = 'U';
  int reported_port_ = 0;
  int present_default_port_ = 0;
  bool console_changed_ = false;
  bool saved_ = false;
};

}  // namespace

void SetupDeviceSerial(DeviceSetupView& view) {
  SetupRun run(view);
  run.Run();
  std::string console;
  if (!run.console_changed()) {
    console = "Console unchanged: " + ConsoleSettings();
  } else if (run.saved()) {
    console = "Console now uses " + ConsoleSettings() + ", saved";
  } else {
    console = "Console now uses " + ConsoleSettings() + ", not saved in sdefault.txt";
  }
  view.Show(setup_field::console, console);
}
