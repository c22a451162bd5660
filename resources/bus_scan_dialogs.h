// "Find/Configure Device" (template 15) and "Scanning" (template 12): the
// bus scan's ranges and desired settings, and the scan under way.
#pragma once

#include "ui/dialog.h"

// "Find/Configure Device": the rate boxes id_scan_first_rate + n and
// id_target_first_rate + n belong to baud_opts[n].
enum : int {
  id_scan_range = 101,
  id_scan_first_rate = 103,
  id_scan_data_7 = 111,
  id_scan_data_8 = 112,
  id_scan_parity_none = 113,
  id_scan_parity_even = 114,
  id_scan_parity_odd = 115,
  id_scan_stop_1 = 116,
  id_scan_stop_2 = 117,
  id_scan_combinations = 120,
  id_target_address = 201,
  id_target_first_rate = 203,
  id_target_data_7 = 211,
  id_target_data_8 = 212,
  id_target_parity_none = 213,
  id_target_parity_even = 214,
  id_target_parity_odd = 215,
  id_target_stop_1 = 216,
  id_target_stop_2 = 217,
  id_start_scan = 301,
  id_scan_and_configure = 318,
  id_configure = 319,
  id_port_default = 401,
  id_port_com1 = 402,
  id_port_com2 = 403,
  id_mode_default = 411,
  id_mode_two_wire = 412,
  id_mode_four_wire = 413,
  id_terminations_default = 421,
  id_terminated = 422,
  id_unterminated = 423,
};

// "Scanning"
enum : int {
  id_scanning_status = 101,
  id_scanning_address = 102,
  id_scanning_baud = 103,
  id_scanning_parity = 104,
  id_scanning_data = 105,
  id_scanning_stop = 106,
  id_scanning_pause = 107,
  id_scanning_done = 108,
  id_scanning_progress = 120,
  id_scanning_position = 121,
  id_scanning_results = 122,
  id_scanning_summary = 123,
};

const ui::DialogTemplate& FindDeviceDialogTemplate();
const ui::DialogTemplate& ScanningDialogTemplate();
