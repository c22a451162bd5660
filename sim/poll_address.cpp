#include "sim/poll_address.h"

#include <cstdio>

namespace sim {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint8_t> ParsePollAddress(std::string_view text) {
  if (text.size() == 1) return static_cast<std::uint8_t>(text[0]);
  if (text.size() != 2) return std::nullopt;
  const int high = HexDigit(text[0]);
  const int low = HexDigit(text[1]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<std::uint8_t>(high * 16 + low);
}

std::string FormatPollAddress(std::uint8_t address) {
  char text[8];
  if (address > ' ' && address < 0x7F) {
    std::snprintf(text, sizeof text, "'%c'", address);
  } else {
    std::snprintf(text, sizeof text, "%02Xh", address);
  }
  return text;
}

}  // namespace sim
