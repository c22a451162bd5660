// The editor's small dialogs: editing a line, loading a file by document
// number or by browsing, and choosing the device.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "config/program_directory.h"
#include "link/discovery.h"
#include "link/scan_ip_dialog.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/cfg_files.h"
#include "modelcfg/cfg_undo.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/received_file.h"
#include "records/device_records.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/modelcfg_dialogs.h"
#include "ui/dialog.h"
#include "ui/message_box.h"

namespace {

// The address field of template "#2".
constexpr int id_address_field = 101;

char s807[80] = "807-0001-001";
char start_directory[1024] = "";

// ---- editing a line

std::string edit_text;

ui::Result EditLineCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                            ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      ui::SetTitle(dialog, "Edit Configuration Item");
      ui::SetControlText(dialog, id_entry_text, edit_text);
      ui::FocusControl(dialog, id_entry_text);
      return 0;
    case ui::msg_command:
      if (ui::CommandId(word) == ui::id_ok) {
        const std::string text = ui::ControlText(dialog, id_entry_text, max_cfg_line_text + 1);
        if (static_cast<int>(text.size()) > max_cfg_line_text) {
          ui::ShowMessage(dialog, "A configuration line holds at most 250 characters.", "Ummm...",
                          ui::Buttons::ok, ui::Icon::error);
          ui::FocusControl(dialog, id_entry_text);
          return 1;
        }
        edit_text = text;
        ui::FinishDialog(dialog, 1);
        return 1;
      }
      if (ui::CommandId(word) == ui::id_cancel) {
        ui::FinishDialog(dialog, 0);
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

// ---- loading

void RepaintAll() {
  ui::Invalidate(modelcfg_popup, false);
}

// Loads transfer_filepath; on success the editor shows title and suggests sending.
bool LoadCfgFile(const std::string& title) {
  auto before = TakeCfgSnapshot();
  if (!ProcessReceivedFile()) return false;
  PushCfgUndo(std::move(before));
  SetModelCfgTitle(title.c_str());
  getall_button.face_color = cfg_text_colour;
  sendall_button.face_color = cfg_green;
  RepaintAll();
  return true;
}

bool WildcardMatch(const char* pattern, const char* name) {
  for (; *pattern; ++pattern, ++name) {
    if (*pattern == '*') {
      for (const char* rest = name;; ++rest) {
        if (WildcardMatch(pattern + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*name) return false;
    if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                               std::tolower(static_cast<unsigned char>(*name)))
      return false;
  }
  return !*name;
}

// The first entry of the folder whose name matches, in name order; empty when none.
std::string FirstMatch(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end;
       !error && entry != end; entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (WildcardMatch(pattern.c_str(), name.c_str())) names.push_back(name);
  }
  return names.empty() ? std::string() : *std::min_element(names.begin(), names.end());
}

bool SetTransferPath(const std::string& path) {
  if (path.size() < sizeof transfer_filepath) {
    std::snprintf(transfer_filepath, sizeof transfer_filepath, "%s", path.c_str());
    return true;
  }
  const std::string text = "The path " + path + " is too long to load.";
  ui::ShowMessage(modelcfg_popup, text, "Error", ui::Buttons::ok, ui::Icon::error);
  return false;
}

void LoadByDocumentNumber(ui::Handle dialog) {
  ui::SetCursorShape(ui::Cursor::wait);
  std::snprintf(s807, sizeof s807, "%s", ui::ControlText(dialog, id_load_number, 69).c_str());
  const std::string base = DocumentDirectory();
  const std::string folder = FirstMatch(base, std::string(s807) + "*");
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(base + folder, error)) {
    ui::SetCursorShape(ui::Cursor::arrow);
    const std::string text = "No directory found matching " + base + s807 + "*";
    ui::ShowMessage(dialog, text, "Error", ui::Buttons::ok, ui::Icon::error);
    return;
  }
  const bool loaded = SetTransferPath(base + folder + "/Model.cfg") && LoadCfgFile(folder);
  ui::SetCursorShape(ui::Cursor::arrow);
  if (!loaded) return;
  std::snprintf(transfer_filename, sizeof transfer_filename, "Model.cfg");
  std::snprintf(start_directory, sizeof start_directory, "%s", base.c_str());
  ui::FinishDialog(dialog, ui::id_ok);
}

void LoadByBrowsing(ui::Handle dialog) {
  if (!start_directory[0])
    std::snprintf(start_directory, sizeof start_directory, "%s", save_directory);
  if (!ConfigFileName(transfer_filepath, sizeof transfer_filepath, cfg_fileoption_load,
                      start_directory))
    return;
  // A file from the documentation tree is named by its document folder.
  const std::string path = transfer_filepath;
  const std::size_t first = path.find("807");
  const std::size_t second = first == std::string::npos ? first : path.find("807", first + 3);
  std::string title = path;
  if (second != std::string::npos)
    title = path.substr(second, std::min<std::size_t>(path.find('/', second) - second, 79));
  if (!LoadCfgFile(title)) return;
  if (second != std::string::npos) std::snprintf(s807, sizeof s807, "%.12s", title.c_str());
  ui::FinishDialog(dialog, ui::id_ok);
}

// ---- the serial address

}  // namespace

void EditCfgLine(int line) {
  char shown[1024];
  FormatModelCfgLine(shown, line, 0);
  edit_text = shown;
  if (ui::RunModal(TextEntryDialogTemplate(), modelcfg_popup, EditLineCallBack) != 1 ||
      edit_text == shown)
    return;
  auto before = TakeCfgSnapshot();
  char text[1024];
  std::snprintf(text, sizeof text, "%s", edit_text.c_str());
  InitModelCfgLine(line, text);
  configuration_line[line].sent = modelcfg_status_edited;
  PushCfgUndo(std::move(before));
  sendall_button.face_color = cfg_green;
  RepaintAll();
}

const char* DocumentDirectory() {
  static std::string directory;
  const char* configured = std::getenv("CORVANE_DOCUMENT_DIR");
  directory = configured && *configured ? configured : save_directory;
  if (!directory.empty() && directory.back() != '/') directory += '/';
  return directory.c_str();
}

ui::Result Get807NumberCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog:
      ui::SetControlText(dialog, id_load_number, s807);
      return 1;
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok:
          LoadByDocumentNumber(dialog);
          return 1;
        case id_load_browse:
          LoadByBrowsing(dialog);
          return 1;
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

ui::Result GetTransferAddressCallBack(ui::Handle dialog, unsigned message, ui::WordParam word,
                                      ui::LongParam) {
  switch (message) {
    case ui::msg_init_dialog: {
      ui::SetTitle(dialog, "Enter Device Comm Address");
      ui::SetControlText(dialog, id_address_field,
                         transfer_device >= 0 ? AddressText(transfer_device) : std::string());
      return 1;
    }
    case ui::msg_command:
      switch (ui::CommandId(word)) {
        case ui::id_ok: {
          const int address = ParsePollAddress(ui::ControlText(dialog, id_address_field, 9));
          if (address < 0) {
            ui::ShowMessage(dialog, "Invalid poll address.", "Ummm...", ui::Buttons::ok,
                            ui::Icon::error);
            ui::FocusControl(dialog, id_address_field);
            return 1;
          }
          transfer_device = address;
          RepaintAll();
          ui::FinishDialog(dialog, ui::id_ok);
          return 1;
        }
        case ui::id_cancel:
          ui::FinishDialog(dialog, ui::id_cancel);
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

void EditModelGetIp() {
  ethernet_action = ETHERNET_EDITMODEL;
  if (RunScanIpDialog(main_window))
    transfer_device = use_device >= 0 && use_device < device_count ? use_device : -1;
  ui::InvalidateArea(modelcfg_popup, address_button.r, false);
}
