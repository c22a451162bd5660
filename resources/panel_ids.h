// Control ids of the device panels. The key buttons' ids are the virtual-key
// codes of their keyboard equivalents, so a click and a key press meet in one
// command path.
#pragma once

// Amplifier panel (templates 1 and 13).
enum : int {
  id_display_row0 = 301,  // rows 0..3 are 301..304
  id_lamp_power = 305,
  id_lamp_ftd = 306,
  id_lamp_standby = 307,
  id_lamp_hv_on = 308,
  id_lamp_local = 309,
  id_lamp_remote = 310,
  id_lamp_alarm = 311,
  id_lamp_fault = 312,
  id_power_out = 313,
  id_voltage = 314,
  id_attenuation = 315,
  id_attenuation_bar = 316,
  id_key_f1 = 112,
  id_key_f2 = 113,
  id_key_f3 = 114,
  id_key_f4 = 115,
  id_key_status1 = 116,
  id_key_status2 = 117,
  id_key_setup = 118,
  id_key_hv_off = 119,
  id_key_hv_on = 120,
  id_key_enable = 127,
  id_key_digit0 = 96,  // digits 0..9 are 96..105
  id_key_point = 110,
  id_key_clear = 8,
  id_key_enter = 13,
  id_key_left = 34,
  id_key_right = 33,
  id_key_plus = 107,
  id_key_minus = 109,
  id_amp_options = 401,
  id_amp_frequency = 402,
  id_amp_offset = 403,
  id_amp_trends = 404,  // system menu
};

// Outdoor controller panel (templates 8 and 11).
enum : int {
  id_oc_lamp_power = 901,
  id_oc_lamp_remote = 902,
  id_oc_lamp_twta_power = 904,
  id_oc_lamp_heater_standby = 905,
  id_oc_lamp_hv = 906,
  id_oc_lamp_fault = 907,
  id_oc_lamp_ftd = 908,
  id_oc_lamp_standby = 909,
  id_oc_display = 910,
  id_oc_up_down = 101,
  id_oc_key_twta_power = 116,
  id_oc_key_heater_standby = 117,
  id_oc_key_hv = 119,
  id_oc_key_fault_reset = 120,
  id_oc_key_enter = 13,
};
