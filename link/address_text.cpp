#include "link/address_text.h"

#include <utility>

namespace {

constexpr std::int32_t default_address = 65;
// Above every address: long digit runs stop growing here.
constexpr std::int32_t beyond = 1000;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

void SkipSeparators(std::string_view& text) {
  while (!text.empty() && skipchar(text.front())) text.remove_prefix(1);
}

// A decimal number, or one character's code taken as a signed byte (so a
// character above 127 is out of range); consumes what it read.
std::int32_t ReadValue(std::string_view& text) {
  if (!IsDigit(text.front())) {
    const std::int32_t code = static_cast<signed char>(text.front());
    text.remove_prefix(1);
    return code;
  }
  std::int32_t value = 0;
  while (!text.empty() && IsDigit(text.front())) {
    if (value < beyond) value = value * 10 + (text.front() - '0');
    text.remove_prefix(1);
  }
  return value;
}

bool InRange(std::int32_t value) {
  return value >= 0 && value <= 255;
}

std::string_view Limited(std::string_view text) {
  return text.substr(0, static_cast<std::size_t>(address_text_limit));
}

}  // namespace

int skipchar(int c) {
  return c == ' ' || c == '\t' || c == '-' || c == '\'' || c == '"';
}

AddressRange ReadAddressRange(std::string_view text, AddressRange old) {
  text = Limited(text);
  SkipSeparators(text);
  if (text.empty()) return old;
  AddressRange range;
  range.start = range.stop = ReadValue(text);
  if (!InRange(range.start)) range.start = range.stop = default_address;
  SkipSeparators(text);
  if (text.empty()) return range;
  range.stop = ReadValue(text);
  if (!InRange(range.stop)) range.stop = range.start;
  if (range.stop < range.start) std::swap(range.start, range.stop);
  return range;
}

std::int32_t ReadTargetAddress(std::string_view text, std::int32_t old) {
  text = Limited(text);
  SkipSeparators(text);
  if (text.empty()) return old;
  const std::int32_t value = ReadValue(text);
  return InRange(value) ? value : default_address;
}

std::string ScanAddressText(std::int32_t address) {
  const bool printable = address >= ' ' && address <= '~';
  if (printable && !IsDigit(static_cast<char>(address)) && !skipchar(address))
    return std::string(1, static_cast<char>(address));
  return std::to_string(address);
}

std::string ScanRangeText(AddressRange range) {
  return ScanAddressText(range.start) + " - " + ScanAddressText(range.stop);
}
