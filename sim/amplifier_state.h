// Everything an amplifier is at one moment; its command interpreter and its front panel both
// work on it.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "sim/clock.h"
#include "sim/fault_log.h"
#include "sim/reading.h"

namespace sim {

// warmup: the heater is coming up (neither standby nor high voltage, "FTD" on the console).
enum class Tube { warmup, standby, hv_on };

constexpr double max_attenuation = 40.0;
constexpr std::array<double, 3> calibration_frequencies = {6.15, 8.15, 14.25};
// The calibration frequency nearest to `frequency`.
std::size_t CalibrationIndex(double frequency);

struct AmplifierState {
  Tube tube = Tube::hv_on;
  Clock::time_point warm_at{};  // end of the warm-up
  bool remote = false;
  bool fault = false;
  bool alarm = false;
  bool heater_standby = false;
  std::string fault_text;
  double attenuation = 12.5;
  double frequency = 14.25;
  std::array<double, 3> offsets = {0.5, -0.3, 1.2};  // dB at each calibration frequency
  double heater_hours = 1875;
  double beam_hours = 1502;
  long target_hours = 0;                    // tube life; 0 for none
  Reading saturated_power{55.7, 0.1, 0.3};  // output in dBm at no attenuation
  Reading helix_voltage{10.5, 0.02, 0.06};
  Reading helix_current{1.8, 0.05, 0.2};
  Reading heater_voltage{6.3, 0.02, 0.05};
  Reading reverse_power{22.0, 0.1, 0.4};
  Reading temperature{45.0, 0.2, 2.0};
  Reading supply_temperature{38.5, 0.2, 1.5};
  Reading beam_current{650, 2, 8};
  Reading heater_current{1.25, 0.01, 0.03};
  FaultLog fault_log;
  std::string part = "305-4120-025";
  std::string serial = "10042";
  std::string version = "412";
  bool old_id = false;

  bool HighVoltage() const { return tube == Tube::hv_on; }
  double OutputPower() const;
  double Voltage() const;
  double HelixCurrent() const;
  double BeamCurrent() const;
  double ReversePower() const;
  double HeaterVoltage() const;
  double HeaterCurrent() const;
  double Offset() const { return offsets[CalibrationIndex(frequency)]; }
  // Seconds of warm-up left.
  long WarmupLeft(Clock::time_point now) const;
  // Sets the attenuation, held to the attenuator's range.
  void Attenuate(double value);
  // The high voltage goes on when nothing holds it back; the reason otherwise.
  std::string HighVoltageOn();
  void HighVoltageOff();
  void RaiseFault(std::string text);
};

}  // namespace sim
