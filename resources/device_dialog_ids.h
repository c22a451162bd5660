// Control ids of the device dialogs: opening panels by address, the
// amplifier's identity, its frequency offsets and the console's options.
#pragma once

// "Poll Amplifier" and "Enter Amplifier Information"; "Amplifier Options"
// shares the identity fields.
enum : int {
  id_address = 101,
  id_part = 102,
  id_serial = 103,
  id_target_hours = 104,
  id_comments = 105,
};

// "Amplifier Options"
enum : int {
  id_beam_hours = 156,
  id_beam_start = 157,
  id_heater_hours = 158,
  id_heater_start = 159,
  id_log_initiated = 160,
  id_print_log = 270,
  id_verify = 272,
};

// "Frequency Offsets": offset edit id_first_offset + n belongs to calibration
// frequency n.
enum : int {
  id_first_offset = 101,
  id_frequency_list = 104,
};

// "Corvane Configuration"
enum : int {
  id_basic_interface = 301,
  id_log_features = 302,
  id_log_prompt = 303,
  id_default_colors = 304,
  id_bright_colors = 305,
  id_display_font = 306,
  id_protocol = 307,
  id_transfer_speed = 308,
  id_transfer_mode = 309,
  id_polling_rate = 310,
  id_poll_frequency = 320,
  id_log_parameters = 321,
  id_record_every = 322,
  id_logging_interval = 323,
  id_record_seconds = 324,
  id_log_hours = 330,
  id_two_wire = 331,
  id_show_traffic = 340,
  id_alert_sound = 341,
};
