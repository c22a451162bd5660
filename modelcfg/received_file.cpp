#include "modelcfg/received_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "modelcfg/cfg_editor.h"
#include "modelcfg/model_cfg.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/message_box.h"

namespace {

constexpr int file_line_size = 512;  // a longer line is split after 511 bytes

// The table as it was before a load, put back when the load fails.
model_cfg_struct saved_lines[max_cfg_lines];
int saved_total = 0;

void Tell(const std::string& text, const char* caption) {
  ui::ShowMessage(main_window, text, caption, ui::Buttons::ok, ui::Icon::warning);
}

// Cuts a piece read from the file down to the line's text; true when more
// than the line end was dropped (a zero byte, or text after a carriage return).
bool CutToText(char* buffer, int count) {
  const char* line_feed = static_cast<const char*>(std::memchr(buffer, '\n', count));
  const std::size_t body = line_feed ? static_cast<std::size_t>(line_feed - buffer) : count;
  buffer[body] = '\0';
  bool lost = std::strlen(buffer) < body;
  if (char* cr = std::strchr(buffer, '\r')) {
    lost = lost || cr[1] != '\0';
    *cr = '\0';
  }
  return lost;
}

}  // namespace

int ReadFileLine(std::FILE* file, char* buffer, int size, int* count) {
  *count = 0;
  if (size <= 0) return 0;
  int held = 0;
  int ended = 0;
  while (held < size - 1) {
    const int c = std::getc(file);
    if (c == EOF) break;
    buffer[held++] = static_cast<char>(c);
    if (c == '\n') {
      ended = 1;
      break;
    }
  }
  buffer[held] = '\0';
  *count = held;
  return ended;
}

int ProcessReceivedFile() {
  const std::string path = transfer_filepath;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    Tell("Can't open " + path, "Error");
    return 0;
  }
  std::copy(configuration_line, configuration_line + total_cfg_lines, saved_lines);
  saved_total = total_cfg_lines;
  total_cfg_lines = 0;

  char buffer[file_line_size];
  int count = 0;
  int file_line = 1;        // the file's line that the next piece belongs to
  bool continuing = false;  // the piece continues a line longer than the buffer
  int first_cut = 0;
  bool full = false;
  while (!full) {
    const int ended = ReadFileLine(file, buffer, file_line_size, &count);
    if (count == 0) break;
    const bool lost = CutToText(buffer, count);
    const int added = AddModelCfgLine(total_cfg_lines, buffer);
    full = added == cfg_table_full;
    const bool cut = lost || (added >= 0 && (continuing || LastCfgLineWasCut()));
    if (cut && first_cut == 0) first_cut = file_line;
    continuing = !ended;
    if (ended) ++file_line;
  }
  const bool unreadable = std::ferror(file) != 0;
  std::fclose(file);

  if (full || unreadable) {
    std::copy(saved_lines, saved_lines + saved_total, configuration_line);
    total_cfg_lines = saved_total;
    if (full) {
      Tell(path + " has more than " + std::to_string(max_cfg_lines) +
               " lines; the editor holds at most " + std::to_string(max_cfg_lines) + ".",
           "Error");
    } else {
      Tell("Can't read " + path + ".", "Error");
    }
    return 0;
  }
  cfg_popup_scroll_offset = 0;
  PlaceModelCfgPopup();
  if (first_cut != 0) {
    Tell("Some lines of " + path + " were cut or split to fit the editor; the first is line " +
             std::to_string(first_cut) + ".",
         "Warning");
  }
  return 1;
}
