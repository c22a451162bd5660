#include "ui/paint.h"

#include <QApplication>
#include <QFontDialog>
#include <QFontMetrics>
#include <QPalette>
#include <cmath>

#include "ui/application.h"
#include "ui/fonts.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

FontSpec SystemFixedFont() { return FontSpec{}; }

FontSpec SystemFont() {
  FontSpec font;
  font.fixed_pitch = false;
  return font;
}

bool ChooseFixedFont(Handle owner, FontSpec& font, int& point_size_tenths) {
  if (ScriptedOperator* scripted = CurrentOperator()) return scripted->OnFontChooser(font, point_size_tenths);
  EnsureApplication();
  QFontDialog chooser(QFontFromSpec(font), OwnerWidget(owner));
  chooser.setOption(QFontDialog::MonospacedFonts);
  if (chooser.exec() != QDialog::Accepted) return false;
  const QFont chosen = chooser.selectedFont();
  font = SpecFromQFont(chosen);
  point_size_tenths = static_cast<int>(std::lround(chosen.pointSizeF() * 10));
  return true;
}

TextSize MeasureText(const FontSpec& font, const std::string& text) {
  EnsureApplication();
  const QFontMetrics metrics(QFontFromSpec(font));
  return {metrics.horizontalAdvance(ToQt(text)), metrics.height()};
}

Colour ButtonFaceColour() {
  EnsureApplication();
  return FromQColor(QApplication::palette().color(QPalette::Button));
}

Colour ButtonTextColour() {
  EnsureApplication();
  return FromQColor(QApplication::palette().color(QPalette::ButtonText));
}

Colour GreyTextColour() {
  EnsureApplication();
  return FromQColor(QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText));
}

void PaintContext::ButtonFrame(const Rect& rect, bool pushed, bool flat) {
  FillRect(rect, ButtonFaceColour());
  if (flat) {
    FrameRect(rect, MakeColour(128, 128, 128), 1);
  } else {
    Edge(rect, pushed);
  }
}

void PaintContext::ScrollArrow(const Rect& rect, bool up, bool pushed, bool flat) {
  ButtonFrame(rect, pushed, flat);
  const Colour glyph = flat ? MakeColour(128, 128, 128) : ButtonTextColour();
  const int shift = pushed ? 1 : 0;
  const int half = std::max(1, std::min(rect.Width(), rect.Height()) / 4);
  const int centre_x = (rect.left + rect.right) / 2 + shift;
  const int centre_y = (rect.top + rect.bottom) / 2 + shift;
  // A filled triangle, one row at a time, pointing up or down.
  for (int row = 0; row < half; ++row) {
    const int y = up ? centre_y - half / 2 + row : centre_y + half / 2 - row;
    Line(centre_x - row, y, centre_x + row + 1, y, glyph, 1);
  }
}

void PaintContext::RadioMark(const Rect& rect, bool checked) {
  Ellipse(rect, MakeColour(255, 255, 255), MakeColour(64, 64, 64));
  if (!checked) return;
  const int inset = std::max(2, rect.Width() / 4);
  Ellipse({rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset}, 0, 0);
}

void PaintContext::EtchedEdge(const Rect& rect) {
  FrameRect({rect.left + 1, rect.top + 1, rect.right, rect.bottom}, MakeColour(255, 255, 255), 1);
  FrameRect({rect.left, rect.top, rect.right - 1, rect.bottom - 1}, MakeColour(128, 128, 128), 1);
}

}  // namespace ui
