// Command ids of the main menu.
#pragma once

enum MenuCommand : int {
  menu_poll_amplifier = 1,
  menu_configure_local_comm = 2,
  menu_update_firmware = 3,
  menu_configure_corvane = 4,
  menu_poll_outdoor_controller = 5,
  menu_exit = 6,
  menu_configure_device_port = 7,
  menu_get_configuration = 8,
  menu_send_configuration = 9,
  menu_edit_configuration = 10,
  menu_events = 11,
  menu_version = 18873,
};
