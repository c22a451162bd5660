#include "sim/text_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

std::string Fixed(double value, int width, int decimals, bool sign) {
  // Digits left of the point once the point, the decimals and a sign have their places.
  const int point = decimals > 0 ? 1 : 0;
  const int digits = width - decimals - point - (sign ? 1 : 0);
  const int negative_digits = width - decimals - point - 1;
  const double step = std::pow(10.0, -decimals);
  const double top = std::pow(10.0, digits) - step;
  const double bottom = negative_digits > 0 ? step - std::pow(10.0, negative_digits) : 0;
  value = std::clamp(std::round(value / step) * step, bottom, top);
  if (std::fabs(value) < step / 2) value = 0;  // no "-0.0"
  char text[64];
  std::snprintf(text, sizeof text, sign ? "%+*.*f" : "%*.*f", width, decimals, value);
  return text;
}

std::string Hours(double hours) {
  char text[16];
  std::snprintf(text, sizeof text, "%06ld",
                static_cast<long>(std::clamp(std::floor(hours), 0.0, 999999.0)));
  return text;
}

std::string Column(std::string_view text, std::size_t width) {
  std::string column(text.substr(0, width));
  column.resize(width, ' ');
  return column;
}

std::string Decimal(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string HexBytes(std::string_view bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    char code[4];
    std::snprintf(code, sizeof code, "%02X", byte);
    if (!text.empty()) text.push_back(' ');
    text += code;
  }
  return text;
}

std::string Printable(std::string_view text) {
  std::string printable(text);
  for (char& byte : printable) {
    if (byte < ' ' || byte > '~') byte = ' ';
  }
  return printable;
}

std::string Escaped(std::string_view bytes, bool blank_escaped) {
  std::string text;
  const unsigned char lowest = blank_escaped ? '!' : ' ';
  for (unsigned char byte : bytes) {
    if (byte >= lowest && byte < 0x7F && byte != '\\') {
      text.push_back(static_cast<char>(byte));
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", byte);
      text += code;
    }
  }
  return text;
}

bool Unescaped(std::string_view text, std::string* bytes) {
  bytes->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes->push_back(text[i]);
      continue;
    }
    unsigned value = 0;
    const char* digits = text.data() + i + 2;
    if (i + 4 > text.size() || text[i + 1] != 'x' ||
        std::from_chars(digits, digits + 2, value, 16).ptr != digits + 2)
      return false;
    bytes->push_back(static_cast<char>(value));
    i += 3;
  }
  return true;
}

bool ParseSwitch(std::string_view text, bool* on) {
  if (text == "on") {
    *on = true;
  } else if (text == "off") {
    *on = false;
  } else {
    return false;
  }
  return true;
}

bool ParseNumber(std::string_view text, double* value) {
  const std::string copy(text);
  char* end = nullptr;
  const double parsed = std::strtod(copy.c_str(), &end);
  if (copy.empty() || *end != '\0' || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

}  // namespace sim
