// The editor's Print: the print dialog, the choice of source and the document.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/wprint.h"
#include "records/program_state.h"
#include "ui/message_box.h"

namespace {

// The fetched file, open for reading; null (and shown) when it is there but
// cannot be read as a file.
std::FILE* OpenFetchedFile() {
  std::FILE* file = std::fopen(transfer_filepath, "rb");
  struct stat status {};
  if (file && (fstat(fileno(file), &status) != 0 || S_ISDIR(status.st_mode))) {
    std::fclose(file);
    file = nullptr;
  }
  if (!file) {
    ui::ShowMessage(modelcfg_popup, std::string("Can't open ") + transfer_filepath, "Error",
                    ui::Buttons::ok, ui::Icon::warning);
  }
  return file;
}

}  // namespace

void PrintModelCfgPopup() {
  if (total_cfg_lines <= 0) return;
  ui::PrintJob job = ui::ChoosePrinter(modelcfg_popup);
  if (!job.device) return;
  std::error_code error;
  const bool from_file =
      print_button.face_color == cfg_green && std::filesystem::exists(transfer_filepath, error);
  std::FILE* file = from_file ? OpenFetchedFile() : nullptr;
  if (from_file && !file) return;
  ui::SetCursorShape(ui::Cursor::wait);
  ui::PrintDevice& printer = *job.device;
  bool printed = printer.StartDocument("Device Configuration");
  for (int copy = 0; printed && copy < job.copies; ++copy) {
    if (file) std::rewind(file);
    printed = file ? PrintModelCfgFile(printer, file) : PrintModelCfgData(printer);
  }
  if (printed) printed = printer.EndDocument();
  ui::SetCursorShape(ui::Cursor::arrow);
  if (!printed) {
    ui::ShowMessage(modelcfg_popup, printer.ErrorText(), "Error", ui::Buttons::ok, ui::Icon::error);
  }
  if (file) std::fclose(file);
}
