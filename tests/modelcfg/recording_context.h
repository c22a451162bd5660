// A painting context for the line table's tests: every character measures
// 7 x 13 pixels, and what is drawn is recorded instead of shown.
#pragma once

#include <string>
#include <vector>

#include "ui/paint.h"

class recording_context final : public ui::PaintContext {
 public:
  static constexpr int char_width = 7;
  static constexpr int char_height = 13;

  struct text_call {
    int x, y;
    std::string text;
    ui::Colour colour;
  };
  struct rect_call {
    ui::Rect rect;
    ui::Colour colour;  // fills; for edges 1 sunken, 0 raised
  };
  std::vector<text_call> texts;
  std::vector<rect_call> fills, edges;
  int ellipses = 0;

  ui::Rect Area() const override { return {0, 0, 1000, 1000}; }
  void FillRect(const ui::Rect& rect, ui::Colour colour) override {
    fills.push_back({rect, colour});
  }
  void FrameRect(const ui::Rect&, ui::Colour, int) override {}
  void Edge(const ui::Rect& rect, bool pressed) override { edges.push_back({rect, pressed}); }
  void Line(int, int, int, int, ui::Colour, int) override {}
  void Ellipse(const ui::Rect&, ui::Colour, ui::Colour) override { ++ellipses; }
  void SetFont(const ui::FontSpec&) override {}
  void SetTextColour(ui::Colour colour) override { colour_ = colour; }
  ui::Colour TextColour() const override { return colour_; }
  void SetTextBackground(ui::Colour) override {}
  void SetTransparentText() override {}
  void Text(int x, int y, const std::string& text) override {
    texts.push_back({x, y, text, colour_});
  }
  void TextIn(const ui::Rect&, const std::string&, ui::TextAlign) override {}
  ui::TextSize Measure(const std::string& text) override {
    return {char_width * static_cast<int>(text.size()), char_height};
  }

  const text_call* FindText(const std::string& text) const {
    for (const text_call& call : texts) {
      if (call.text == text) return &call;
    }
    return nullptr;
  }

 private:
  ui::Colour colour_ = 0;
};
