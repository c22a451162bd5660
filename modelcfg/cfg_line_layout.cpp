// Laying out and drawing one line of the editor's list: the keyword box, the
// options as a column of radio buttons, and the line's Send and Delete buttons.
#include <algorithm>

#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor.h"
#include "modelcfg/model_cfg.h"

namespace {

constexpr ui::Colour black = ui::MakeColour(0, 0, 0);

// Draws option i's mark; true when it shows a pick still to be sent.
bool DrawOption(ui::PaintContext& dc, const model_cfg_struct& entry, int i, const ui::Rect& radio) {
  bool pending = false;
  ui::Colour colour = cfg_text_colour;
  if (i == entry.new_selection && entry.new_selection != entry.selected) {
    switch (entry.sent) {
      case modelcfg_status_unsent:
        dc.Edge(entry.option_rect[i], false);
        colour = cfg_green;
        pending = true;
        break;
      case modelcfg_status_failed:
        dc.Edge(entry.option_rect[i], false);
        colour = cfg_yellow;
        pending = true;
        break;
      case modelcfg_status_sent:
        dc.Edge(entry.option_rect[i], true);
        break;
      case modelcfg_status_edited:
        break;
    }
  }
  dc.RadioMark(radio, i == entry.selected);
  dc.SetTextColour(colour);
  return pending;
}

}  // namespace

int ShowCfgLine(ui::PaintContext& dc, int line, int y, int display_width) {
  if (line < 0 || line >= max_cfg_lines) return 0;
  model_cfg_struct& entry = configuration_line[line];
  const bool drawing = display_width != 0;
  const int w = display_width;
  if (drawing) {
    const ui::Colour band = line == modelcfg_lineselected ? cfg_dragged_colour : cfg_line_colour;
    dc.FillRect({1, y, w, y + entry.size_y}, band);
    dc.SetTextColour(cfg_text_colour);
  }

  const ui::TextSize keyword_size = dc.Measure(entry.keyword);
  const int h = keyword_size.height;
  entry.keyword_rect = {2, y, keyword_size.width + 8, y + h + 2};
  if (drawing) {
    dc.FillRect(entry.keyword_rect, cfg_keyword_colour);
    if (entry.keyword_pressed) {
      dc.Edge(entry.keyword_rect, true);
      dc.Text(5, y + 1, entry.keyword);
    } else {
      dc.EtchedEdge(entry.keyword_rect);
      dc.Text(4, y, entry.keyword);
    }
  }
  int dy = h + 2;
  int m = keyword_size.width + 12;

  bool pending = false;
  for (int i = 0; i < entry.num_options && i < max_cfg_options; ++i) {
    const int option_width = dc.Measure(entry.option[i]).width;
    const ui::Rect radio{64, y + dy + 2, 60 + h, y + dy + h - 2};
    entry.option_rect[i] = {60, y + dy, 60 + h + option_width + 16, y + dy + h};
    if (drawing) {
      pending = DrawOption(dc, entry, i, radio) || pending;
      dc.Text(60 + h + 6, y + dy, entry.option[i]);
    }
    dy += h;
    m = std::max(m, entry.option_rect[i].right);
  }

  // Tall enough for the two buttons stacked, then the separating rule.
  dy = std::max(dy, 2 * ui::SystemMetric(ui::Metric::scroll_arrow_height) + 8);
  dy += 1;
  if (drawing) dc.Line(0, y + dy, w, y + dy, black);
  dy += 1;
  const int height = dy;

  const int middle = y + height / 2;
  if (drawing) {
    dc.SetTextColour(cfg_text_colour);
    const bool send_suggested = pending || entry.sent == modelcfg_status_edited;
    entry.send_button.face_color = send_suggested ? cfg_green : cfg_text_colour;
    entry.delete_button.Show(dc, buttontype_text, w - 8, middle, "Delete", align_centerright);
    entry.send_button.Show(dc, buttontype_text, entry.delete_button.r.left - 6, middle, "Send",
                           align_centerright);
    entry.box = {0, y, w, y + height};
  } else {
    entry.delete_button.Align(buttontype_text, w - 8, middle, "Delete", align_centerright);
    entry.send_button.Align(buttontype_text, entry.delete_button.r.left - 6, middle, "Send",
                            align_centerright);
    entry.box.top = y;
    entry.box.bottom = y + height;
  }
  entry.min_x = m + w - entry.send_button.r.left + 4;
  entry.size_y = height;
  return height;
}
