#include "sim/controller.h"

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr int menu_items = 4;
constexpr std::size_t row_width = 20;

bool IsDigits(std::string_view text, std::size_t count) {
  return text.size() == count && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

Controller::Controller(const DeviceTiming& timing, unsigned seed, std::string version)
    : Device(timing, seed), version_(std::move(version)) {}

Answer Controller::Handle(std::string_view body, std::size_t body_room, Clock::time_point now) {
  static constexpr Route<Controller> routes[] = {
      {"?1", false, &Controller::Status},  {"?!", false, &Controller::CurrentStatus},
      {"55", true, &Controller::Screen},   {"V", false, &Controller::Key},
      {"00", true, &Controller::Identify}, {"0", true, &Controller::Identify},
  };
  const auto answer = Dispatch(this, routes, body, body_room, now);
  return answer ? *answer : Refuse();
}

void Controller::Run(int, Clock::time_point) {
  if (timing_.steady) return;
  power_.Drift(random_);
  voltage_.Drift(random_);
}

void Controller::Boot(Clock::time_point) {
  powered_ = true;
  hv_on_ = false;
  fault_ = false;
  item_ = 0;
  message_.clear();
  overrides_ = {};
}

std::string Controller::StatusBytes(bool extended) const {
  char first = 0;
  if (powered_) first |= 0x20;
  if (powered_ && hv_on_) first |= 0x10;
  if (powered_ && !hv_on_) first |= 0x08;
  if (remote_) first |= 0x04;
  char second = 0;
  if (fault_) second |= 0x20;
  if (heater_standby_) second |= 0x10;
  if (alarm_) second |= 0x04;
  std::string bytes = {first, second};
  // The current generation adds its local/remote switch and a spare byte.
  if (extended) bytes += std::string{remote_ ? '\x08' : '\0', '\0'};
  return bytes;
}

// The layouts are fixed: status bytes, then output power and voltage; the letters after the
// prefix do not change them.
Answer Controller::Status(std::string_view, std::size_t, Clock::time_point) {
  return Reply("?" + StatusBytes(false) + Fixed(Power(), 4, 1) + Fixed(Voltage(), 4, 1));
}

Answer Controller::CurrentStatus(std::string_view, std::size_t, Clock::time_point) {
  if (Backrev()) return Refuse();
  return Reply("?" + StatusBytes(true) + Fixed(Power(), 4, 1) + Fixed(Voltage(), 4, 1));
}

std::string Controller::Item(int index) const {
  switch (index) {
    case 0:
      return "ONLINE: TWTA " + std::to_string(online_);
    case 1:
      return automatic_ ? "MODE: AUTO" : "MODE: MANUAL";
    case 2:
      return "OUT " + Fixed(Power(), 4, 1) + "dBm " + Fixed(Voltage(), 4, 1) + "kV";
    default:
      return "FW V" + version_.substr(0, 1) + "." + version_.substr(1);
  }
}

std::array<std::string, 4> Controller::Rows() const {
  std::array<std::string, 4> rows;
  for (int i = 0; i < 4; ++i) {
    const std::string text =
        i == 0 && !message_.empty() ? message_ : Item((item_ + i) % menu_items);
    rows[i] = overrides_[i] ? *overrides_[i] : Column(text, row_width);
  }
  return rows;
}

std::string Controller::DisplayBytes() const {
  std::string bytes;
  for (const std::string& row : Rows()) {
    bytes += row;
    bytes.push_back('\0');
  }
  return bytes;
}

Answer Controller::Screen(std::string_view, std::size_t, Clock::time_point) {
  return Reply("5" + DisplayBytes());
}

void Controller::Press(char key) {
  overrides_ = {};
  message_.clear();
  switch (key) {
    case 'A':
      powered_ = !powered_;
      hv_on_ = false;
      break;
    case 'H':
      if (!powered_ || hv_on_) {
        message_ = "HV OFF FIRST";
      } else {
        heater_standby_ = !heater_standby_;
      }
      break;
    case '!':
      if (hv_on_) {
        hv_on_ = false;
      } else if (!powered_) {
        message_ = "TWTA POWER OFF";
      } else if (fault_) {
        message_ = "HV INHIBIT: FAULT";
      } else if (heater_standby_) {
        message_ = "HV INHIBIT: HTR STBY";
      } else {
        hv_on_ = true;
      }
      break;
    case 'F':
      fault_ = false;
      break;
    case 'E':
      if (item_ == 1) {
        automatic_ = !automatic_;
      } else if (item_ == 0 && automatic_) {
        message_ = "AUTO MODE: NO SWITCH";
      } else if (item_ == 0) {
        online_ = 3 - online_;
      }
      break;
    case '8':
      item_ = (item_ + menu_items - 1) % menu_items;
      break;
    case '2':
      item_ = (item_ + 1) % menu_items;
      break;
  }
}

Answer Controller::Key(std::string_view keys, std::size_t, Clock::time_point) {
  // A key sent with one of the console's F1 to F4 held: the controller has no soft keys.
  if (keys.size() == 2 && keys[0] >= 'W' && keys[0] <= 'Z') keys.remove_prefix(1);
  if (keys.size() != 1 || std::string_view("AH!FE82").find(keys[0]) == std::string_view::npos)
    return Refuse();
  Press(keys[0]);
  return Reply("V" + DisplayBytes());
}

Answer Controller::Identify(std::string_view, std::size_t, Clock::time_point) {
  // The version sits at body positions 7 to 9, after the seven digits of the part number.
  return Reply("0" + part_.substr(4, 4) + part_.substr(9, 3) + version_);
}

std::string Controller::Set(std::string_view field, std::string_view value, Clock::time_point now) {
  bool on = false;
  const bool flag = ParseSwitch(value, &on);
  double number = 0;
  if (field.size() == 4 && field.substr(0, 3) == "row" && field[3] >= '0' && field[3] <= '3') {
    overrides_[field[3] - '0'] = Column(Printable(value), row_width);
  } else if (field == "fault") {
    if (value == "off") {
      fault_ = false;
    } else if (value.substr(0, 2) == "on") {
      // A fault drops the high voltage.
      fault_ = true;
      hv_on_ = false;
    } else {
      return "fault takes on or off";
    }
  } else if (field == "twta" || field == "hv" || field == "heater_standby" || field == "remote" ||
             field == "alarm") {
    if (!flag) return std::string(field) + " takes on or off";
    if (field == "twta") powered_ = on;
    if (field == "hv") hv_on_ = on && powered_;
    if (field == "heater_standby") heater_standby_ = on;
    if (field == "remote") remote_ = on;
    if (field == "alarm") alarm_ = on;
  } else if (field == "mode") {
    if (value != "auto" && value != "manual") return "mode takes auto or manual";
    automatic_ = value == "auto";
  } else if (field == "online") {
    if (value != "1" && value != "2") return "online takes 1 or 2";
    online_ = value[0] - '0';
  } else if (field == "version") {
    if (!IsDigits(value, 3)) return "version must be 3 digits";
    version_ = value;
  } else if (field == "power" || field == "voltage") {
    if (!ParseNumber(value, &number)) return std::string(field) + " takes a number";
    (field == "power" ? power_ : voltage_).Set(number);
  } else {
    return Device::Set(field, value, now);
  }
  return "";
}

bool Controller::Get(std::string_view field, Clock::time_point now, std::string* value) const {
  auto flag = [](bool on) { return std::string(on ? "on" : "off"); };
  if (field.size() == 4 && field.substr(0, 3) == "row" && field[3] >= '0' && field[3] <= '3') {
    *value = Rows()[field[3] - '0'];
  } else if (field == "status") {
    *value = HexBytes(StatusBytes(false));
  } else if (field == "fault") {
    *value = flag(fault_);
  } else if (field == "twta") {
    *value = flag(powered_);
  } else if (field == "hv") {
    *value = flag(powered_ && hv_on_);
  } else if (field == "heater_standby") {
    *value = flag(heater_standby_);
  } else if (field == "remote") {
    *value = flag(remote_);
  } else if (field == "alarm") {
    *value = flag(alarm_);
  } else if (field == "mode") {
    *value = automatic_ ? "auto" : "manual";
  } else if (field == "online") {
    *value = std::to_string(online_);
  } else if (field == "version") {
    *value = version_;
  } else if (field == "power") {
    *value = Decimal(Power(), 1);
  } else if (field == "voltage") {
    *value = Decimal(Voltage(), 1);
  } else {
    return Device::Get(field, now, value);
  }
  return true;
}

}  // namespace sim
