#include "config/log_parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(LogParameters, DefaultsPutEveryRowAndValueBack) {
  log_parameter[4].enabled = 0;
  log_parameter[6].enabled = 1;
  std::strcpy(log_parameter[8].name, "x");
  std::strcpy(log_parameter[2].response[255], "21.7");
  SetLogParameterDefaults();
  const char* names[] = {"Current (mA)",        "Heater Voltage (V)", "Forward Power (dBm)",
                         "Reverse Power (dBm)", "Temperature (C)",    "Helix/Beam Volts (kV)",
                         "Supply Temp (C)",     "Beam Current (mA)",  "Heater Current (A)"};
  std::string letters;
  std::string selection;
  for (int row = 0; row < log_parameter_count; ++row) {
    const log_parm_struct& parameter = log_parameter[row];
    letters += parameter.letter;
    selection += parameter.enabled ? parameter.letter : "-";
    EXPECT_STREQ(parameter.name, names[row]);
    for (const char* value : parameter.response) ASSERT_STREQ(value, "????");
  }
  // Upper and lower case letters are distinct readings.
  EXPECT_EQ(letters, "IJPQTVtij");
  EXPECT_EQ(selection, "I-P-TV---");
}

}  // namespace
