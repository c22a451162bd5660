#include "app/display_font.h"

#include <cstring>

#include "config/font_file.h"
#include "records/program_state.h"
#include "records/window_seams.h"

ui::FontSpec font_handle = ui::SystemFixedFont();

namespace {

// Screen fonts only, start from the record, fixed pitch only, must exist.
constexpr std::uint32_t chooser_flags = 0x14041;
constexpr int normal_weight = 400;
// Fixed pitch, modern family: what the chooser reports for a fixed-pitch face.
constexpr std::uint8_t fixed_pitch_modern_family = 0x31;

bool chooser_prepared = false;

}  // namespace

ui::FontSpec FontFromRecord() {
  ui::FontSpec font;
  char face[sizeof font_info.lfFaceName + 1] = {};
  std::memcpy(face, font_info.lfFaceName, sizeof font_info.lfFaceName);
  font.face = face;
  font.height = font_info.lfHeight;
  font.width = font_info.lfWidth;
  font.weight = font_info.lfWeight > 0 ? font_info.lfWeight : normal_weight;
  font.italic = font_info.lfItalic != 0;
  font.underline = font_info.lfUnderline != 0;
  font.strike_out = font_info.lfStrikeOut != 0;
  font.fixed_pitch = true;
  return font;
}

void RecordFromFont(const ui::FontSpec& font, int point_size_tenths) {
  font_info.lfHeight = font.height;
  font_info.lfWidth = font.width;
  font_info.lfWeight = font.weight;
  font_info.lfItalic = font.italic;
  font_info.lfUnderline = font.underline;
  font_info.lfStrikeOut = font.strike_out;
  font_info.lfPitchAndFamily = fixed_pitch_modern_family;
  std::memset(font_info.lfFaceName, 0, sizeof font_info.lfFaceName);
  std::strncpy(font_info.lfFaceName, font.face.c_str(), sizeof font_info.lfFaceName - 1);
  font_selection.iPointSize = point_size_tenths;
}

void LoadFont() {
  if (!ReadFontFile()) {
    font_handle = ui::SystemFixedFont();
    return;
  }
  font_handle = font_info.lfFaceName[0] ? FontFromRecord() : ui::SystemFixedFont();
}

void SaveFont() { WriteFontFile(); }

void PickFont() {
  if (!chooser_prepared) {
    chooser_prepared = true;
    font_selection.lStructSize = sizeof(font_info);
    font_selection.hwndOwner = 0;
    font_selection.hDC = 0;
    font_selection.lpLogFont = 0;
    font_selection.Flags = chooser_flags;
  }
  ui::FontSpec font = font_info.lfFaceName[0] ? FontFromRecord() : font_handle;
  int point_size_tenths = font_selection.iPointSize;
  if (!ui::ChooseFixedFont(main_window, font, point_size_tenths)) return;
  RecordFromFont(font, point_size_tenths);
  font_handle = FontFromRecord();
  SaveFont();
}
