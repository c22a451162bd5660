// The editor's clicks: picking options, editing, deleting, sending and
// dragging lines, and the command row.
#include <cstdio>
#include <cstring>
#include <string>

#include "config/program_directory.h"
#include "link/link_settings.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/cfg_files.h"
#include "modelcfg/cfg_send_all.h"
#include "modelcfg/cfg_transfer.h"
#include "modelcfg/cfg_undo.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/textentry.h"
#include "modelcfg/wprint.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/device_dialogs.h"
#include "resources/modelcfg_dialogs.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

// Device commands need a device: without one the operator is asked first.
bool DeviceChosen() {
  if (transfer_device < 0) {
    if (use_ethernet) {
      EditModelGetIp();
    } else {
      ui::RunModal(PollAddressDialogTemplate(), modelcfg_popup, GetTransferAddressCallBack);
    }
  }
  return transfer_device >= 0;
}

void RepaintAll() {
  ui::Invalidate(modelcfg_popup, false);
}

void GetAll() {
  if (!DeviceChosen()) return;
  auto before = TakeCfgSnapshot();
  if (!GetConfigViaSerialProtocol()) return;
  PushCfgUndo(std::move(before));
  SetModelCfgTitle("Model.cfg");
  getall_button.face_color = cfg_text_colour;
  sendall_button.face_color = cfg_text_colour;
  RepaintAll();
}

void SendAll() {
  if (!DeviceChosen()) return;
  if (use_ethernet) return SendAllConfigViaEthernet();
  if (ui::ShowMessage(modelcfg_popup,
                      "Replacing the entire configuration file includes a firmware shutdown and "
                      "reboot.  Proceed?",
                      "Warning", ui::Buttons::yes_no, ui::Icon::warning) != ui::answer_yes)
    return;
  SendConfigViaXmodem();
  if (!ui::IsLive(transfer_dialog)) return;
  getall_button.face_color = cfg_green;
  sendall_button.face_color = cfg_text_colour;
  ui::InvalidateArea(modelcfg_popup, getall_button.r);
  ui::InvalidateArea(modelcfg_popup, sendall_button.r);
}

void SendLine(int line) {
  if (!DeviceChosen()) return;
  SendModelCfgLine(line);
  ClearCfgUndo();
  RepaintAll();
}

void Save() {
  if (!ConfigFileName(transfer_filepath, sizeof transfer_filepath, cfg_fileoption_save,
                      save_directory))
    return;
  if (!WriteModelCfgToFile()) return;
  char text[sizeof transfer_filepath + 40];
  std::snprintf(text, sizeof text, "Configuration written to %s.", transfer_filepath);
  ui::ShowMessage(modelcfg_popup, text, "Done", ui::Buttons::ok, ui::Icon::information);
}

void RefuseFullTable() {
  char text[120];
  std::snprintf(text, sizeof text,
                "The configuration already holds %d lines; no line can be added.", max_cfg_lines);
  ui::ShowMessage(modelcfg_popup, text, "Error", ui::Buttons::ok, ui::Icon::error);
}

void AddLine() {
  if (total_cfg_lines >= max_cfg_lines) return RefuseFullTable();
  textentry_struct entry;
  std::snprintf(entry.popup_title, sizeof entry.popup_title, "Define New Configuration Item");
  std::snprintf(entry.entry_string, sizeof entry.entry_string, "NEW_KEYWORD    *OPTION1 / OPTION2");
  if (!RunTextEntryDialog(modelcfg_popup, &entry)) return;
  auto before = TakeCfgSnapshot();
  const int added = AddModelCfgLine(total_cfg_lines, entry.entry_string);
  if (added == cfg_table_full) return RefuseFullTable();
  if (added < 0) return;
  PushCfgUndo(std::move(before));
  configuration_line[added].sent = modelcfg_status_edited;
  const ui::Rect frame = ui::WindowRect(modelcfg_popup);
  ui::Move(modelcfg_popup, frame.left, frame.top, frame.Width(),
           ui::ClientRect(main_window).Height() - frame.top);
  ResizeModelCfgPopup(modelcfg_popup);
  if (ui::WindowRect(modelcfg_popup).bottom <= frame.bottom)
    ScrollModelCfgTo(modelcfg_popup, ui::scroll_thumb_position, cfg_popup_virtual_display_height);
  RepaintAll();
}

void ChooseAddress() {
  if (use_ethernet) {
    EditModelGetIp();
  } else {
    ui::RunModal(PollAddressDialogTemplate(), modelcfg_popup, GetTransferAddressCallBack);
  }
}

void RunRowCommand(const button_class* button) {
  if (button == &getall_button) {
    GetAll();
  } else if (button == &sendall_button) {
    SendAll();
  } else if (button == &load_button) {
    ui::RunModal(LoadConfigDialogTemplate(), modelcfg_popup, Get807NumberCallBack);
  } else if (button == &save_button) {
    Save();
  } else if (button == &address_button) {
    ChooseAddress();
  } else if (button == &print_button) {
    ui::SetCursorShape(ui::Cursor::wait);
    PrintModelCfgPopup();
    ui::SetCursorShape(ui::Cursor::arrow);
  } else if (button == &addline_button) {
    AddLine();
  }
}

void DeleteLine(int line) {
  char text[1024];
  FormatModelCfgLine(text, line, 0);
  if (ui::ShowMessage(modelcfg_popup, text, "Delete Line?", ui::Buttons::yes_no,
                      ui::Icon::question) != ui::answer_yes)
    return;
  PushCfgUndo(TakeCfgSnapshot());
  DeleteModelCfgLine(line);
  sendall_button.face_color = cfg_green;
  RepaintAll();
}

void PickOption(int line, int option) {
  model_cfg_struct& entry = configuration_line[line];
  if (entry.new_selection != option || entry.sent != modelcfg_status_unsent)
    PushCfgUndo(TakeCfgSnapshot());
  entry.new_selection = option;
  entry.sent = modelcfg_status_unsent;
  ui::InvalidateArea(modelcfg_popup, entry.box, false);
}

// Ends a drag by a release on a line; true when a line moved.
bool DropDraggedLine(int y) {
  const int dragged = modelcfg_lineselected;
  modelcfg_lineselected = -1;
  UpdateModelCfgCursor();
  if (dragged < 0 || dragged >= total_cfg_lines) return false;
  PushCfgUndo(TakeCfgSnapshot());
  MoveModelCfgOption(dragged, ModelCfgLineFromCursor(y));
  RepaintAll();
  return true;
}

}  // namespace

void ModelCfgMouseClick(int x, int y, int down) {
  if (down) {
    // A pick needs its press: one left from an earlier press elsewhere must not count.
    for (int line = 0; line < total_cfg_lines; ++line)
      std::memset(configuration_line[line].option_pressed, 0,
                  sizeof configuration_line[line].option_pressed);
  }
  if (PointInBox(x, y, cfg_display_rect)) {
    // Only the lines under the pointer: the places of lines scrolled out of
    // sight are not kept up to date.
    int top = 1 - cfg_popup_scroll_offset;
    for (int line = 0; line < total_cfg_lines; ++line) {
      const int bottom = top + configuration_line[line].size_y;
      if (y >= top && y <= bottom && DetectCfgLineClick(x, y, line, down)) return;
      top = bottom;
    }
  }
  for (button_class* button : {&getall_button, &sendall_button, &load_button, &save_button,
                               &print_button, &address_button, &addline_button}) {
    if (button->Click(modelcfg_popup, x, y, down)) return RunRowCommand(button);
  }
}

void ModelCfgRightClick(int x, int y) {
  // Over serial, Get All's other way: the service console, for a device
  // whose frame answer cannot hold its whole file.
  if (use_ethernet || !PointInBox(x, y, getall_button.r) || !DeviceChosen()) return;
  GetConfigViaXmodem();
}

int DetectCfgLineClick(int x, int y, int line, int down) {
  model_cfg_struct& entry = configuration_line[line];
  if (!down && PointInBox(x, y, entry.box)) {
    // The rest of the offer would meet a line that moved away.
    if (DropDraggedLine(y)) return 1;
  }
  if (entry.send_button.Click(modelcfg_popup, x, y, down)) {
    SendLine(line);
    return 1;
  }
  if (entry.delete_button.Click(modelcfg_popup, x, y, down)) {
    DeleteLine(line);
    return 1;
  }
  for (int option = 0; option < entry.num_options; ++option) {
    if (!PointInBox(x, y, entry.option_rect[option])) continue;
    if (!down && entry.option_pressed[option]) PickOption(line, option);
    entry.option_pressed[option] = down;
    ui::InvalidateArea(modelcfg_popup, sendall_button.r, false);
    return 1;
  }
  if (PointInBox(x, y, entry.keyword_rect)) {
    if (!down && entry.keyword_pressed) EditCfgLine(line);
    // The edit may have re-parsed the line: its entry is read again.
    configuration_line[line].keyword_pressed = down;
    ui::InvalidateArea(modelcfg_popup, configuration_line[line].keyword_rect, false);
    return 1;
  }
  if (entry.keyword_pressed) {
    entry.keyword_pressed = 0;
    ui::InvalidateArea(modelcfg_popup, entry.keyword_rect, false);
  }
  if (down && PointInBox(x, y, entry.box) && !entry.send_button.down && !entry.delete_button.down) {
    modelcfg_lineselected = line;
    ui::InvalidateArea(modelcfg_popup, entry.box, false);
    UpdateModelCfgCursor();
  }
  return 0;
}

int ModelCfgLineFromCursor(int ymouse) {
  int top = 1 - cfg_popup_scroll_offset;
  for (int line = 0; line < total_cfg_lines; ++line) {
    if (top + configuration_line[line].size_y / 2 > ymouse) return line;
    top += configuration_line[line].size_y;
  }
  return total_cfg_lines;
}
