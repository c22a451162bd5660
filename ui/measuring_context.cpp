#include "ui/measuring_context.h"

#include <QApplication>
#include <QFontMetrics>

#include "ui/application.h"
#include "ui/fonts.h"
#include "ui/text.h"

namespace ui {

namespace {

class MeasuringContext final : public PaintContext {
 public:
  MeasuringContext() : font_(QApplication::font()) {}

  Rect Area() const override { return {}; }
  void FillRect(const Rect&, Colour) override {}
  void FrameRect(const Rect&, Colour, int) override {}
  void Edge(const Rect&, bool) override {}
  void Line(int, int, int, int, Colour, int) override {}
  void Ellipse(const Rect&, Colour, Colour) override {}
  void SetFont(const FontSpec& font) override { font_ = detail::QFontFromSpec(font); }
  void SetTextColour(Colour colour) override { text_colour_ = colour; }
  Colour TextColour() const override { return text_colour_; }
  void SetTextBackground(Colour) override {}
  void SetTransparentText() override {}
  void Text(int, int, const std::string&) override {}
  void TextIn(const Rect&, const std::string&, TextAlign) override {}
  TextSize Measure(const std::string& text) override {
    const QFontMetrics metrics(font_);
    return {metrics.horizontalAdvance(detail::ToQt(text)), metrics.height()};
  }

 private:
  QFont font_;
  Colour text_colour_ = 0;
};

}  // namespace

PaintContext& ScreenMeasuringContext() {
  detail::EnsureApplication();
  static MeasuringContext context;
  return context;
}

}  // namespace ui
