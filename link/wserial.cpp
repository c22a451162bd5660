#include "link/wserial.h"

#include <cstring>
#include <string>

#include "link/byte_tap.h"
#include "link/console.h"
#include "link/link_settings.h"
#include "platform/link_clock.h"

baud_struct baud_table[baud_table_size];
platform::PortHandle serial_device = platform::no_port;
unsigned xmodem_timer = 0;

namespace {

// Bytes taken from the port by one read, handed out one at a time.
unsigned char received[256];
std::size_t received_count = 0;
std::size_t received_next = 0;
std::string error_text;

int Fail(const std::string& reason) {
  error_text = platform::PortDevicePath(serial_port) + ": " + reason;
  return 0;
}

bool FormatOf(std::int32_t baud, std::uint8_t parity, std::uint8_t data, std::uint8_t stop,
              platform::ParityCheck check, platform::LineFormat* format) {
  if (parity > parity_even || (stop != one_stop_bit && stop != two_stop_bits)) return false;
  const platform::Parity parities[] = {platform::Parity::none, platform::Parity::odd,
                                       platform::Parity::even};
  *format = {baud,
             data,
             parities[parity],
             stop == two_stop_bits ? 2 : 1,
             xmodem_timer ? platform::RtsControl::handshake : platform::RtsControl::toggle,
             check};
  return true;
}

}  // namespace

void RestartLinkTimer() { PastTime(0, 0); }

void InitBaudTable() {
  static constexpr baud_struct rates[baud_table_size] = {
      {1200, "1200"},   {2400, "2400"},   {4800, "4800"},   {9600, "9600"},
      {19200, "19200"}, {38400, "38400"}, {57600, "57600"}, {115200, "115200"},
  };
  std::memcpy(baud_table, rates, sizeof baud_table);
}

int InitSerial() {
  InitBaudTable();
  CheckSystemTimerInit();
  if (use_ethernet) return 0;
  CloseSerial();
  platform::LineFormat format{};
  if (!FormatOf(serial_baud, serial_parity, serial_data, serial_stop, platform::ParityCheck::keep,
                &format)) {
    return Fail("no such parity or stop-bit setting");
  }
  std::string reason;
  serial_device = platform::OpenPort(serial_port, &reason);
  if (serial_device == platform::no_port) return Fail(reason);
  // Open only when usable: callers take an open port for a configured one.
  if (!platform::ConfigurePort(serial_device, format, &reason)) {
    CloseSerial();
    return Fail(reason);
  }
  error_text.clear();
  return 1;
}

int SetupSerial(std::int32_t baud, std::uint8_t parity, std::uint8_t data, std::uint8_t stop) {
  platform::LineFormat format{};
  if (!FormatOf(baud, parity, data, stop, platform::ParityCheck::on, &format)) {
    return Fail("no such parity or stop-bit setting");
  }
  std::string reason;
  if (!platform::ConfigurePort(serial_device, format, &reason)) return Fail(reason);
  error_text.clear();
  return 1;
}

const char* SerialErrorText() {
  return error_text.c_str();
}

void CloseSerial() {
  platform::ClosePort(serial_device);
  serial_device = platform::no_port;
  received_count = received_next = 0;
}

int SerialPortIsOpen() { return serial_device != platform::no_port ? 1 : 0; }

bool SerialWriteBytes(const unsigned char* bytes, int count) {
  if (count <= 0) return true;
  const bool sent = platform::WritePort(serial_device, bytes, static_cast<std::size_t>(count));
  TapBytes(TapDirection::sent, bytes, static_cast<std::size_t>(count));
  return sent;
}

bool SerialFlush() {
  return platform::DrainPort(serial_device);
}

bool SerialSendRaw(const char* string, int count) {
  const int length = count < 0 ? static_cast<int>(std::strlen(string)) : count;
  const auto* bytes = reinterpret_cast<const unsigned char*>(string);
  const bool written = SerialWriteBytes(bytes, length);
  // Nothing written, nothing shown: the console would render one byte.
  if (length > 0) Write2Console(console_sent, bytes, length);
  const bool flushed = SerialFlush();
  RestartLinkTimer();
  return written && flushed;
}

void SerialSendChar(unsigned char ch) {
  SerialWriteBytes(&ch, 1);
  Write2Console(console_sent, &ch, 1);
  RestartLinkTimer();
}

int ReadSerialChar(unsigned char* ch) {
  if (received_next == received_count) {
    received_next = 0;
    received_count = platform::ReadPort(serial_device, received, sizeof received);
    if (received_count == 0) return 0;
  }
  *ch = received[received_next++];
  TapBytes(TapDirection::received, ch, 1);
  return 1;
}

int SerialWaitReadable(int msec) {
  if (received_next < received_count) return 1;
  return platform::WaitReadable(serial_device, msec) ? 1 : 0;
}
