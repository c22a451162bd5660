#include "sim/line_settings.h"

#include <charconv>

namespace sim {

namespace {

constexpr long supported_rates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

// The first item of `text`; `text` keeps what follows the comma after it.
std::string_view Item(std::string_view* text) {
  const auto end = text->find(',');
  const std::string_view item = text->substr(0, end);
  *text = end == std::string_view::npos ? std::string_view() : text->substr(end + 1);
  return item;
}

}  // namespace

bool IsSupportedRate(long rate) {
  for (long supported : supported_rates) {
    if (rate == supported) return true;
  }
  return false;
}

std::optional<PortSettings> ParsePortSettings(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || text.size() != colon + 4) return std::nullopt;
  PortSettings port;
  const char* end = text.data() + colon;
  if (std::from_chars(text.data(), end, port.rate).ptr != end || !IsSupportedRate(port.rate))
    return std::nullopt;
  const std::string_view format = text.substr(colon + 1);
  if (std::string_view("NEO").find(format[0]) == std::string_view::npos ||
      (format[1] != '7' && format[1] != '8') || (format[2] != '1' && format[2] != '2'))
    return std::nullopt;
  port.parity = format[0];
  port.data_bits = format[1] - '0';
  port.stop_bits = format[2] - '0';
  return port;
}

std::string FormatPortSettings(const PortSettings& port) {
  return std::to_string(port.rate) + ":" + port.parity + std::to_string(port.data_bits) +
         std::to_string(port.stop_bits);
}

std::string ParseDeviceLine(std::string_view text, DeviceLine* line) {
  DeviceLine parsed;
  std::optional<PortSettings> own;
  std::optional<PortSettings> other;
  bool any = false;
  bool first = true;
  while (!text.empty()) {
    const std::string_view item = Item(&text);
    const auto equals = item.find('=');
    const std::string_view name = item.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
    if (first && item.find(':') != std::string_view::npos) {
      own = ParsePortSettings(item);
      if (!own) return "bad port settings " + std::string(item);
    } else if (name == "port" && (value == "1" || value == "2")) {
      parsed.default_port = value[0] - '0';
    } else if (name == "other" && ParsePortSettings(value)) {
      other = ParsePortSettings(value);
    } else if (name == "mode" && (value == "2" || value == "4")) {
      parsed.mode = value[0];
    } else if (name == "term" && (value == "T" || value == "U")) {
      parsed.termination = value[0];
    } else if (item == "any") {
      any = true;
    } else if (item == "at_once") {
      parsed.at_once = true;
    } else if (item == "refuse") {
      parsed.refuse = true;
    } else if (item == "noise") {
      parsed.noise = true;
    } else {
      return "bad line setting " + std::string(item);
    }
    first = false;
  }
  if (own) {
    parsed.Port(parsed.default_port) = *own;
    parsed.any = any;
  }
  if (other) parsed.Port(3 - parsed.default_port) = *other;
  *line = parsed;
  return "";
}

std::string FormatDeviceLine(const DeviceLine& line) {
  std::string text = FormatPortSettings(line.Default()) +
                     ",port=" + std::to_string(line.default_port) +
                     ",other=" + FormatPortSettings(line.Port(3 - line.default_port)) +
                     ",mode=" + line.mode + ",term=" + line.termination;
  if (line.any) text += ",any";
  if (line.at_once) text += ",at_once";
  if (line.refuse) text += ",refuse";
  if (line.noise) text += ",noise";
  return text;
}

bool Hears(const DeviceLine& line, const LineState& state) {
  if (line.any) return true;
  const PortSettings& port = line.Default();
  return state.speed == port.rate && state.stop_bits == port.stop_bits;
}

}  // namespace sim
