#include "config/number_text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// For a number out of range: too large, or too small? Told apart by its whole
// part and the sign of its exponent, which is right unless the two pull against
// each other ("0.5e400" is taken as too small).
bool TooLarge(std::string_view number) {
  bool whole = false;
  std::size_t at = 0;
  for (; at < number.size() && IsDigit(number[at]); ++at) whole = whole || number[at] != '0';
  const std::size_t exponent = number.find_first_of("eE", at);
  const bool shrinks = exponent != std::string_view::npos && exponent + 1 < number.size() &&
                       number[exponent + 1] == '-';
  return whole && !shrinks;
}

}  // namespace

int FormatFixed(char* out, std::size_t size, double value, int width, int precision,
                bool zero_fill) {
  if (size == 0) return 0;
  char digits[512];  // the longest double in fixed notation, with a short fraction
  const std::to_chars_result result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, precision);
  const std::size_t length = result.ec == std::errc() ? result.ptr - digits : 0;
  const bool sign = length > 0 && digits[0] == '-';
  const bool finite = length > 0 && IsDigit(digits[sign ? 1 : 0]);
  const std::size_t fill =
      width > 0 && length < static_cast<std::size_t>(width) ? width - length : 0;
  // printf fills with zeros behind the sign, and never fills "inf" or "nan" with zeros.
  std::string_view head = zero_fill && finite && sign ? "-" : "";
  const char fill_char = zero_fill && finite ? '0' : ' ';
  std::size_t at = 0;
  auto put = [&](char c) {
    if (at + 1 < size) out[at++] = c;
  };
  for (char c : head) put(c);
  for (std::size_t n = 0; n < fill; ++n) put(fill_char);
  for (std::size_t n = head.size(); n < length; ++n) put(digits[n]);
  out[at] = '\0';
  return static_cast<int>(at);
}

double LeadingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  // Only digits or a point may follow: from_chars would also take "inf" and "nan".
  if (at == text.size() || !(IsDigit(text[at]) || text[at] == '.')) return 0;
  double value = 0;
  const std::from_chars_result result =
      std::from_chars(text.data() + at, text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return 0;
  // Out of range, from_chars leaves the value alone; like strtod, a huge
  // number becomes infinity and a tiny one 0.
  if (result.ec == std::errc::result_out_of_range && TooLarge(text.substr(at)))
    value = std::numeric_limits<double>::infinity();
  return negative ? -value : value;
}
