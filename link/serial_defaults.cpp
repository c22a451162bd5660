#include "link/serial_defaults.h"

#include <cstdio>
#include <cstring>

#include "config/program_directory.h"
#include "config/text_scan.h"
#include "link/link_settings.h"

namespace {

// Only the start of the file is read.
constexpr std::size_t read_limit = 70;
constexpr std::size_t shortest_file = 10;
constexpr std::size_t address_width = 40;
// Fewer characters than "1.1.1.1" cannot be an address: "0" selects the serial link.
constexpr std::size_t shortest_address = 7;

bool SerialDefaultsFileName(char* name, std::size_t size) {
  return ProgramFileName(name, size, "sdefault.txt");
}

char ParityLetter() {
  if (serial_parity == parity_even) return 'E';
  if (serial_parity == parity_odd) return 'O';
  return 'N';
}

// Copies as much of text as the destination holds.
void CopyCut(char* destination, std::size_t size, const char* text) {
  std::size_t length = std::strlen(text);
  if (length >= size) length = size - 1;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}

// Fields missing at the end leave the port, rate and data bits alone and count
// as no parity, one stop bit and no address.
void ApplySettings(const char* text) {
  char port[read_limit + 1];
  std::int32_t rate = 0;
  std::int32_t data = 0;
  char parity = 'N';
  char stop = '1';
  char address[address_width + 1] = "";
  const char* at = text;
  if (ScanWord(at, port, read_limit)) {
    CopyCut(serial_port, sizeof serial_port, port);
    if (ScanSigned(at, rate)) {
      serial_baud = rate;
      if (ScanChar(at, parity) && ScanSigned(at, data)) {
        serial_data = static_cast<std::uint8_t>(data);
        if (ScanChar(at, stop)) ScanWord(at, address, address_width);
      }
    }
  }
  serial_parity = parity == 'E' ? parity_even : parity == 'O' ? parity_odd : parity_none;
  serial_stop = stop == '2' ? two_stop_bits : one_stop_bit;
  address[std::strspn(address, "0123456789. \r\n")] = '\0';
  use_ethernet = std::strlen(address) >= shortest_address ? 1 : 0;
  if (use_ethernet) CopyCut(default_ipaddress, sizeof default_ipaddress, address);
}

}  // namespace

void LoadSerialDefaults() {
  char name[sizeof save_directory + 16];
  if (!SerialDefaultsFileName(name, sizeof name)) return;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return;
  char text[read_limit + 1];
  const std::size_t count = std::fread(text, 1, read_limit, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || count < shortest_file) return;
  text[count] = '\0';
  ApplySettings(text);
}

void SaveSerialDefaults() {
  char line[sizeof serial_port + sizeof default_ipaddress + 64];
  const int length =
      std::snprintf(line, sizeof line, "%s %d %c %d %d %s", serial_port,
                    static_cast<int>(serial_baud), ParityLetter(), static_cast<int>(serial_data),
                    serial_stop == two_stop_bits ? 2 : 1, use_ethernet ? default_ipaddress : "0");
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof line) return;
  char name[sizeof save_directory + 16];
  if (!SerialDefaultsFileName(name, sizeof name)) return;
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return;
  std::fwrite(line, 1, static_cast<std::size_t>(length), file);
  std::fclose(file);
}
