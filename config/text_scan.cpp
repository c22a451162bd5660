#include "config/text_scan.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

// The C locale's blanks, whatever locale the process runs under.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void SkipBlanks(const char*& at) {
  while (IsBlank(*at)) ++at;
}

// strtoll's decimal: an optional sign, digits; out of range clamped.
bool ScanNumber(const char*& at, long long& out) {
  SkipBlanks(at);
  const char* digits = at + (*at == '-' || *at == '+' ? 1 : 0);
  const bool negative = *at == '-';
  const char* end = digits + std::strlen(digits);
  unsigned long long magnitude = 0;
  const std::from_chars_result result = std::from_chars(digits, end, magnitude);
  if (result.ptr == digits) return false;
  constexpr unsigned long long high = std::numeric_limits<long long>::max();
  if (result.ec == std::errc::result_out_of_range) magnitude = high + 1;
  at = result.ptr;
  if (negative) {
    out = magnitude > high ? std::numeric_limits<long long>::min()
                           : -static_cast<long long>(magnitude);
  } else {
    out = magnitude > high ? std::numeric_limits<long long>::max()
                           : static_cast<long long>(magnitude);
  }
  return true;
}

}  // namespace

bool ScanSkipWord(const char*& at) {
  SkipBlanks(at);
  if (*at == '\0') return false;
  while (*at != '\0' && !IsBlank(*at)) ++at;
  return true;
}

bool ScanWord(const char*& at, char* out, std::size_t width) {
  SkipBlanks(at);
  if (*at == '\0' || width == 0) return false;
  std::size_t length = 0;
  while (length < width && *at != '\0' && !IsBlank(*at)) out[length++] = *at++;
  out[length] = '\0';
  return true;
}

bool ScanChar(const char*& at, char& out) {
  SkipBlanks(at);
  if (*at == '\0') return false;
  out = *at++;
  return true;
}

bool ScanSigned(const char*& at, std::int32_t& out) {
  long long value = 0;
  if (!ScanNumber(at, value)) return false;
  constexpr long long low = std::numeric_limits<std::int32_t>::min();
  constexpr long long high = std::numeric_limits<std::int32_t>::max();
  out = static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
  return true;
}

bool ScanUnsigned(const char*& at, std::uint32_t& out) {
  long long value = 0;
  if (!ScanNumber(at, value)) return false;
  constexpr long long high = std::numeric_limits<std::uint32_t>::max();
  const bool out_of_range = value > high || value < -high;
  out =
      out_of_range ? std::numeric_limits<std::uint32_t>::max() : static_cast<std::uint32_t>(value);
  return true;
}
