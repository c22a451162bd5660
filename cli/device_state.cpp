#include "cli/device_state.h"

#include <charconv>
#include <chrono>
#include <string_view>

#include "records/device_records.h"
#include "records/poll_address.h"

namespace {

// Device text can hold any byte; JSON wants UTF-8. The display's own
// characters above ASCII (arrows, degrees) show as '?'.
std::string Printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  }
  return out;
}

template <std::size_t size>
std::string Field(const char (&field)[size]) {
  std::string_view text(field, strnlen(field, size));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return Printable(text);
}

// A reading as the device wrote it ("45.2"), as a number; null when it is
// not one (a blank field, or dashes while the device has no value).
template <std::size_t size>
nlohmann::json Reading(const char (&field)[size]) {
  const std::string text = Field(field);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return nullptr;
  return value;
}

nlohmann::json Hours(std::int32_t hours) {
  if (hours < 0) return nullptr;
  return hours;
}

const char* Kind(int address) {
  switch (device_type[address]) {
    case ocontrol_device:
      return "controller";
    case oneforone_device:
      return "1:1";
    case onefortwo_device:
      return "1:2";
    case twta_device:
      break;
  }
  return "amplifier";
}

}  // namespace

nlohmann::json DeviceState(int address) {
  const device_struct& d = device_data[address];
  nlohmann::json rows = nlohmann::json::array();
  const bool amplifier = device_type[address] == twta_device;
  const int row_count = amplifier ? screen_rows : 1;
  for (int row = 0; row < row_count; ++row) {
    rows.push_back(
        Printable(std::string_view(d.screen[row], strnlen(d.screen[row], screen_columns))));
  }
  return {
      {"address", AddressText(address)},
      {"kind", Kind(address)},
      {"contact", error_count[address] < 3},
      {"lamps",
       {{"hv_on", d.hv_on != 0},
        {"standby", d.standby != 0},
        {"local", d.local != 0},
        {"remote", d.remote != 0},
        {"alarm", d.alarm != 0},
        {"fault", d.fault != 0}}},
      {"readings",
       {{"power_out", Reading(d.power_out)},
        {"attenuation", amplifier ? Reading(d.attenuation) : nullptr},
        {"voltage", Reading(d.voltage)}}},
      {"display", rows},
      {"hours", {{"heater", Hours(d.heater)}, {"beam", Hours(d.beam)}}},
      {"identity", {{"part", Field(d.part)}, {"serial", Field(d.serial)}}},
  };
}

std::string DeviceStateText(const nlohmann::json& state) {
  std::string text = state["address"].get<std::string>() + " (" + state["kind"].get<std::string>() +
                     "): " + (state["contact"].get<bool>() ? "in contact" : "no contact") + "\n";
  for (const auto& row : state["display"]) text += "  | " + row.get<std::string>() + " |\n";
  text += "  lamps:";
  bool any = false;
  for (const auto& [name, on] : state["lamps"].items()) {
    if (!on.get<bool>()) continue;
    text += " " + name;
    any = true;
  }
  text += any ? "\n" : " none\n";
  text += "  readings:";
  for (const auto& [name, value] : state["readings"].items()) {
    text += " " + name + "=" + (value.is_null() ? "-" : value.dump());
  }
  text += "\n  hours: heater=";
  const auto& hours = state["hours"];
  text += hours["heater"].is_null() ? "-" : hours["heater"].dump();
  text += " beam=" + (hours["beam"].is_null() ? std::string("-") : hours["beam"].dump()) + "\n";
  text += "  identity: part=" + state["identity"]["part"].get<std::string>() +
          " serial=" + state["identity"]["serial"].get<std::string>() + "\n";
  return text;
}
