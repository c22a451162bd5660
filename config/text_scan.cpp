#include "config/text_scan.h"

#include <cctype>
#include <cstdlib>
#include <limits>

namespace {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

void SkipBlanks(const char*& at) {
  while (IsBlank(*at)) ++at;
}

bool ScanNumber(const char*& at, long long& out) {
  SkipBlanks(at);
  char* end = nullptr;
  const long long value = std::strtoll(at, &end, 10);
  if (end == at) return false;
  at = end;
  out = value;
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
