#include "link/find_device_dialog.h"

#include <string>

#include "link/address_text.h"
#include "link/bus_scan.h"
#include "link/device_setup.h"
#include "link/device_setup_dialog.h"
#include "link/scan_settings.h"
#include "link/scanning_dialog.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/bus_scan_dialogs.h"
#include "ui/dialog.h"

namespace {

constexpr int port_ids[] = {id_port_default, id_port_com1, id_port_com2};
constexpr std::int32_t port_values[] = {0, 1, 2};
constexpr int mode_ids[] = {id_mode_default, id_mode_two_wire, id_mode_four_wire};
constexpr std::int32_t mode_values[] = {0, 2, 4};
constexpr int termination_ids[] = {id_terminations_default, id_terminated, id_unterminated};
constexpr std::int32_t termination_values[] = {0, 'T', 'U'};

bool Ticked(ui::Handle dialog, int id) {
  return ui::CheckStateOf(dialog, id) == ui::checked;
}

void Show(ui::Handle dialog, int id, bool ticked) {
  ui::SetCheck(dialog, id, ticked ? ui::checked : ui::unchecked);
}

// Reads a group of boxes into flags; none ticked gives only the default.
void ReadGroup(ui::Handle dialog, int first_id, std::int32_t* flags, int count, int fallback) {
  bool any = false;
  for (int n = 0; n < count; ++n) any = (flags[n] = Ticked(dialog, first_id + n)) || any;
  if (!any) flags[fallback] = 1;
}

// The value of the first selected button of a radio group; unchanged if none.
void ReadChoice(ui::Handle dialog, const int* ids, const std::int32_t* values,
                std::int32_t* value) {
  for (int n = 0; n < 3; ++n) {
    if (Ticked(dialog, ids[n])) {
      *value = values[n];
      return;
    }
  }
}

void ShowChoice(ui::Handle dialog, const int* ids, const std::int32_t* values, std::int32_t value) {
  for (int n = 0; n < 3; ++n) Show(dialog, ids[n], values[n] == value);
}

// The ranges as the dialog holds them now; the settings stay as they are
// until a scan starts.
long CountShown(ui::Handle dialog, long* msec) {
  const AddressRange range = ReadAddressRange(
      ui::ControlText(dialog, id_scan_range, address_text_limit), {start_address, stop_address});
  auto ticked = [dialog](std::initializer_list<int> ids) {
    long count = 0;
    for (int id : ids) count += Ticked(dialog, id);
    return count ? count : 1;
  };
  const long formats = ticked({id_scan_parity_none, id_scan_parity_even, id_scan_parity_odd}) *
                       ticked({id_scan_data_7, id_scan_data_8}) *
                       ticked({id_scan_stop_1, id_scan_stop_2});
  long rates = 0;
  long rates_msec = 0;
  for (int n = 0; n < scan_rate_count; ++n) {
    if (!Ticked(dialog, id_scan_first_rate + n)) continue;
    ++rates;
    rates_msec += NoAnswerMsec(baud_opts[n]);
  }
  if (!rates) {
    rates = 1;
    rates_msec = NoAnswerMsec(9600);
  }
  const long addresses = range.stop - range.start + 1;
  *msec = addresses * formats * rates_msec;
  return addresses * formats * rates;
}

void ShowCombinations(ui::Handle dialog) {
  long msec = 0;
  const long count = CountShown(dialog, &msec);
  ui::SetControlText(
      dialog, id_scan_combinations,
      std::to_string(count) + " combinations, " + ElapsedText(msec) + " when nobody answers");
}

void RunScan(ui::Handle dialog, int configure) {
  ExtractAddressRange(dialog);
  ExtractTargetAddress(dialog);
  ExtractScanCheckBoxes(dialog);
  ExtractTargetCheckBoxes(dialog);
  scan_configure = configure;
  ui::Enable(dialog, false);
  RunScanningDialog(main_window);
  ui::Enable(dialog, true);
}

void RunSetup(ui::Handle dialog) {
  ExtractTargetAddress(dialog);
  ExtractTargetCheckBoxes(dialog);
  ui::Enable(dialog, false);
  RunDeviceSetupDialog(main_window);
  ui::Enable(dialog, true);
}

bool ChangesCombinations(int id) {
  return id == id_scan_range || (id >= id_scan_first_rate && id <= id_scan_stop_2);
}

}  // namespace

void ExtractAddressRange(ui::Handle dialog) {
  const AddressRange range = ReadAddressRange(
      ui::ControlText(dialog, id_scan_range, address_text_limit), {start_address, stop_address});
  start_address = range.start;
  stop_address = range.stop;
}

void ExtractTargetAddress(ui::Handle dialog) {
  target_address = ReadTargetAddress(ui::ControlText(dialog, id_target_address, address_text_limit),
                                     target_address);
}

void ExtractScanCheckBoxes(ui::Handle dialog) {
  ReadGroup(dialog, id_scan_first_rate, scan_baud, scan_rate_count, 3);
  ReadGroup(dialog, id_scan_parity_none, scan_parity, 3, 0);
  ReadGroup(dialog, id_scan_data_7, scan_data, 2, 1);
  ReadGroup(dialog, id_scan_stop_1, scan_stop, 2, 0);
}

void ExtractTargetCheckBoxes(ui::Handle dialog) {
  for (int n = 0; n < scan_rate_count; ++n) {
    if (Ticked(dialog, id_target_first_rate + n)) {
      target_baud = baud_opts[n];
      break;
    }
  }
  target_parity = Ticked(dialog, id_target_parity_even)  ? 'E'
                  : Ticked(dialog, id_target_parity_odd) ? 'O'
                                                         : 'N';
  target_data = Ticked(dialog, id_target_data_7) ? 7 : 8;
  target_stop = Ticked(dialog, id_target_stop_2) ? 2 : 1;
  ReadChoice(dialog, port_ids, port_values, &device_port);
  ReadChoice(dialog, mode_ids, mode_values, &rs485_mode);
  ReadChoice(dialog, termination_ids, termination_values, &terminations);
}

void InitScanSerCheckBoxes(ui::Handle dialog) {
  ui::SetControlText(dialog, id_scan_range, ScanRangeText({start_address, stop_address}));
  for (int n = 0; n < scan_rate_count; ++n) Show(dialog, id_scan_first_rate + n, scan_baud[n]);
  for (int n = 0; n < 3; ++n) Show(dialog, id_scan_parity_none + n, scan_parity[n]);
  for (int n = 0; n < 2; ++n) Show(dialog, id_scan_data_7 + n, scan_data[n]);
  for (int n = 0; n < 2; ++n) Show(dialog, id_scan_stop_1 + n, scan_stop[n]);
  ShowCombinations(dialog);
}

void InitScanTargetCheckBoxes(ui::Handle dialog) {
  ui::SetControlText(dialog, id_target_address, ScanAddressText(target_address));
  for (int n = 0; n < scan_rate_count; ++n)
    Show(dialog, id_target_first_rate + n, baud_opts[n] == target_baud);
  Show(dialog, id_target_parity_none, target_parity != 'E' && target_parity != 'O');
  Show(dialog, id_target_parity_even, target_parity == 'E');
  Show(dialog, id_target_parity_odd, target_parity == 'O');
  Show(dialog, id_target_data_7, target_data == 7);
  Show(dialog, id_target_data_8, target_data != 7);
  Show(dialog, id_target_stop_1, target_stop != 2);
  Show(dialog, id_target_stop_2, target_stop == 2);
  ShowChoice(dialog, port_ids, port_values, device_port);
  ShowChoice(dialog, mode_ids, mode_values, rs485_mode);
  ShowChoice(dialog, termination_ids, termination_values, terminations);
}

ui::Result ScanSerialCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                              ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      InitScanSerCheckBoxes(dialog);
      InitScanTargetCheckBoxes(dialog);
      return 1;
    case ui::msg_command: {
      const int id = ui::CommandId(word);
      switch (id) {
        case id_start_scan:
          RunScan(dialog, 0);
          return 1;
        case id_scan_and_configure:
          RunScan(dialog, 1);
          return 1;
        case id_configure:
          RunSetup(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          if (ChangesCombinations(id)) ShowCombinations(dialog);
          return 0;
      }
    }
    default:
      return 0;
  }
}

void RunFindDeviceDialog(ui::Handle owner) {
  ui::RunModal(FindDeviceDialogTemplate(), owner, ScanSerialCallBack);
}
