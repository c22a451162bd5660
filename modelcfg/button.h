// The editor's owner-drawn push button: a rectangle with a caption or a
// scroll-arrow glyph that its owner places, paints and feeds with mouse events.
#pragma once

#include "ui/paint.h"
#include "ui/window.h"

enum buttontype_enum {
  buttontype_text = 0,
  buttontype_scrollup = 1,
  buttontype_scrolldown = 2,
  buttontype_nochange = 3,  // as an argument only: keep the current type
};

// Which point of the button the given (x, y) is.
enum button_align_enum {
  align_topleft = 0,
  align_bottomleft = 1,
  align_bottomcenter = 2,
  align_bottomright = 3,
  align_centerright = 4,  // the middle of the right edge
};

// Measures text where no painting context is at hand (button sizes, the
// editor's measuring pass). The window system makes it at start-up; tests
// put a context of their own here.
extern ui::PaintContext* screen_compatible_dc;

class button_class {
 public:
  ui::Rect r;
  char string[80] = {};
  int down = 0;
  int enabled = 1;
  int clicked = 0;  // pressed inside and not yet released: armed
  int hilight = 0;  // face filled with face_color, caption black
  buttontype_enum type = buttontype_text;
  ui::Colour face_color = 0;

  button_class() = default;
  button_class(buttontype_enum default_type, int x, int y, const char* text,
               button_align_enum alignment);

  // x or y of 0x7FFFFFFF keeps the place; a null newtext keeps the caption.
  void Show(ui::PaintContext& dc, buttontype_enum newtype, int x, int y, const char* newtext,
            button_align_enum alignment);
  void DrawHilight(ui::PaintContext& dc);
  void Align(int x, int y, button_align_enum alignment);
  void Align(buttontype_enum newtype, int x, int y, const char* text, button_align_enum alignment);
  // A press (mouse_down 1) or release (0); 1 exactly when a click completes.
  int Click(ui::Handle window, int x, int y, int mouse_down);
  void MouseMove(ui::Handle window, int x, int y, int mouse_down);
};

constexpr int keep_place = 0x7FFFFFFF;

// 1 when (x, y) lies in r, all four edges included.
int PointInBox(int x, int y, const ui::Rect& r);
