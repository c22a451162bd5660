// Painting for owner-drawn windows: a context handed to msg_paint and
// msg_erase_background, fonts, and the font chooser.
#pragma once

#include <string>

#include "ui/window.h"

namespace ui {

// A font as the console describes it (the display font record maps onto it).
struct FontSpec {
  std::string face;   // empty: the system's fixed-pitch font
  int height = 0;     // pixels; negative = character height, positive = cell height, 0 = default
  int width = 0;      // average character width in pixels, 0 = from the height
  int weight = 400;   // 100..900, 400 normal, 700 bold
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  bool fixed_pitch = true;
};

// The fixed-pitch font used when none is chosen: an empty face, which every
// font user reads as the platform's fixed font. Needs no application object.
FontSpec SystemFixedFont();
// The system's proportional interface font (empty face, not fixed pitch).
FontSpec SystemFont();
// Shows the platform font chooser limited to fixed-pitch fonts, starting from
// font. Returns true and updates font (and point_size_tenths) when confirmed.
bool ChooseFixedFont(Handle owner, FontSpec& font, int& point_size_tenths);
// Pixel size of one character cell of the font (for layouts by characters).
struct TextSize {
  int width = 0, height = 0;
};
TextSize MeasureText(const FontSpec& font, const std::string& text);

enum class TextAlign { left, centre, right };

class PaintContext {
 public:
  virtual ~PaintContext() = default;
  virtual Rect Area() const = 0;  // the region to paint, client coordinates
  virtual void FillRect(const Rect& rect, Colour colour) = 0;
  virtual void FrameRect(const Rect& rect, Colour colour, int thickness = 1) = 0;
  // Raised (pressed = false) or sunken 3-D edge, as on buttons and panels.
  virtual void Edge(const Rect& rect, bool pressed) = 0;
  virtual void Line(int x0, int y0, int x1, int y1, Colour colour, int thickness = 1) = 0;
  virtual void Ellipse(const Rect& rect, Colour fill, Colour outline) = 0;
  virtual void SetFont(const FontSpec& font) = 0;
  virtual void SetTextColour(Colour colour) = 0;
  // The colour text is drawn in, so that a piece of drawing can put it back.
  // Contexts that draw nothing (measuring fakes) may keep the default.
  virtual Colour TextColour() const { return 0; }
  // Background behind text; transparent (the default) leaves what is there.
  virtual void SetTextBackground(Colour colour) = 0;
  virtual void SetTransparentText() = 0;
  // Draws one line of text at x, y (top of the cell).
  virtual void Text(int x, int y, const std::string& text) = 0;
  // Draws text in a rectangle, clipped to it, vertically centred.
  virtual void TextIn(const Rect& rect, const std::string& text, TextAlign align) = 0;
  virtual TextSize Measure(const std::string& text) = 0;

  // The platform's frame pieces. Here drawn with the primitives above; a
  // context that paints on screen draws them with the platform's style.
  // flat: the inactive look of a control that takes no input.
  virtual void ButtonFrame(const Rect& rect, bool pushed, bool flat);  // push-button face and edge
  virtual void ScrollArrow(const Rect& rect, bool up, bool pushed, bool flat);
  void RadioMark(const Rect& rect, bool checked);
  void EtchedEdge(const Rect& rect);
};

// System colours the panels use.
Colour ButtonFaceColour();
Colour ButtonTextColour();
Colour GreyTextColour();  // text of disabled controls

}  // namespace ui
