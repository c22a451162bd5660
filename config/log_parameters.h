// The readings that status logs can record besides the fixed status columns.
#pragma once

struct log_parm_struct {
  int enabled;             // queried and logged
  const char* letter;      // one-character query code; case matters
  char name[80];           // column title in the log file
  char response[256][10];  // latest value per device address
};

constexpr int log_parameter_count = 9;

extern log_parm_struct log_parameter[log_parameter_count];

// Every value "????", then the letters, names and default selection.
void SetLogParameterDefaults();
