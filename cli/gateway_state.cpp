#include "cli/gateway_state.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

// A reading as the device sent it ("12.5", " 3.0"), or null when it does not
// read as a number.
nlohmann::json Reading(const char* text, std::size_t size) {
  std::string_view view(text, strnlen(text, size));
  while (!view.empty() && view.front() == ' ') view.remove_prefix(1);
  while (!view.empty() && view.back() == ' ') view.remove_suffix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (view.empty() || error != std::errc() || end != view.data() + view.size()) return nullptr;
  return value;
}

template <std::size_t size>
std::string Text(const char (&field)[size]) {
  std::string text(field, strnlen(field, size));
  // Bytes outside ASCII would make the document invalid UTF-8.
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  }
  return text;
}

const char* KindName(device_enum kind) {
  switch (kind) {
    case twta_device:
      return "amplifier";
    case ocontrol_device:
      return "controller";
    case oneforone_device:
      return "one-for-one";
    case onefortwo_device:
      return "one-for-two";
  }
  return "unknown";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Alphanumeric(int c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

device_flags FlagsOf(const device_struct& record, bool contact) {
  return {contact, record.hv_on != 0, record.alarm != 0, record.fault != 0};
}

std::vector<std::string> Transitions(const device_flags& before, const device_flags& after) {
  std::vector<std::string> events;
  if (before.contact != after.contact)
    events.push_back(after.contact ? "contact_regained" : "contact_lost");
  if (!after.contact) return events;
  if (before.fault != after.fault) events.push_back(after.fault ? "fault_raised" : "fault_cleared");
  if (before.alarm != after.alarm) events.push_back(after.alarm ? "alarm_raised" : "alarm_cleared");
  if (before.hv_on != after.hv_on) events.push_back(after.hv_on ? "hv_on" : "hv_off");
  return events;
}

nlohmann::json StateDocument(const device_struct& record, device_enum kind, bool contact) {
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& row : record.screen) rows.push_back(Text(row));
  nlohmann::json hours = nlohmann::json::object();
  hours["heater"] = record.heater >= 0 ? nlohmann::json(record.heater) : nlohmann::json(nullptr);
  hours["beam"] = record.beam >= 0 ? nlohmann::json(record.beam) : nlohmann::json(nullptr);
  return {
      {"contact", contact},
      {"kind", KindName(kind)},
      {"lamps",
       {{"hv_on", record.hv_on != 0},
        {"standby", record.standby != 0},
        {"local", record.local != 0},
        {"remote", record.remote != 0},
        {"alarm", record.alarm != 0},
        {"fault", record.fault != 0}}},
      {"readings",
       {{"power_out", Reading(record.power_out, sizeof record.power_out)},
        {"attenuation", Reading(record.attenuation, sizeof record.attenuation)},
        {"voltage", Reading(record.voltage, sizeof record.voltage)},
        {"temp", Reading(record.temp, sizeof record.temp)},
        {"current", Reading(record.current, sizeof record.current)}}},
      {"display", rows},
      {"hours", hours},
      {"identity", {{"part", Text(record.part)}, {"serial", Text(record.serial)}}},
  };
}

std::string UtcTime(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(ms % 1000));
  return text;
}

std::string TopicAddress(int address) {
  if (Alphanumeric(address)) return std::string(1, static_cast<char>(address));
  static constexpr char digits[] = "0123456789ABCDEF";
  return {digits[(address >> 4) & 0xF], digits[address & 0xF]};
}

std::optional<int> ParseTopicAddress(std::string_view level) {
  if (level.size() == 1 && Alphanumeric(level[0])) return level[0];
  if (level.size() != 2) return std::nullopt;
  const int high = HexDigit(level[0]);
  const int low = HexDigit(level[1]);
  if (high < 0 || low < 0) return std::nullopt;
  return high * 16 + low;
}
