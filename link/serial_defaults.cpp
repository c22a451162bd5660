#include "link/serial_defaults.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "config/program_directory.h"
#include "link/link_settings.h"

namespace {

// Far more than any line this program writes. A longer file is not one of its
// own and is left alone: read in part, it could name another port or address.
constexpr std::size_t read_limit = 4096;
constexpr std::size_t shortest_file = 10;
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

// The blanks of the C locale, whatever the user's.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Takes the fields one after the other as scanf's "%s", "%d" and " %c" do,
// but words whole and numbers in C notation.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : rest_(text) {}

  bool Word(std::string_view& out) {
    SkipBlanks();
    std::size_t length = 0;
    while (length < rest_.size() && !IsBlank(rest_[length])) ++length;
    if (length == 0) return false;
    out = rest_.substr(0, length);
    rest_.remove_prefix(length);
    return true;
  }

  bool Char(char& out) {
    SkipBlanks();
    if (rest_.empty()) return false;
    out = rest_.front();
    rest_.remove_prefix(1);
    return true;
  }

  // A number out of range is clamped, as strtol does.
  bool Number(std::int32_t& out) {
    SkipBlanks();
    std::string_view digits = rest_;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
      digits.remove_prefix(1);
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error == std::errc::invalid_argument) return false;
    constexpr std::uint64_t high = std::numeric_limits<std::int32_t>::max();
    if (error == std::errc::result_out_of_range || magnitude > high + negative)
      magnitude = high + negative;
    out = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude) : magnitude);
    rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()));
    return true;
  }

 private:
  void SkipBlanks() {
    while (!rest_.empty() && IsBlank(rest_.front())) rest_.remove_prefix(1);
  }
  std::string_view rest_;
};

// A name the settings can hold whole, as the operating system will see it.
template <std::size_t size>
bool Fits(const char (&)[size], std::string_view name) {
  return name.size() < size && name.find('\0') == std::string_view::npos;
}

template <std::size_t size>
void CopyWhole(char (&field)[size], std::string_view name) {
  std::memcpy(field, name.data(), name.size());
  field[name.size()] = '\0';
}

// Fields missing at the end leave the port, rate and data bits alone and count
// as no parity, one stop bit and no address. A port or address too long for
// its field leaves every setting alone.
void ApplySettings(std::string_view text) {
  FieldReader reader(text);
  std::string_view port;
  std::int32_t rate = 0;
  std::int32_t data = 0;
  char parity = 'N';
  char stop = '1';
  std::string_view address;
  const bool has_port = reader.Word(port);
  const bool has_rate = has_port && reader.Number(rate);
  const bool has_data = has_rate && reader.Char(parity) && reader.Number(data);
  if (has_data && reader.Char(stop)) reader.Word(address);
  address = address.substr(0, address.find_first_not_of("0123456789. \r\n"));

  if (has_port && !Fits(serial_port, port)) return;
  if (!Fits(default_ipaddress, address)) return;
  if (has_port) CopyWhole(serial_port, port);
  if (has_rate) serial_baud = rate;
  if (has_data) serial_data = static_cast<std::uint8_t>(data);
  serial_parity = parity == 'E' ? parity_even : parity == 'O' ? parity_odd : parity_none;
  serial_stop = stop == '2' ? two_stop_bits : one_stop_bit;
  use_ethernet = address.size() >= shortest_address ? 1 : 0;
  if (use_ethernet) CopyWhole(default_ipaddress, address);
}

template <std::size_t size>
void AppendField(std::string& line, const char (&field)[size]) {
  line.append(field, strnlen(field, size - 1));
}

void AppendNumber(std::string& line, int value) {
  char digits[16];
  line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

void LoadSerialDefaults() {
  char name[sizeof save_directory + 16];
  if (!SerialDefaultsFileName(name, sizeof name)) return;
  std::FILE* file = std::fopen(name, "rb");
  if (!file) return;
  char text[read_limit + 1];
  const std::size_t count = std::fread(text, 1, sizeof text, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || count < shortest_file || count > read_limit) return;
  ApplySettings(std::string_view(text, count));
}

bool SaveSerialDefaults() {
  std::string line;
  AppendField(line, serial_port);
  line += ' ';
  AppendNumber(line, serial_baud);
  line += ' ';
  line += ParityLetter();
  line += ' ';
  AppendNumber(line, serial_data);
  line += serial_stop == two_stop_bits ? " 2 " : " 1 ";
  if (use_ethernet) {
    AppendField(line, default_ipaddress);
  } else {
    line += '0';
  }
  char name[sizeof save_directory + 16];
  if (!SerialDefaultsFileName(name, sizeof name)) return false;
  std::FILE* file = std::fopen(name, "wb");
  if (!file) return false;
  const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
  return std::fclose(file) == 0 && written;
}
