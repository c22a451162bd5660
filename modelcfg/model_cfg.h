// The table of Model.cfg lines: parsing a line into keyword and options,
// inserting, deleting and moving lines, and formatting them back into text.
// One table for the whole run.
#pragma once

#include "modelcfg/button.h"
#include "ui/window.h"

enum modelcfg_status_enum {
  modelcfg_status_edited = 0,  // typed or changed by the operator; the device has not seen it
  modelcfg_status_unsent = 1,  // freshly parsed, or an option picked and not sent
  modelcfg_status_failed = 2,  // the last send of this line failed
  modelcfg_status_sent = 3,    // the device confirmed the line, or the whole file was sent
};

constexpr int max_cfg_lines = 100;
constexpr int max_cfg_options = 10;
constexpr int max_cfg_line_text = 250;  // a longer line is cut here when parsed

class model_cfg_struct {
 public:
  char keyword[256];
  ui::Rect keyword_rect;
  int keyword_pressed;
  char option[max_cfg_options][80];
  ui::Rect option_rect[max_cfg_options];
  int option_pressed[max_cfg_options];
  int selected;       // the option the file marks with '*' (or the device confirmed); -1 none
  int new_selection;  // the operator's pick the device has not confirmed; -1 none
  int num_options;    // 0: a plain line
  modelcfg_status_enum sent;
  int min_x;   // narrowest window width at which the line fits
  int size_y;  // height of the line in pixels
  ui::Rect box;
  button_class send_button;
  button_class delete_button;
};

extern model_cfg_struct configuration_line[max_cfg_lines];
extern int total_cfg_lines;

// What AddModelCfgLine returns besides an index.
constexpr int cfg_not_a_line = -1;    // blank, or begins with the end-of-file mark
constexpr int cfg_table_full = -2;    // the table already holds max_cfg_lines lines

// Parses text (modified in place) into entry location and measures it.
void InitModelCfgLine(int location, char* text);
// 1 when the line parsed last lost text to the limits: 250 characters, 79 per
// option, ten options, the keyword's 255.
int LastCfgLineWasCut();
// Inserts a line parsed from text before location (past the end: appends);
// returns its index, cfg_not_a_line or cfg_table_full.
int AddModelCfgLine(int location, char* text);
void DeleteModelCfgLine(int line);
void ShiftModelCfgLine(int line, int up);
// Moves the line so that it stands just before the line that was at newline
// (total_cfg_lines: to the end).
void MoveModelCfgOption(int line, int newline);
// One line as text into line_string (at least 1024 bytes): the file form with
// use_tabs, the display form without.
void FormatModelCfgLine(char* line_string, int line, int use_tabs);
// Writes every line to transfer_filepath, replacing it only when the whole
// file was written; 1 on success, 0 after telling the operator.
int WriteModelCfgToFile();
void DefineDummyConfigurationLines();

// Lays out one line with its top at y in a list display_width pixels wide and
// returns its height; display_width 0 only measures (dc is then
// screen_compatible_dc) and draws nothing.
int ShowCfgLine(ui::PaintContext& dc, int line, int y, int display_width);
