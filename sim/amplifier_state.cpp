#include "sim/amplifier_state.h"

#include <algorithm>
#include <cmath>

namespace sim {

double AmplifierState::OutputPower() const {
  return HighVoltage() ? saturated_power.Value() - attenuation : 0;
}

double AmplifierState::Voltage() const {
  return HighVoltage() ? helix_voltage.Value() : 0;
}

double AmplifierState::HelixCurrent() const {
  return HighVoltage() ? helix_current.Value() : 0;
}

double AmplifierState::BeamCurrent() const {
  return HighVoltage() ? beam_current.Value() : 0;
}

double AmplifierState::ReversePower() const {
  return HighVoltage() ? reverse_power.Value() : 0;
}

// A heater in standby runs at reduced power.
double AmplifierState::HeaterVoltage() const {
  return heater_voltage.Value() * (heater_standby ? 0.6 : 1.0);
}

double AmplifierState::HeaterCurrent() const {
  return heater_current.Value() * (heater_standby ? 0.6 : 1.0);
}

std::size_t CalibrationIndex(double frequency) {
  std::size_t nearest = 0;
  for (std::size_t i = 1; i < calibration_frequencies.size(); ++i) {
    if (std::fabs(calibration_frequencies[i] - frequency) <
        std::fabs(calibration_frequencies[nearest] - frequency))
      nearest = i;
  }
  return nearest;
}

long AmplifierState::WarmupLeft(Clock::time_point now) const {
  if (tube != Tube::warmup || now >= warm_at) return 0;
  return std::chrono::duration_cast<std::chrono::seconds>(warm_at - now).count() + 1;
}

void AmplifierState::Attenuate(double value) {
  attenuation = std::clamp(std::round(value * 10) / 10, 0.0, max_attenuation);
}

std::string AmplifierState::HighVoltageOn() {
  if (fault) return "HV INHIBIT: FAULT";
  if (tube == Tube::warmup) return "HV INHIBIT: WARMUP";
  if (heater_standby) return "HV INHIBIT: HTR STBY";
  tube = Tube::hv_on;
  return "";
}

void AmplifierState::HighVoltageOff() {
  if (tube == Tube::hv_on) tube = Tube::standby;
}

void AmplifierState::RaiseFault(std::string text) {
  // A fault trips the high voltage and goes into the fault log.
  if (text.empty()) text = "HELIX OVERCUR";
  fault = true;
  fault_text = text;
  HighVoltageOff();
  fault_log.Add(beam_hours, text);
}

}  // namespace sim
