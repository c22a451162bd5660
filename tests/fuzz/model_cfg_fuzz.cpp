// Loads arbitrary bytes as a Model.cfg file, edits the table with operations
// chosen by the same bytes, lays every line out and draws it, formats it both
// ways, saves it and loads the saved file again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "modelcfg/button.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/received_file.h"
#include "modelcfg/replace_file.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/message_box.h"

// The window system as far as the table reaches it: boxes are answered at
// once, nothing is drawn.
int modelcfg_lineselected = -1;
int cfg_popup_scroll_offset = 0;
ui::Handle modelcfg_popup = ui::no_window;
ui::Handle main_window = ui::no_window;
void PlaceModelCfgPopup() {}
namespace ui {
int ShowMessage(Handle, const std::string&, const std::string&, Buttons, Icon) {
  return answer_ok;
}
int SystemMetric(Metric) {
  return 17;
}
void InvalidateArea(Handle, const Rect&, bool) {}
Colour GreyTextColour() {
  return 0;
}
void PaintContext::ButtonFrame(const Rect&, bool, bool) {}
void PaintContext::ScrollArrow(const Rect&, bool, bool, bool) {}
void PaintContext::RadioMark(const Rect&, bool) {}
void PaintContext::EtchedEdge(const Rect&) {}
}  // namespace ui

namespace {

// Every byte measures 6 x 12 pixels; drawing checks only that texts end.
class null_context final : public ui::PaintContext {
 public:
  ui::Rect Area() const override { return {}; }
  void FillRect(const ui::Rect&, ui::Colour) override {}
  void FrameRect(const ui::Rect&, ui::Colour, int) override {}
  void Edge(const ui::Rect&, bool) override {}
  void Line(int, int, int, int, ui::Colour, int) override {}
  void Ellipse(const ui::Rect&, ui::Colour, ui::Colour) override {}
  void SetFont(const ui::FontSpec&) override {}
  void SetTextColour(ui::Colour) override {}
  void SetTextBackground(ui::Colour) override {}
  void SetTransparentText() override {}
  void Text(int, int, const std::string& text) override {
    if (text.size() > 255) std::abort();
  }
  void TextIn(const ui::Rect&, const std::string&, ui::TextAlign) override {}
  ui::TextSize Measure(const std::string& text) override {
    return {6 * static_cast<int>(text.size()), 12};
  }
};

null_context context;

// Saving without waiting for the disk on every input.
const replace_file_ops quick_ops{system_file_ops.create_temporary, system_file_ops.write,
                                 [](int) { return 0; }, system_file_ops.close,
                                 system_file_ops.rename};

void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  screen_compatible_dc = &context;
  file_ops = &quick_ops;
  // In memory where there is such a folder: a disk flushes on every replacing rename.
  const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::snprintf(transfer_filepath, sizeof transfer_filepath, "%s/corvane-fuzz-%d.cfg", folder,
                static_cast<int>(getpid()));
}

void CheckTable() {
  if (total_cfg_lines < 0 || total_cfg_lines > max_cfg_lines) std::abort();
  char text[1024];
  for (int line = 0; line < total_cfg_lines; ++line) {
    const model_cfg_struct& entry = configuration_line[line];
    if (std::memchr(entry.keyword, 0, sizeof entry.keyword) == nullptr) std::abort();
    if (entry.num_options < 0 || entry.num_options > max_cfg_options) std::abort();
    if (entry.selected < -1 || entry.selected >= entry.num_options) std::abort();
    for (int use_tabs = 0; use_tabs < 2; ++use_tabs) {
      std::memset(text, 1, sizeof text);
      FormatModelCfgLine(text, line, use_tabs);
      if (std::memchr(text, 0, sizeof text) == nullptr) std::abort();
    }
    ShowCfgLine(context, line, 0, 600);
  }
}

// Operations picked by the bytes after the first zero byte of the input:
void Edit(const std::uint8_t* script, std::size_t size) {
  // A few dozen: each insertion or move may shift the whole table.
  for (std::size_t at = 0; at + 2 < size && at < 3 * 48; at += 3) {
    const int a = script[at + 1] % (max_cfg_lines + 4) - 2;
    const int b = script[at + 2] % (max_cfg_lines + 4) - 2;
    switch (script[at] % 5) {
      case 0: {
        char text[] = "NEW *a / b";
        AddModelCfgLine(a, text);
        break;
      }
      case 1:
        DeleteModelCfgLine(a);
        break;
      case 2:
        ShiftModelCfgLine(a, b & 1);
        break;
      case 3:
        MoveModelCfgOption(a, b);
        break;
      default:
        if (a >= 0 && a < total_cfg_lines) configuration_line[a].new_selection = b % 12 - 1;
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Setup();
  if (size > (1u << 20)) return 0;
  std::FILE* file = std::fopen(transfer_filepath, "wb");
  if (file == nullptr) std::abort();
  if (std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) std::abort();

  total_cfg_lines = 0;
  ProcessReceivedFile();
  CheckTable();
  const std::uint8_t* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
  if (zero != nullptr) Edit(zero + 1, size - static_cast<std::size_t>(zero + 1 - data));
  CheckTable();
  if (WriteModelCfgToFile() != 1) std::abort();
  ProcessReceivedFile();
  CheckTable();
  unlink(transfer_filepath);
  return 0;
}
