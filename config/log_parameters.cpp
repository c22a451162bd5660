#include "config/log_parameters.h"

#include <cstring>

log_parm_struct log_parameter[log_parameter_count];

namespace {

struct parameter_default {
  const char* letter;
  const char* name;
  int enabled;
};

constexpr parameter_default defaults[log_parameter_count] = {
    {"I", "Current (mA)", 1},        {"J", "Heater Voltage (V)", 0},
    {"P", "Forward Power (dBm)", 1}, {"Q", "Reverse Power (dBm)", 0},
    {"T", "Temperature (C)", 1},     {"V", "Helix/Beam Volts (kV)", 1},
    {"t", "Supply Temp (C)", 0},     {"i", "Beam Current (mA)", 0},
    {"j", "Heater Current (A)", 0},
};

}  // namespace

void SetLogParameterDefaults() {
  for (int row = 0; row < log_parameter_count; ++row) {
    log_parm_struct& parameter = log_parameter[row];
    for (char* value : parameter.response) std::strcpy(value, "????");
    parameter.letter = defaults[row].letter;
    std::strcpy(parameter.name, defaults[row].name);
    parameter.enabled = defaults[row].enabled;
  }
}

namespace {

// The table holds its letters and names from program load on, before the
// settings file is read.
[[maybe_unused]] const bool defaults_at_load = (SetLogParameterDefaults(), true);

}  // namespace
