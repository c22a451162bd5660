// The configuration file dialog of the editor and the configuration file transfers.
#include <string>

#include "modelcfg/cfg_files.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

namespace {

const char* TitleOf(cfg_fileoption_enum option) {
  switch (option) {
    case cfg_fileoption_send:
      return "Choose Configuration File to Send";
    case cfg_fileoption_retrieve:
      return "Choose Where To Save Retrieved Configuration";
    case cfg_fileoption_load:
      return "Choose Configuration File to Load";
    default:
      return "Choose Where To Save Configuration";
  }
}

}  // namespace

int ConfigFileName(char* filename, std::size_t size, cfg_fileoption_enum option,
                   const char* dir_override) {
  const bool opening = option == cfg_fileoption_send || option == cfg_fileoption_load;
  ui::FileDialogRequest request;
  request.kind = opening ? ui::FileDialogKind::open : ui::FileDialogKind::save;
  request.title = TitleOf(option);
  request.filter_name = "Configuration Files";
  request.filter_pattern = "*.cfg";
  // Lower case, so that a name typed without extension matches the filter on
  // file systems that tell case apart.
  request.default_extension = "cfg";
  request.directory = dir_override ? dir_override : "";
  // Saving may create a new file; only Save asks before replacing one (a
  // retrieval asks its own question).
  request.must_exist = opening;
  request.confirm_overwrite = option != cfg_fileoption_send && option != cfg_fileoption_load &&
                              option != cfg_fileoption_retrieve;
  std::string path = "Model.cfg";
  if (!ui::ChooseFile(main_window, request, path)) return 0;
  if (path.size() >= size) {
    // A cut path would name another file.
    ui::ShowMessage(main_window,
                    "The path " + path + " is longer than " + std::to_string(size - 1) +
                        " characters; choose a shorter one.",
                    "Error", ui::Buttons::ok, ui::Icon::error);
    return 0;
  }
  path.copy(filename, path.size());
  filename[path.size()] = '\0';
  return 1;
}
