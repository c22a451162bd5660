// Control ids of the console's dialogs, as their procedures address them.
#pragma once

// "Serial Port Configuration"
enum : int {
  id_com_port = 101,
  id_baud_rate = 102,
  id_data_bits = 103,
  id_stop_bits = 104,
  id_parity = 105,
  id_use_ethernet = 111,
  id_ip_address = 112,
  id_connect = 113,
  id_search = 114,
};

// "Parameters to Log": check box id_log_first_row + n belongs to row n.
enum : int {
  id_log_general = 102,
  id_log_kpa_only = 110,
  id_log_first_row = 111,
};
