#include "sim/line_commands.h"

#include <charconv>
#include <cstdio>

namespace sim {

namespace {

constexpr std::size_t address_set_size = 5;  // "XR", mode, termination, address
constexpr std::size_t port_set_size = 11;    // "X", port, six digits, parity, data, stop

LineReply Refused() {
  return {Answer{true, false, {}}, std::nullopt};
}

LineReply Replied(std::string body) {
  return {Answer{false, false, std::move(body)}, std::nullopt};
}

std::string PortReport(const DeviceLine& line, int port) {
  const PortSettings& settings = line.Port(port);
  char body[16];
  std::snprintf(body, sizeof body, "X%d%06ld%c%d%d", port, settings.rate, settings.parity,
                settings.data_bits, settings.stop_bits);
  return body;
}

// "X%d%06lu%c%d%d": the port and its new settings; nothing when any field is out of range.
std::optional<std::pair<int, PortSettings>> ParsePortSet(std::string_view body) {
  if (body.size() != port_set_size || (body[1] != '1' && body[1] != '2')) return std::nullopt;
  PortSettings settings;
  const std::string_view digits = body.substr(2, 6);
  if (digits.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  std::from_chars(digits.data(), digits.data() + digits.size(), settings.rate);
  const char parity = body[8], data = body[9], stop = body[10];
  if (!IsSupportedRate(settings.rate) ||
      std::string_view("NEO").find(parity) == std::string_view::npos ||
      (data != '7' && data != '8') || (stop != '1' && stop != '2'))
    return std::nullopt;
  settings.parity = parity;
  settings.data_bits = data - '0';
  settings.stop_bits = stop - '0';
  return std::pair{body[1] - '0', settings};
}

}  // namespace

bool IsLineCommand(std::string_view body) {
  return !body.empty() && body[0] == 'X';
}

LineReply RunLineCommand(const DeviceLine& line, std::uint8_t address, std::string_view body) {
  if (body == "XR?")
    return Replied(std::string("XR") + line.mode + line.termination + static_cast<char>(address));
  if (body == "X?") return Replied(PortReport(line, line.default_port));
  if (body == "X1?" || body == "X2?") return Replied(PortReport(line, body[1] - '0'));
  if (line.refuse) return Refused();
  LineReply reply = Replied("X");
  LineChange change{line, std::nullopt, false};
  if (body.substr(0, 2) == "XR") {
    if (body.size() != address_set_size || (body[2] != '2' && body[2] != '4') ||
        (body[3] != 'T' && body[3] != 'U'))
      return Refused();
    change.line.mode = body[2];
    change.line.termination = body[3];
    change.address = static_cast<std::uint8_t>(body[4]);
  } else {
    const auto port_set = ParsePortSet(body);
    if (!port_set) return Refused();
    change.line.Port(port_set->first) = port_set->second;
    // A device that switches at once cannot answer at the settings the command came at.
    change.at_once = line.at_once;
    if (change.at_once) reply.answer.silent = true;
  }
  reply.change = change;
  return reply;
}

}  // namespace sim
