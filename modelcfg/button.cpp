#include "modelcfg/button.h"

#include <cstring>

ui::PaintContext* screen_compatible_dc = nullptr;

namespace {

void CopyCaption(char (&caption)[80], const char* text) {
  std::strncpy(caption, text, sizeof caption - 1);
  caption[sizeof caption - 1] = '\0';
}

// The owner's invalidation covers the right and bottom edges too, which
// belong to the button (PointInBox takes them as inside).
void InvalidateButton(ui::Handle window, const ui::Rect& r) {
  ui::InvalidateArea(window, {r.left, r.top, r.right + 1, r.bottom + 1}, false);
}

}  // namespace

int PointInBox(int x, int y, const ui::Rect& r) {
  return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom ? 1 : 0;
}

button_class::button_class(buttontype_enum default_type, int x, int y, const char* text,
                           button_align_enum alignment)
    : type(default_type) {
  CopyCaption(string, type == buttontype_text && text ? text : "dummy_string");
  Align(x, y, alignment);
}

void button_class::Align(int x, int y, button_align_enum alignment) {
  int w = 0;
  int h = 0;
  if (type == buttontype_scrollup || type == buttontype_scrolldown) {
    w = ui::SystemMetric(ui::Metric::scroll_bar_width);
    h = ui::SystemMetric(ui::Metric::scroll_arrow_height);
  } else {
    // Without a measuring context (nothing has been set up) the caption has no extent.
    const ui::TextSize extent =
        screen_compatible_dc ? screen_compatible_dc->Measure(string) : ui::TextSize{};
    w = extent.width + 12;
    h = extent.height + 5;
  }
  switch (alignment) {
    case align_bottomleft:
      r = {x, y - h, x + w, y};
      break;
    case align_bottomcenter:
      r = {x + w / 2 - w, y - h, x + w / 2, y};
      break;
    case align_bottomright:
      r = {x - w, y - h, x, y};
      break;
    case align_centerright:
      r = {x - w, y - h / 2, x, y - h / 2 + h};
      break;
    case align_topleft:
    default:
      r = {x, y, x + w, y + h};
      break;
  }
}

void button_class::Align(buttontype_enum newtype, int x, int y, const char* text,
                         button_align_enum alignment) {
  if (newtype != buttontype_nochange) type = newtype;
  if (type == buttontype_text && text) CopyCaption(string, text);
  Align(x, y, alignment);
}

void button_class::DrawHilight(ui::PaintContext& dc) {
  dc.ButtonFrame(r, down != 0, enabled == 0);
  dc.FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, face_color);
}

void button_class::Show(ui::PaintContext& dc, buttontype_enum newtype, int x, int y,
                        const char* newtext, button_align_enum alignment) {
  if (newtype != buttontype_nochange) type = newtype;
  if (type == buttontype_text && newtext) CopyCaption(string, newtext);
  if (x != keep_place && y != keep_place) Align(x, y, alignment);

  const ui::Colour previous_colour = dc.TextColour();
  if (enabled) {
    dc.SetTextColour(hilight ? ui::MakeColour(0, 0, 0) : face_color);
  } else {
    dc.SetTextColour(ui::GreyTextColour());
  }
  if (type == buttontype_scrollup || type == buttontype_scrolldown) {
    dc.ScrollArrow(r, type == buttontype_scrollup, down != 0, enabled == 0);
  } else {
    const ui::TextSize extent = dc.Measure(string);
    if (hilight) {
      DrawHilight(dc);
    } else {
      dc.ButtonFrame(r, down != 0, enabled == 0);
    }
    const int shift = down ? 1 : 0;
    dc.Text((r.left + r.right - extent.width) / 2 + shift,
            (r.top + r.bottom - extent.height) / 2 + shift, string);
  }
  dc.SetTextColour(previous_colour);
}

int button_class::Click(ui::Handle window, int x, int y, int mouse_down) {
  if (!enabled) return 0;
  if (!PointInBox(x, y, r)) {
    if (down) InvalidateButton(window, r);
    clicked = 0;
    down = 0;
    return 0;
  }
  InvalidateButton(window, r);
  down = mouse_down;
  if (clicked && !mouse_down) {
    clicked = 0;
    return 1;
  }
  clicked = mouse_down;
  return 0;
}

void button_class::MouseMove(ui::Handle window, int x, int y, int mouse_down) {
  if (!enabled) return;
  if (!mouse_down) clicked = 0;
  const int pushed = clicked && PointInBox(x, y, r) ? 1 : 0;
  if (pushed == down) return;
  down = pushed;
  InvalidateButton(window, r);
}
