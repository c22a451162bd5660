#include "modelcfg/model_cfg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "modelcfg/cfg_editor.h"
#include "modelcfg/replace_file.h"
#include "records/program_state.h"
#include "ui/message_box.h"

model_cfg_struct configuration_line[max_cfg_lines];
int total_cfg_lines = 0;

namespace {

constexpr char option_delimiters[] = " \t,/";
constexpr int max_option_text = 79;
constexpr int keyword_capacity = sizeof(model_cfg_struct::keyword);
constexpr int line_string_size = 1024;

int last_line_cut = 0;

bool IsDelimiter(char c) {
  return c != '\0' && std::strchr(option_delimiters, c) != nullptr;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Case-blind for ASCII letters only: bytes above 0x7F never match a letter.
bool SameText(const char* a, const char* b, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

bool EqualsIgnoringCase(const char* token, const char* word) {
  return std::strlen(token) == std::strlen(word) && SameText(token, word, std::strlen(word));
}

// The next run of non-delimiters from *cursor, zero-terminated in place;
// nullptr when only delimiters are left.
char* NextToken(char** cursor) {
  char* p = *cursor;
  while (IsDelimiter(*p)) ++p;
  if (*p == '\0') {
    *cursor = p;
    return nullptr;
  }
  char* token = p;
  while (*p != '\0' && !IsDelimiter(*p)) ++p;
  if (*p != '\0') *p++ = '\0';
  *cursor = p;
  return token;
}

void ParsePlainLine(model_cfg_struct& entry, char* text) {
  char* tab = std::strchr(text, '\t');
  if (tab == nullptr) {
    std::snprintf(entry.keyword, keyword_capacity, "%s", text);
    return;
  }
  *tab = '\0';
  const char* rest = tab + 1;
  while (*rest == '\t' || *rest == ' ') ++rest;
  const int wanted = std::snprintf(entry.keyword, keyword_capacity, "%-24s%s", text, rest);
  if (wanted >= keyword_capacity) last_line_cut = 1;
}

void StoreOption(model_cfg_struct& entry, const char* token, const char* suffix) {
  char* option = entry.option[entry.num_options];
  const int wanted = std::snprintf(option, sizeof entry.option[0], "%s%s", token, suffix);
  if (wanted > max_option_text) last_line_cut = 1;
  entry.option_rect[entry.num_options] = {};
  ++entry.num_options;
}

void ParseOptionLine(model_cfg_struct& entry, char* text) {
  const std::size_t length = std::strlen(text);
  const std::size_t lead = std::min<std::size_t>(length, 2);
  const bool attenuator = length >= 7 && SameText(text, "Hpa_SSA", 7);
  char* cursor = text + lead;
  const char* first = NextToken(&cursor);
  std::snprintf(entry.keyword, keyword_capacity, "%.*s%s", static_cast<int>(lead), text,
                first ? first : " ");
  while (char* token = NextToken(&cursor)) {
    if (entry.num_options == max_cfg_options) {
      last_line_cut = 1;
      break;
    }
    const bool marked = token[0] == '*';
    if (marked) ++token;
    const char* suffix = "";
    if (attenuator) {
      if (EqualsIgnoringCase(token, "Attenuator")) continue;
      if (EqualsIgnoringCase(token, "YES") || EqualsIgnoringCase(token, "NO"))
        suffix = "_Attenuator";
    }
    if (marked) entry.selected = entry.num_options;
    StoreOption(entry, token, suffix);
  }
}

bool IsBlank(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text != ' ' && *text != '\t' && *text != ',') return false;
  }
  return true;
}

// Appends text to line_string without passing its end.
void Append(char* line_string, int& used, const char* text) {
  const int wanted = std::snprintf(line_string + used, line_string_size - used, "%s", text);
  used = std::min(used + wanted, line_string_size - 1);
}

void WriteFailed(const char* path) {
  const std::string text = std::string("Unable to create ") + path + ".";
  ui::ShowMessage(modelcfg_popup, text, "Error", ui::Buttons::ok, ui::Icon::error);
}

}  // namespace

void InitModelCfgLine(int location, char* text) {
  if (location < 0 || location >= max_cfg_lines) return;
  model_cfg_struct& entry = configuration_line[location];
  entry.sent = modelcfg_status_unsent;
  entry.num_options = 0;
  entry.selected = -1;
  entry.new_selection = -1;
  entry.keyword_pressed = 0;
  std::fill(std::begin(entry.option_pressed), std::end(entry.option_pressed), 0);
  std::memset(entry.option, 0, sizeof entry.option);
  entry.send_button.enabled = factory_mode ? 1 : 0;
  last_line_cut = 0;
  if (std::strlen(text) > max_cfg_line_text) {
    text[max_cfg_line_text] = '\0';
    last_line_cut = 1;
  }
  if (std::strchr(text, '*') != nullptr) {
    ParseOptionLine(entry, text);
  } else {
    ParsePlainLine(entry, text);
  }
  if (screen_compatible_dc != nullptr) ShowCfgLine(*screen_compatible_dc, location, 0, 0);
}

int LastCfgLineWasCut() {
  return last_line_cut;
}

int AddModelCfgLine(int location, char* text) {
  if (static_cast<unsigned char>(text[0]) == 0x1A || IsBlank(text)) return cfg_not_a_line;
  if (total_cfg_lines >= max_cfg_lines) return cfg_table_full;
  location = std::clamp(location, 0, total_cfg_lines);
  std::move_backward(configuration_line + location, configuration_line + total_cfg_lines,
                     configuration_line + total_cfg_lines + 1);
  ++total_cfg_lines;
  InitModelCfgLine(location, text);
  return location;
}

void DeleteModelCfgLine(int line) {
  if (line < 0 || line >= total_cfg_lines) return;
  std::move(configuration_line + line + 1, configuration_line + total_cfg_lines,
            configuration_line + line);
  --total_cfg_lines;
}

void ShiftModelCfgLine(int line, int up) {
  if (total_cfg_lines < 2 || line < 0 || line >= total_cfg_lines) return;
  const int other = up ? line - 1 : line + 1;
  if (other < 0 || other >= total_cfg_lines) return;
  std::swap(configuration_line[line], configuration_line[other]);
}

void MoveModelCfgOption(int line, int newline) {
  if (total_cfg_lines < 2 || line < 0 || line >= total_cfg_lines) return;
  if (newline < 0 || newline > total_cfg_lines) return;
  if (line < newline) --newline;
  if (newline == line) return;
  if (line < newline) {
    std::rotate(configuration_line + line, configuration_line + line + 1,
                configuration_line + newline + 1);
  } else {
    std::rotate(configuration_line + newline, configuration_line + line,
                configuration_line + line + 1);
  }
}

void FormatModelCfgLine(char* line_string, int line, int use_tabs) {
  line_string[0] = '\0';
  if (line < 0 || line >= max_cfg_lines) return;
  const model_cfg_struct& entry = configuration_line[line];
  int used = std::snprintf(line_string, line_string_size, "%-20s", entry.keyword);
  used = std::min(used, line_string_size - 1);
  if (entry.num_options == 0) return;
  Append(line_string, used, use_tabs ? "\t" : "      ");
  const int marked = entry.new_selection >= 0 ? entry.new_selection : entry.selected;
  for (int i = 0; i < entry.num_options && i < max_cfg_options; ++i) {
    if (i > 0) Append(line_string, used, " / ");
    if (i == marked) Append(line_string, used, "*");
    Append(line_string, used, entry.option[i]);
  }
}

int WriteModelCfgToFile() {
  replacement_file file(transfer_filepath);
  char line_string[line_string_size];
  for (int line = 0; line < total_cfg_lines && file.IsOpen(); ++line) {
    FormatModelCfgLine(line_string, line, 1);
    if (!file.Write(line_string, std::strlen(line_string)) || !file.Write("\r\n", 2)) break;
  }
  if (!file.Commit()) {
    WriteFailed(transfer_filepath);
    return 0;
  }
  return 1;
}

void DefineDummyConfigurationLines() {
  const char* const appended[] = {"LINE2 *OPTION1 / OPTION2", "LINE3 OPTION1 / *OPTION2 / OPTION3",
                                  "LINE4 OPTION1 / OPTION2 / OPTION3 / *OPTION4"};
  char text[line_string_size];
  for (const char* line : appended) {
    std::snprintf(text, sizeof text, "%s", line);
    AddModelCfgLine(total_cfg_lines, text);
  }
  std::snprintf(text, sizeof text, "%s", "LINE5 *A / B / C");
  AddModelCfgLine(3, text);
  std::snprintf(text, sizeof text, "%s", "LINE1 D / E / *F");
  AddModelCfgLine(0, text);
}
