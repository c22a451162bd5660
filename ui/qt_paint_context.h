// PaintContext over a QPainter, for msg_paint, msg_erase_background and
// owner-drawn buttons.
#pragma once

#include <QColor>
#include <QPainter>
#include <optional>

#include "ui/paint.h"

namespace ui::detail {

class QtPaintContext final : public PaintContext {
 public:
  QtPaintContext(QPainter& painter, const QRect& area);

  Rect Area() const override { return area_; }
  void FillRect(const Rect& rect, Colour colour) override;
  void FrameRect(const Rect& rect, Colour colour, int thickness) override;
  void Edge(const Rect& rect, bool pressed) override;
  void Line(int x0, int y0, int x1, int y1, Colour colour, int thickness) override;
  void Ellipse(const Rect& rect, Colour fill, Colour outline) override;
  void SetFont(const FontSpec& font) override;
  void SetTextColour(Colour colour) override;
  Colour TextColour() const override;
  void SetTextBackground(Colour colour) override;
  void SetTransparentText() override;
  void Text(int x, int y, const std::string& text) override;
  void TextIn(const Rect& rect, const std::string& text, TextAlign align) override;
  TextSize Measure(const std::string& text) override;
  void ButtonFrame(const Rect& rect, bool pushed, bool flat) override;
  void ScrollArrow(const Rect& rect, bool up, bool pushed, bool flat) override;

 private:
  QPainter& painter_;
  Rect area_;
  QColor text_colour_ = Qt::black;
  std::optional<QColor> text_background_;
};

}  // namespace ui::detail
