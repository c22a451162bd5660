#include "modelcfg/button.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

namespace {

// Measures every character as 7 x 14 pixels and draws nothing.
class FixedMeasure final : public ui::PaintContext {
 public:
  ui::Rect Area() const override { return {}; }
  void FillRect(const ui::Rect&, ui::Colour) override {}
  void FrameRect(const ui::Rect&, ui::Colour, int) override {}
  void Edge(const ui::Rect&, bool) override {}
  void Line(int, int, int, int, ui::Colour, int) override {}
  void Ellipse(const ui::Rect&, ui::Colour, ui::Colour) override {}
  void SetFont(const ui::FontSpec&) override {}
  void SetTextColour(ui::Colour) override {}
  void SetTextBackground(ui::Colour) override {}
  void SetTransparentText() override {}
  void Text(int, int, const std::string&) override {}
  void TextIn(const ui::Rect&, const std::string&, ui::TextAlign) override {}
  ui::TextSize Measure(const std::string& text) override {
    return {7 * static_cast<int>(text.size()), 14};
  }
};

std::tuple<int, int, int, int> Corners(const ui::Rect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

class Buttons : public ::testing::Test {
 protected:
  void SetUp() override { screen_compatible_dc = &measure; }
  void TearDown() override { screen_compatible_dc = nullptr; }
  FixedMeasure measure;
};

TEST_F(Buttons, TextButtonIsCaptionExtentPlusMarginsAndAlignsOnEachAnchor) {
  // "Add Line" measures 56 x 14 and makes a 68 x 19 button; "Send Line" 75 x 19,
  // whose odd halves truncate.
  struct Case {
    const char* caption;
    button_align_enum alignment;
    std::tuple<int, int, int, int> expected;
  } const cases[] = {
      {"Add Line", align_topleft, {100, 50, 168, 69}},
      {"Add Line", align_bottomleft, {100, 31, 168, 50}},
      {"Add Line", align_bottomright, {32, 31, 100, 50}},
      {"Add Line", static_cast<button_align_enum>(9), {100, 50, 168, 69}},
      {"Send Line", align_bottomcenter, {62, 31, 137, 50}},
      {"Send Line", align_centerright, {25, 41, 100, 60}},
  };
  for (const Case& c : cases) {
    const button_class button(buttontype_text, 100, 50, c.caption, c.alignment);
    EXPECT_EQ(Corners(button.r), c.expected) << c.caption << " " << c.alignment;
  }
  // A glyph button takes the scroll bar's sizes and no caption.
  const button_class arrow(buttontype_scrollup, 0, 0, "ignored", align_topleft);
  EXPECT_STREQ(arrow.string, "dummy_string");
  EXPECT_EQ(arrow.r.Width(), ui::SystemMetric(ui::Metric::scroll_bar_width));
  EXPECT_EQ(arrow.r.Height(), ui::SystemMetric(ui::Metric::scroll_arrow_height));
}

TEST_F(Buttons, ClickStateMachine) {
  // What is fed: P press, R release, M move with the button held, F move without.
  struct Step {
    char event;
    int x, y;
    int down, clicked, result;  // afterwards
  };
  struct Scenario {
    const char* name;
    int enabled;
    std::vector<Step> steps;
  } const scenarios[] = {
      // The button spans (100, 50) to (168, 69), all edges inside.
      {"press and release on opposite corners",
       1,
       {{'P', 100, 50, 1, 1, 0}, {'R', 168, 69, 0, 0, 1}}},
      {"press in, move out, release out: no click, popped up",
       1,
       {{'P', 120, 60, 1, 1, 0},
        {'M', 169, 60, 0, 1, 0},
        {'R', 169, 60, 0, 0, 0},
        {'F', 120, 60, 0, 0, 0}}},
      {"press in, out and back in, release: one click",
       1,
       {{'P', 120, 60, 1, 1, 0},
        {'M', 120, 49, 0, 1, 0},
        {'M', 120, 50, 1, 1, 0},
        {'R', 120, 50, 0, 0, 1},
        {'R', 120, 50, 0, 0, 0}}},
      {"press outside, move in held, release: never armed",
       1,
       {{'P', 99, 60, 0, 0, 0},
        {'M', 120, 70, 0, 0, 0},
        {'M', 120, 69, 0, 0, 0},
        {'R', 120, 60, 0, 0, 0}}},
      {"let go outside the window: the next move disarms",
       1,
       {{'P', 120, 60, 1, 1, 0}, {'F', 120, 60, 0, 0, 0}, {'R', 120, 60, 0, 0, 0}}},
      {"disabled", 0, {{'P', 120, 60, 0, 0, 0}, {'M', 121, 60, 0, 0, 0}, {'R', 120, 60, 0, 0, 0}}},
  };
  for (const Scenario& scenario : scenarios) {
    button_class button(buttontype_text, 100, 50, "Add Line", align_topleft);
    button.enabled = scenario.enabled;
    for (std::size_t n = 0; n < scenario.steps.size(); ++n) {
      const Step& step = scenario.steps[n];
      int result = 0;
      if (step.event == 'P' || step.event == 'R') {
        result = button.Click(ui::no_window, step.x, step.y, step.event == 'P');
      } else {
        button.MouseMove(ui::no_window, step.x, step.y, step.event == 'M');
      }
      EXPECT_EQ(std::tuple(button.down, button.clicked, result),
                std::tuple(step.down, step.clicked, step.result))
          << scenario.name << ", step " << n;
    }
  }
  // A disabled button keeps the pushed look it was given.
  button_class frozen(buttontype_text, 100, 50, "Add Line", align_topleft);
  frozen.down = 1;
  frozen.enabled = 0;
  frozen.Click(ui::no_window, 0, 0, 0);
  frozen.MouseMove(ui::no_window, 0, 0, 0);
  EXPECT_EQ(frozen.down, 1);
}

button_class* shown_button = nullptr;

ui::Result ButtonHost(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  if (message != ui::msg_paint) return ui::DefaultProcedure(window, message, word, l);
  auto& dc = *reinterpret_cast<ui::PaintContext*>(l);
  dc.SetTextColour(ui::MakeColour(1, 2, 3));
  shown_button->Show(dc, buttontype_nochange, keep_place, keep_place, nullptr, align_topleft);
  // The owner's text colour must be back; a magenta corner says it is not.
  if (dc.TextColour() != ui::MakeColour(1, 2, 3))
    dc.FillRect({0, 0, 4, 4}, ui::MakeColour(255, 0, 255));
  return 0;
}

TEST(ButtonPainting, AHighlightedButtonFillsItsFaceInsideTheFrame) {
  ui::ScriptedOperator op;
  screen_compatible_dc = &ui::ScreenMeasuringContext();
  button_class button(buttontype_text, 20, 10, "Send All", align_topleft);
  button.hilight = 1;
  button.face_color = ui::MakeColour(0, 255, 0);
  shown_button = &button;
  ASSERT_TRUE(ui::RegisterWindowClass({"ButtonHost", ButtonHost}));
  const ui::Handle window =
      ui::CreateWindowOf("ButtonHost", "Buttons", ui::style_overlapped | ui::style_visible, 0, 0,
                         200, 80, ui::no_window);
  const ui::WindowImage image = ui::ScriptedOperator::Grab(window);
  ui::Destroy(window);
  screen_compatible_dc = nullptr;
  const ui::Rect& r = button.r;
  EXPECT_EQ(image.At(r.left + 2, r.top + 2), button.face_color);
  EXPECT_EQ(image.At(r.right - 2, r.bottom - 2), button.face_color);
  EXPECT_NE(image.At(r.left, r.top), button.face_color);
  EXPECT_NE(image.At(r.right + 1, r.bottom), button.face_color);
  EXPECT_EQ(image.At(1, 1), ui::ButtonFaceColour());
}

}  // namespace
