#include "sim/front_panel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr int reading_pages = 3;
constexpr int setup_items = 3;
constexpr int records_per_page = 3;
constexpr std::size_t entry_size = 4;

std::string RecordText(const FaultLog& log, std::size_t newest_index) {
  const std::string& record = log.Record(log.Size() - 1 - newest_index);
  return record.substr(0, display_columns);
}

int Wrap(int value, int count) {
  return ((value % count) + count) % count;
}

}  // namespace

const char* FrontPanel::Name(Screen screen) {
  switch (screen) {
    case Screen::status1:
      return "status1";
    case Screen::status2:
      return "status2";
    case Screen::attenuation:
      return "attenuation";
    case Screen::readings:
      return "readings";
    case Screen::fault_log:
      return "faultlog";
    case Screen::setup:
      return "setup";
  }
  return "";
}

std::string FrontPanel::Column(std::string_view text) {
  return sim::Column(text, display_columns);
}

void FrontPanel::Show(Screen screen) {
  screen_ = screen;
  page_ = 0;
  entry_.clear();
  message_.clear();
}

bool FrontPanel::HasKey(char key) {
  return key != '\0' &&
         std::string_view("HGWXYZDABijklCF0123456789.").find(key) != std::string_view::npos;
}

void FrontPanel::Press(char key, AmplifierState& state) {
  overrides_ = {};
  std::string message;
  switch (key) {
    case 'H':
      Show(Screen::status1);
      break;
    case 'G':
      Show(Screen::status2);
      break;
    case 'W':
      Show(Screen::attenuation);
      break;
    case 'X':
      Show(Screen::readings);
      break;
    case 'Y':
      Show(Screen::fault_log);
      break;
    case 'Z':
    case 'D':
      Show(Screen::setup);
      break;
    case 'A':
      message = state.HighVoltageOn();
      Show(Screen::status1);
      message_ = message;
      break;
    case 'B':
      state.HighVoltageOff();
      Show(Screen::status1);
      break;
    case 'i':
      state.Attenuate(state.attenuation - 0.1);
      break;
    case 'j':
      state.Attenuate(state.attenuation + 0.1);
      break;
    case 'k':
      Page(-1, state);
      break;
    case 'l':
      Page(1, state);
      break;
    case 'C':
      if (screen_ == Screen::attenuation && entry_.empty()) {
        Show(Screen::status1);
      } else {
        entry_.clear();
        message_.clear();
      }
      break;
    case 'F':
      Enter(state);
      break;
    default:
      Digit(key);
  }
}

void FrontPanel::Digit(char key) {
  // On the status screens a digit starts a new attenuation setting.
  if (screen_ == Screen::status1 || screen_ == Screen::status2) Show(Screen::attenuation);
  if (screen_ != Screen::attenuation || entry_.size() >= entry_size) return;
  if (key == '.' && entry_.find('.') != std::string::npos) return;
  entry_.push_back(key);
  message_.clear();
}

void FrontPanel::Enter(AmplifierState& state) {
  if (screen_ == Screen::attenuation && !entry_.empty()) {
    double value = -1;
    if (ParseNumber(entry_, &value) && value >= 0 && value <= max_attenuation) {
      state.Attenuate(value);
      message_ = "ATTENUATION SET";
    } else {
      message_ = "RANGE 0.0 - 40.0";
    }
    entry_.clear();
  } else if (screen_ == Screen::setup) {
    message_.clear();
    if (page_ == 0) {
      state.remote = !state.remote;
    } else if (page_ == 1) {
      const std::size_t next =
          (CalibrationIndex(state.frequency) + 1) % calibration_frequencies.size();
      state.frequency = calibration_frequencies[next];
    } else if (state.HighVoltage()) {
      message_ = "HV OFF FIRST";
    } else {
      state.heater_standby = !state.heater_standby;
    }
  }
}

void FrontPanel::Page(int step, const AmplifierState& state) {
  message_.clear();
  switch (screen_) {
    case Screen::status1:
    case Screen::status2:
      screen_ = step < 0 ? Screen::status1 : Screen::status2;
      break;
    case Screen::readings:
      page_ = Wrap(page_ + step, reading_pages);
      break;
    case Screen::fault_log: {
      const int pages =
          std::max<int>(1, (state.fault_log.Size() + records_per_page - 1) / records_per_page);
      page_ = Wrap(page_ + step, pages);
      break;
    }
    case Screen::setup:
      page_ = Wrap(page_ + step, setup_items);
      break;
    case Screen::attenuation:
      break;
  }
}

Display FrontPanel::Rows(const AmplifierState& state, Clock::time_point now) const {
  Display rows = screen_ == Screen::status1 || screen_ == Screen::status2 ? StatusRows(state, now)
                                                                          : MenuRows(state);
  for (int i = 0; i < display_rows; ++i) rows[i] = overrides_[i] ? *overrides_[i] : Column(rows[i]);
  return rows;
}

Display FrontPanel::StatusRows(const AmplifierState& state, Clock::time_point now) const {
  if (screen_ == Screen::status2) {
    std::string target = "Target Hrs  " + (state.target_hours > 0 ? Hours(state.target_hours)
                                                                  : std::string("------"));
    if (state.target_hours > 0 && state.beam_hours >= state.target_hours)
      target = "TUBE TARGET REACHED";
    return {"Heater Hrs  " + Hours(state.heater_hours), "Beam Hrs    " + Hours(state.beam_hours),
            target,
            "Freq " + Fixed(state.frequency, 5, 2) + " GHz " + Fixed(state.Offset(), 4, 1, true)};
  }
  std::string tube;
  if (state.tube == Tube::hv_on) {
    tube = "HV ON";
  } else if (state.tube == Tube::warmup) {
    tube = "WARMUP " + std::to_string(state.WarmupLeft(now)) + "s";
  } else {
    tube = state.heater_standby ? "HTR STANDBY" : "STANDBY";
  }
  char top[32];
  std::snprintf(top, sizeof top, "%-14s%6s", tube.c_str(), state.remote ? "REMOTE" : "LOCAL");
  std::string bottom = "ATT  RDG  LOG  SETUP";
  if (state.fault) {
    bottom = "FAULT " + state.fault_text;
  } else if (state.alarm) {
    bottom = "ALARM";
  } else if (!message_.empty()) {
    bottom = message_;
  }
  return {top, "Pout " + Fixed(state.OutputPower(), 5, 1) + " dBm",
          "Att " + Fixed(state.attenuation, 4, 1) + "dB  " + Fixed(state.Voltage(), 4, 1) + " kV",
          bottom};
}

Display FrontPanel::MenuRows(const AmplifierState& state) const {
  switch (screen_) {
    case Screen::attenuation:
      return {"SET ATTENUATION", "Now " + Fixed(state.attenuation, 4, 1) + " dB",
              "New " + entry_ + "_", message_.empty() ? "0-9 .  CLR  ENTER" : message_};
    case Screen::readings: {
      const std::string title = "READINGS " + std::to_string(page_ + 1) + "/3";
      if (page_ == 0)
        return {title, "Helix I  " + Fixed(state.HelixCurrent(), 4, 1) + " mA",
                "Beam I   " + Fixed(state.BeamCurrent(), 4, 0) + " mA",
                "Rev Pwr  " + Fixed(state.ReversePower(), 4, 1) + " dBm"};
      if (page_ == 1)
        return {title, "Helix V  " + Fixed(state.Voltage(), 4, 1) + " kV",
                "Heater V " + Fixed(state.HeaterVoltage(), 4, 1) + " V",
                "Heater I " + Fixed(state.HeaterCurrent(), 4, 2) + " A"};
      return {title, "Temp     " + Fixed(state.temperature.Value(), 4, 1) + " C",
              "Supply   " + Fixed(state.supply_temperature.Value(), 4, 1) + " C", ""};
    }
    case Screen::fault_log: {
      const FaultLog& log = state.fault_log;
      const int pages = std::max<int>(1, (log.Size() + records_per_page - 1) / records_per_page);
      Display rows = {"FAULT LOG " + std::to_string(page_ + 1) + "/" + std::to_string(pages), "",
                      "", ""};
      if (log.Size() == 0) rows[1] = "NO FAULTS";
      for (int i = 0; i < records_per_page; ++i) {
        const std::size_t index = page_ * records_per_page + i;
        if (index < log.Size()) rows[1 + i] = RecordText(log, index);
      }
      return rows;
    }
    default: {  // the setup menu
      const std::string items[setup_items] = {
          std::string("Control  ") + (state.remote ? "REMOTE" : "LOCAL"),
          "Freq     " + Fixed(state.frequency, 5, 2) + " GHz",
          std::string("Heater   ") + (state.heater_standby ? "STANDBY" : "ON")};
      Display rows = {message_.empty() ? "SETUP" : message_, "", "", ""};
      for (int i = 0; i < setup_items; ++i) rows[1 + i] = (i == page_ ? ">" : " ") + items[i];
      return rows;
    }
  }
}

}  // namespace sim
