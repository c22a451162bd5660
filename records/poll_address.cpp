#include "records/poll_address.h"

#include <cctype>
#include <cstdio>

int ParsePollAddress(const std::string& text) {
  if (text.empty()) return 0;
  // A single character above 127 is a negative char, hence refused.
  if (text.size() == 1) return static_cast<signed char>(text[0]) < 0 ? -1 : text[0];
  long value = 0;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 16 +
            (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
    if (value > 255) return -1;
  }
  return static_cast<int>(value);
}

std::string AddressText(int address) {
  char text[8];
  if (address >= 0x20 && address < 0x7F) {
    std::snprintf(text, sizeof text, "%c", address);
  } else {
    std::snprintf(text, sizeof text, "%02X", address & 0xFF);
  }
  return text;
}
