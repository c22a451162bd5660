#include "resources/device_dialogs.h"

#include "resources/device_dialog_ids.h"

using ui::ControlKind;

namespace {

constexpr unsigned dialog_style = ui::style_popup | ui::style_caption | ui::style_system_menu;
constexpr unsigned tab = ui::style_tab_stop;
constexpr unsigned first = ui::style_tab_stop | ui::style_group;

}  // namespace

const ui::DialogTemplate& PollAddressDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "2",
      "Poll Amplifier",
      150,
      62,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "Enter Device Address:", 10, 12, 80, 10, 0, ""},
          {id_address, ControlKind::edit, "A", 92, 10, 48, 12, first, ""},
          {ui::id_ok, ControlKind::default_button, "Ok", 20, 38, 50, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 80, 38, 50, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& AmpInformationDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "7",
      "Enter Amplifier Information",
      230,
      124,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "Poll Amplifier at &Address:", 8, 10, 92, 10, 0, ""},
          {id_address, ControlKind::edit, "", 104, 8, 40, 12, first, ""},
          {-1, ControlKind::static_text, "&Part Number:", 8, 28, 92, 10, 0, ""},
          {id_part, ControlKind::edit, "", 104, 26, 70, 12, tab, ""},
          {-1, ControlKind::static_text, "&Serial Number:", 8, 46, 92, 10, 0, ""},
          {id_serial, ControlKind::edit, "", 104, 44, 40, 12, tab, ""},
          {-1, ControlKind::static_text, "&Target Beam Hours:", 8, 64, 92, 10, 0, ""},
          {id_target_hours, ControlKind::edit, "", 104, 62, 40, 12, tab | ui::style_number, ""},
          {-1, ControlKind::static_text, "&Comments:", 8, 82, 92, 10, 0, ""},
          {id_comments, ControlKind::edit, "", 104, 80, 118, 12, tab, ""},
          {ui::id_ok, ControlKind::default_button, "Ok", 50, 102, 50, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 130, 102, 50, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& AmpOptionsDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "5",
      "Amplifier Options",
      240,
      190,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "&Part Number:", 8, 10, 80, 10, 0, ""},
          {id_part, ControlKind::edit, "", 92, 8, 70, 12, first, ""},
          {id_verify, ControlKind::push_button, "Verify", 170, 7, 50, 14, tab, ""},
          {-1, ControlKind::static_text, "&Serial Number:", 8, 28, 80, 10, 0, ""},
          {id_serial, ControlKind::edit, "", 92, 26, 40, 12, tab, ""},
          {-1, ControlKind::static_text, "&Target Beam Hours:", 8, 46, 80, 10, 0, ""},
          {id_target_hours, ControlKind::edit, "", 92, 44, 40, 12, tab | ui::style_number, ""},
          {-1, ControlKind::static_text, "&Comments:", 8, 64, 80, 10, 0, ""},
          {id_comments, ControlKind::edit, "", 92, 62, 140, 12, tab, ""},
          {-1, ControlKind::static_text, "Beam Hours:", 8, 86, 60, 10, 0, ""},
          {id_beam_hours, ControlKind::static_text, "", 70, 86, 40, 10, 0, ""},
          {-1, ControlKind::static_text, "(Original):", 120, 86, 50, 10, 0, ""},
          {id_beam_start, ControlKind::static_text, "", 172, 86, 40, 10, 0, ""},
          {-1, ControlKind::static_text, "Heater Hours:", 8, 102, 60, 10, 0, ""},
          {id_heater_hours, ControlKind::static_text, "", 70, 102, 40, 10, 0, ""},
          {-1, ControlKind::static_text, "(Original):", 120, 102, 50, 10, 0, ""},
          {id_heater_start, ControlKind::static_text, "", 172, 102, 40, 10, 0, ""},
          {-1, ControlKind::static_text, "Log Initiated:", 8, 118, 60, 10, 0, ""},
          {id_log_initiated, ControlKind::static_text, "", 70, 118, 160, 10, 0, ""},
          {id_print_log, ControlKind::push_button, "Print Log", 8, 140, 60, 14, tab, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 110, 166, 55, 14, first, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 175, 166, 55, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& ConfigurationDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "6",
      "Corvane Configuration",
      224,
      249,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::group_box, "User Interface", 7, 5, 150, 106, 0, ""},
          {id_basic_interface, ControlKind::radio_button, "Basic User Interface", 14, 17, 120, 10, first, ""},
          {id_log_features, ControlKind::radio_button, "Log Features Enabled", 14, 29, 120, 10, tab, ""},
          {id_log_parameters, ControlKind::push_button, "Parameters To Record", 24, 42, 100, 14, first, ""},
          {id_record_every, ControlKind::static_text, "Record Parameters Every", 24, 62, 84, 10, 0, ""},
          {id_logging_interval, ControlKind::edit, "900", 108, 60, 26, 12, tab | ui::style_number, ""},
          {id_record_seconds, ControlKind::static_text, "Seconds", 136, 62, 30, 10, 0, ""},
          {id_log_prompt, ControlKind::check_box, "Prompt User to Print Log", 24, 78, 120, 10, tab, ""},
          {id_log_hours, ControlKind::check_box, "Log Heater/Beam hours", 24, 92, 120, 10, tab, ""},
          {-1, ControlKind::static_text, "Polling Rate:", 14, 120, 50, 10, 0, ""},
          {id_polling_rate, ControlKind::edit, "350", 66, 118, 36, 12, first | ui::style_number, ""},
          {-1, ControlKind::static_text, "milliseconds", 106, 120, 50, 10, 0, ""},
          {id_two_wire, ControlKind::check_box, "2-wire RS485", 14, 136, 80, 10, tab, ""},
          {id_show_traffic, ControlKind::check_box, "Show Comm Traffic", 100, 136, 80, 10, tab, ""},
          {-1, ControlKind::static_text, "Transfer Speed", 14, 154, 60, 10, 0, ""},
          {id_transfer_speed, ControlKind::combo_list, "", 80, 152, 60, 60, tab, ""},
          {-1, ControlKind::static_text, "Transfer Mode", 14, 172, 60, 10, 0, ""},
          {id_transfer_mode, ControlKind::combo_list, "", 80, 170, 60, 40, tab, ""},
          {-1, ControlKind::static_text, "Protocol", 14, 190, 60, 10, 0, ""},
          {id_protocol, ControlKind::combo_list, "", 80, 188, 60, 40, tab, ""},
          {id_poll_frequency, ControlKind::three_state_box, "Poll Hpa For Frequency", 14, 208, 100, 10, tab, ""},
          {id_alert_sound, ControlKind::check_box, "Sound on Alerts", 14, 224, 100, 10, tab, ""},
          {-1, ControlKind::group_box, "Panel Colors", 150, 150, 67, 42, 0, ""},
          {id_default_colors, ControlKind::radio_button, "Default Colors", 156, 162, 58, 10, first, ""},
          {id_bright_colors, ControlKind::radio_button, "Bright Colors", 156, 176, 58, 10, tab, ""},
          {id_display_font, ControlKind::push_button, "Font for 20x4 Display", 120, 204, 97, 14, first, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 164, 10, 53, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 164, 28, 53, 14, tab, ""},
      }};
  return dialog;
}

const ui::DialogTemplate& FrequencyDialogTemplate() {
  static const ui::DialogTemplate dialog{
      "14",
      "Frequency Offsets",
      125,
      98,
      "MS Sans Serif",
      8,
      "",
      dialog_style,
      {
          {-1, ControlKind::static_text, "Frequency", 8, 10, 40, 10, 0, ""},
          {id_frequency_list, ControlKind::combo_list, "14.25 Ghz", 52, 8, 64, 50, first, ""},
          {-1, ControlKind::static_text, "6.15 GHz", 8, 28, 40, 10, 0, ""},
          {id_first_offset + 0, ControlKind::edit, "+0.0", 52, 26, 36, 12, tab, ""},
          {-1, ControlKind::static_text, "dB", 92, 28, 16, 10, 0, ""},
          {-1, ControlKind::static_text, "8.15 GHz", 8, 44, 40, 10, 0, ""},
          {id_first_offset + 1, ControlKind::edit, "+0.0", 52, 42, 36, 12, tab, ""},
          {-1, ControlKind::static_text, "dB", 92, 44, 16, 10, 0, ""},
          {-1, ControlKind::static_text, "14.25 GHz", 8, 60, 40, 10, 0, ""},
          {id_first_offset + 2, ControlKind::edit, "+0.0", 52, 58, 36, 12, tab, ""},
          {-1, ControlKind::static_text, "dB", 92, 60, 16, 10, 0, ""},
          {ui::id_ok, ControlKind::default_button, "OK", 8, 78, 50, 14, first, ""},
          {ui::id_cancel, ControlKind::push_button, "Cancel", 67, 78, 50, 14, tab, ""},
      }};
  return dialog;
}
