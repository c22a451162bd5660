#include "sim/amplifier.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "sim/text_format.h"

namespace sim {

namespace {

bool IsDigits(std::string_view text, std::size_t count) {
  return text.size() == count && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsPartNumber(std::string_view text) {
  return text.size() == 12 && text.substr(0, 4) == "305-" && text[8] == '-' &&
         IsDigits(text.substr(4, 4), 4) && IsDigits(text.substr(9, 3), 3);
}

bool IsNumericField(std::string_view field) {
  for (std::string_view name :
       {"attenuation", "frequency", "offset", "heater", "beam", "target", "power", "voltage",
        "current", "heater_voltage", "reverse_power", "temperature", "supply_temperature",
        "beam_current", "heater_current"}) {
    if (field == name) return true;
  }
  return false;
}

int RowIndex(std::string_view field) {
  if (field.size() == 4 && field.substr(0, 3) == "row" && field[3] >= '0' && field[3] <= '3')
    return field[3] - '0';
  return -1;
}

}  // namespace

Amplifier::Amplifier(std::uint8_t address, const DeviceTiming& timing, unsigned seed, bool old_id)
    : Device(timing, seed) {
  state_.old_id = old_id;
  // Tell the amplifiers on one bus apart.
  char serial[8];
  std::snprintf(serial, sizeof serial, "%05d", 10000 + address);
  state_.serial = serial;
}

Answer Amplifier::Handle(std::string_view body, std::size_t body_room, Clock::time_point now) {
  static constexpr Route<Amplifier> routes[] = {
      {"?1", false, &Amplifier::Status},
      {"55", true, &Amplifier::Screen},
      {"V", false, &Amplifier::Key},
      {"K", false, &Amplifier::SetAttenuation},
      {"00", true, &Amplifier::IdentifyFramed},
      {"0", true, &Amplifier::Identify},
      {"TO", false, &Amplifier::QueryOffset},
      {"4", true, &Amplifier::SendFaultLog},
      {"Y0", true, &Amplifier::SendModelCfg},
      {"Y1", false, &Amplifier::StoreModelCfgLine},
      {"Y~", true, &Amplifier::OpenConsole},
      {"Y2", false, &Amplifier::StartFirmware},
      {"Y3", false, &Amplifier::StoreFirmwareChunk},
      {"Y4", false, &Amplifier::FinishFirmware},
  };
  const auto answer = Dispatch(this, routes, body, body_room, now);
  return answer ? *answer : Refuse();
}

void Amplifier::Run(int elapsed_ms, Clock::time_point now) {
  if (state_.tube == Tube::warmup && now >= state_.warm_at) state_.tube = Tube::standby;
  if (timing_.hour_ms > 0) {
    const double hours = static_cast<double>(elapsed_ms) / timing_.hour_ms;
    state_.heater_hours += hours;
    if (state_.HighVoltage()) state_.beam_hours += hours;
  }
  if (timing_.steady) return;
  for (Reading* reading :
       {&state_.saturated_power, &state_.helix_voltage, &state_.helix_current,
        &state_.heater_voltage, &state_.reverse_power, &state_.temperature,
        &state_.supply_temperature, &state_.beam_current, &state_.heater_current})
    reading->Drift(random_);
}

void Amplifier::Boot(Clock::time_point now) {
  // The firmware comes up with the high voltage off and warms the heater; a latched fault
  // is forgotten.
  state_.tube = Tube::warmup;
  state_.warm_at = After(now, timing_.warmup_ms);
  state_.fault = false;
  state_.fault_text.clear();
  panel_.Show(FrontPanel::Screen::status1);
  // A new Model.cfg takes effect as the firmware starts; one the service console received
  // wins over an uploaded one.
  if (auto cfg = console_.TakeModelCfg()) uploaded_cfg_ = std::move(cfg);
  if (uploaded_cfg_) cfg_.File().Load(*uploaded_cfg_);
  uploaded_cfg_.reset();
  Run(0, now);
}

std::string Amplifier::StatusBytes() const {
  char first = 0x20;  // powered
  if (state_.HighVoltage()) first |= 0x10;
  if (state_.tube == Tube::standby) first |= 0x08;
  if (state_.remote) first |= 0x04;
  char second = 0;
  if (state_.fault) second |= 0x20;
  if (state_.heater_standby) second |= 0x10;
  if (state_.alarm) second |= 0x04;
  return {first, second};
}

std::string Amplifier::DisplayBytes(Clock::time_point now) const {
  std::string bytes;
  for (const std::string& row : panel_.Rows(state_, now)) {
    bytes += row;
    bytes.push_back('\0');
  }
  return bytes;
}

Answer Amplifier::Status(std::string_view letters, std::size_t, Clock::time_point) {
  // One field per letter, in the order asked.
  std::string body = "?" + StatusBytes();
  for (char letter : letters) {
    switch (letter) {
      case 'A':
        body += Fixed(state_.attenuation, 4, 1);
        break;
      case 'F':
        body += "  " + Fixed(state_.frequency, 7, 4);
        break;
      case 'M':
        body += Hours(state_.heater_hours);
        break;
      case 'N':
        body += Hours(state_.beam_hours);
        break;
      case 'o':
        body += Fixed(state_.Offset(), 4, 1, true);
        break;
      case 'P':
        body += Fixed(state_.OutputPower(), 4, 1);
        break;
      case 'V':
        body += Fixed(state_.Voltage(), 4, 1);
        break;
      case 'I':
        body += Fixed(state_.HelixCurrent(), 4, 1);
        break;
      case 'J':
        body += Fixed(state_.HeaterVoltage(), 4, 1);
        break;
      case 'Q':
        body += Fixed(state_.ReversePower(), 4, 1);
        break;
      case 'T':
        body += Fixed(state_.temperature.Value(), 4, 1);
        break;
      case 't':
        body += Fixed(state_.supply_temperature.Value(), 4, 1);
        break;
      case 'i':
        body += Fixed(state_.BeamCurrent(), 4, 0);
        break;
      case 'j':
        body += Fixed(state_.HeaterCurrent(), 4, 2);
        break;
      default:
        return Refuse();
    }
  }
  return Reply(body);
}

Answer Amplifier::Screen(std::string_view, std::size_t, Clock::time_point now) {
  return Reply("5" + DisplayBytes(now));
}

Answer Amplifier::Key(std::string_view keys, std::size_t, Clock::time_point now) {
  // "VW%c" to "VZ%c": the key with F1 to F4 held, which first opens that soft key's menu.
  const bool held = keys.size() == 2 && keys[0] >= 'W' && keys[0] <= 'Z';
  if (!(keys.size() == 1 || held) || !FrontPanel::HasKey(keys.back())) return Refuse();
  for (char key : keys) panel_.Press(key, state_);
  return Reply("V" + DisplayBytes(now));
}

Answer Amplifier::SetAttenuation(std::string_view value, std::size_t, Clock::time_point) {
  double setting = 0;
  if (value.size() < 2 || value.back() != '!' ||
      !ParseNumber(value.substr(0, value.size() - 1), &setting))
    return Refuse();
  state_.Attenuate(setting);
  char text[16];
  std::snprintf(text, sizeof text, "K%04.1f", state_.attenuation);
  return Reply(text);
}

Answer Amplifier::Identify(std::string_view, std::size_t, Clock::time_point) {
  const std::string& part = state_.part;
  const std::string& version = state_.version;
  Answer answer = Reply("0" + part.substr(4, 4));
  if (state_.old_id) {
    answer.body += part.substr(9, 3) + version;
  } else {
    answer.body +=
        "-" + part.substr(9, 3) + " " + state_.serial + " " + version[0] + "." + version.substr(1);
  }
  return answer;
}

Answer Amplifier::IdentifyFramed(std::string_view rest, std::size_t body_room,
                                 Clock::time_point now) {
  // Read at fixed frame offsets, unlike "0", which is read field by field after its letter.
  Answer answer = Identify(rest, body_room, now);
  answer.frame_positioned = true;
  return answer;
}

Answer Amplifier::QueryOffset(std::string_view value, std::size_t, Clock::time_point) {
  double frequency = 0;
  if (value.size() < 2 || value.back() != '?' ||
      !ParseNumber(value.substr(0, value.size() - 1), &frequency))
    return Refuse();
  // The question comes back first, so that the offset lands at frame positions 10 to 14.
  Answer answer = Reply(Column("TO" + std::string(value), 8) +
                        Fixed(state_.offsets[CalibrationIndex(frequency)], 5, 2, true));
  answer.frame_positioned = true;
  return answer;
}

Answer Amplifier::SendFaultLog(std::string_view, std::size_t body_room, Clock::time_point) {
  Answer answer = Reply("4" + state_.fault_log.Records(body_room - 1));
  answer.frame_positioned = true;
  return answer;
}

Answer Amplifier::SendModelCfg(std::string_view, std::size_t body_room, Clock::time_point) {
  // A text too long for the family is refused by the link.
  return cfg_.Fetch(body_room);
}

Answer Amplifier::StoreModelCfgLine(std::string_view line, std::size_t, Clock::time_point) {
  return cfg_.Store("Y1" + std::string(line));
}

Answer Amplifier::OpenConsole(std::string_view, std::size_t, Clock::time_point) {
  // No answer: the line belongs to the service console from now on.
  console_.Open();
  return Answer{false, false, {}, true};
}

Answer Amplifier::StartFirmware(std::string_view rest, std::size_t, Clock::time_point) {
  firmware_.Note(CommandSpeed());
  return firmware_.Start(rest);
}

Answer Amplifier::StoreFirmwareChunk(std::string_view rest, std::size_t, Clock::time_point) {
  firmware_.Note(CommandSpeed());
  return firmware_.Store(rest);
}

Answer Amplifier::FinishFirmware(std::string_view rest, std::size_t, Clock::time_point now) {
  firmware_.Note(CommandSpeed());
  bool reboot = false;
  Answer answer = firmware_.Finish(rest, &reboot);
  // The answer goes out before the device goes down to start the new image.
  if (reboot) Restart(now);
  return answer;
}

bool Amplifier::LineCommandCame(bool port_set) {
  firmware_.Note(CommandSpeed());
  return port_set && firmware_.LoseSpeedAnswer();
}

bool Amplifier::TakeUpload(std::string_view name, std::string_view bytes) {
  std::string upper(name);
  for (char& byte : upper) byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
  if (upper != "MODEL.CFG") return false;
  uploaded_cfg_ = std::string(bytes);
  return true;
}

bool Amplifier::SetReading(std::string_view field, double value) {
  if (field == "power") {
    state_.saturated_power.Set(value + state_.attenuation);
  } else if (field == "voltage") {
    state_.helix_voltage.Set(value);
  } else if (field == "current") {
    state_.helix_current.Set(value);
  } else if (field == "heater_voltage") {
    state_.heater_voltage.Set(value);
  } else if (field == "reverse_power") {
    state_.reverse_power.Set(value);
  } else if (field == "temperature") {
    state_.temperature.Set(value);
  } else if (field == "supply_temperature") {
    state_.supply_temperature.Set(value);
  } else if (field == "beam_current") {
    state_.beam_current.Set(value);
  } else if (field == "heater_current") {
    state_.heater_current.Set(value);
  } else {
    return false;
  }
  return true;
}

std::string Amplifier::Set(std::string_view field, std::string_view value, Clock::time_point now) {
  double number = 0;
  const bool numeric = ParseNumber(value, &number);
  bool on = false;
  const bool flag = ParseSwitch(value, &on);
  const int row = RowIndex(field);
  if (auto error = cfg_.Set(field, value)) return *error;
  if (auto error = console_.Set(field, value)) return *error;
  if (auto error = firmware_.Set(field, value)) return *error;
  if (row >= 0) {
    panel_.Override(row, value);
  } else if (field == "screen") {
    for (auto screen :
         {FrontPanel::Screen::status1, FrontPanel::Screen::status2, FrontPanel::Screen::attenuation,
          FrontPanel::Screen::readings, FrontPanel::Screen::fault_log, FrontPanel::Screen::setup}) {
      if (value == FrontPanel::Name(screen)) {
        panel_.Show(screen);
        return "";
      }
    }
    return "no screen " + std::string(value);
  } else if (field == "fault") {
    if (value == "off") {
      state_.fault = false;
      state_.fault_text.clear();
    } else if (value.substr(0, 2) == "on" && (value.size() == 2 || value[2] == ' ')) {
      state_.RaiseFault(Printable(value.substr(value.size() > 3 ? 3 : value.size())));
    } else {
      return "fault takes on [TEXT] or off";
    }
  } else if (field == "alarm" || field == "remote" || field == "heater_standby" || field == "hv") {
    if (!flag) return std::string(field) + " takes on or off";
    if (field == "alarm") state_.alarm = on;
    if (field == "remote") state_.remote = on;
    if (field == "heater_standby") state_.heater_standby = on;
    if (field == "hv" && !on) state_.HighVoltageOff();
    if (field == "hv" && on) return state_.HighVoltageOn();
  } else if (field == "part") {
    if (!IsPartNumber(value)) return "part must read 305-dddd-ddd";
    state_.part = value;
  } else if (field == "serial") {
    if (!IsDigits(value, 5)) return "serial must be 5 digits";
    state_.serial = value;
  } else if (field == "version") {
    if (!IsDigits(value, 3)) return "version must be 3 digits";
    state_.version = value;
  } else if (field == "id") {
    if (value != "old" && value != "current") return "id takes old or current";
    state_.old_id = value == "old";
  } else if (!numeric) {
    return IsNumericField(field) ? std::string(field) + " takes a number"
                                 : Device::Set(field, value, now);
  } else if (field == "attenuation") {
    if (number < 0 || number > max_attenuation) return "attenuation must be 0 to 40";
    state_.Attenuate(number);
  } else if (field == "frequency") {
    if (number <= 0 || number >= 100) return "frequency must be above 0 and below 100 GHz";
    state_.frequency = number;
  } else if (field == "offset") {
    if (std::fabs(number) > 9.9) return "offset must be -9.9 to 9.9";
    state_.offsets[CalibrationIndex(state_.frequency)] = number;
  } else if (field == "heater" || field == "beam" || field == "target") {
    if (number < 0 || number > 999999) return "hours must be 0 to 999999";
    if (field == "heater") state_.heater_hours = std::floor(number);
    if (field == "beam") state_.beam_hours = std::floor(number);
    if (field == "target") state_.target_hours = static_cast<long>(number);
  } else if (!SetReading(field, number)) {
    return Device::Set(field, value, now);
  }
  return "";
}

bool Amplifier::Get(std::string_view field, Clock::time_point now, std::string* value) const {
  if (cfg_.Get(field, value) || console_.Get(field, value) || firmware_.Get(field, value))
    return true;
  const int row = RowIndex(field);
  if (row >= 0) {
    *value = panel_.Rows(state_, now)[row];
  } else if (field == "screen") {
    *value = FrontPanel::Name(panel_.Current());
  } else if (field == "state") {
    *value = state_.tube == Tube::hv_on     ? "hv"
             : state_.tube == Tube::standby ? "standby"
                                            : "warmup";
  } else if (field == "status") {
    *value = HexBytes(StatusBytes());
  } else if (field == "fault") {
    *value = state_.fault ? "on " + state_.fault_text : "off";
  } else if (field == "alarm" || field == "remote" || field == "heater_standby") {
    const bool on = field == "alarm"    ? state_.alarm
                    : field == "remote" ? state_.remote
                                        : state_.heater_standby;
    *value = on ? "on" : "off";
  } else if (field == "part") {
    *value = state_.part;
  } else if (field == "serial") {
    *value = state_.serial;
  } else if (field == "version") {
    *value = state_.version;
  } else if (field == "id") {
    *value = state_.old_id ? "old" : "current";
  } else if (field == "attenuation") {
    *value = Decimal(state_.attenuation, 1);
  } else if (field == "frequency") {
    *value = Decimal(state_.frequency, 2);
  } else if (field == "offset") {
    *value = Decimal(state_.Offset(), 2);
  } else if (field == "heater") {
    *value = std::to_string(static_cast<long>(state_.heater_hours));
  } else if (field == "beam") {
    *value = std::to_string(static_cast<long>(state_.beam_hours));
  } else if (field == "target") {
    *value = std::to_string(state_.target_hours);
  } else if (field == "power") {
    *value = Decimal(state_.OutputPower(), 1);
  } else if (field == "voltage") {
    *value = Decimal(state_.Voltage(), 1);
  } else if (field == "current") {
    *value = Decimal(state_.HelixCurrent(), 1);
  } else if (field == "heater_voltage") {
    *value = Decimal(state_.HeaterVoltage(), 1);
  } else if (field == "reverse_power") {
    *value = Decimal(state_.ReversePower(), 1);
  } else if (field == "temperature") {
    *value = Decimal(state_.temperature.Value(), 1);
  } else if (field == "supply_temperature") {
    *value = Decimal(state_.supply_temperature.Value(), 1);
  } else if (field == "beam_current") {
    *value = Decimal(state_.BeamCurrent(), 0);
  } else if (field == "heater_current") {
    *value = Decimal(state_.HeaterCurrent(), 2);
  } else if (field == "faultlog") {
    *value = std::to_string(state_.fault_log.Size());
  } else {
    return Device::Get(field, now, value);
  }
  return true;
}

}  // namespace sim
