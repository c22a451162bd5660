#include "modelcfg/button.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

// Measures every character as 7 x 13 pixels and draws nothing.
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
    return {7 * static_cast<int>(text.size()), 13};
  }
};

class Buttons : public ::testing::Test {
 protected:
  void SetUp() override { screen_compatible_dc = &measure; }
  void TearDown() override { screen_compatible_dc = nullptr; }
  FixedMeasure measure;
};

TEST_F(Buttons, TextButtonIsCaptionExtentPlusMarginsAndAlignsOnEachAnchor) {
  // "Add Line": 8 characters, 56 x 13, so the button is 68 x 18.
  struct Case {
    button_align_enum alignment;
    ui::Rect expected;
  } const cases[] = {
      {align_topleft, {100, 50, 168, 68}},
      {align_bottomleft, {100, 32, 168, 50}},
      {align_bottomcenter, {66, 32, 134, 50}},
      {align_bottomright, {32, 32, 100, 50}},
      {align_centerright, {32, 41, 100, 59}},
      {static_cast<button_align_enum>(9), {100, 50, 168, 68}},
  };
  for (const Case& c : cases) {
    const button_class button(buttontype_text, 100, 50, "Add Line", c.alignment);
    EXPECT_EQ(button.r.left, c.expected.left) << c.alignment;
    EXPECT_EQ(button.r.top, c.expected.top) << c.alignment;
    EXPECT_EQ(button.r.right, c.expected.right) << c.alignment;
    EXPECT_EQ(button.r.bottom, c.expected.bottom) << c.alignment;
  }
  // An odd width halves toward zero: 9 characters make 75 x 18.
  const button_class odd(buttontype_text, 100, 50, "Send Line", align_centerright);
  EXPECT_EQ(odd.r.top, 41);
  EXPECT_EQ(odd.r.bottom, 59);
  const button_class centred(buttontype_text, 100, 50, "Send Line", align_bottomcenter);
  EXPECT_EQ(centred.r.left, 100 + 37 - 75);
  EXPECT_EQ(centred.r.right, 137);
  // A glyph button takes the scroll bar's sizes and no caption.
  const button_class arrow(buttontype_scrollup, 0, 0, "ignored", align_topleft);
  EXPECT_STREQ(arrow.string, "dummy_string");
  EXPECT_EQ(arrow.r.Width(), ui::SystemMetric(ui::Metric::scroll_bar_width));
  EXPECT_EQ(arrow.r.Height(), ui::SystemMetric(ui::Metric::scroll_arrow_height));
}

TEST_F(Buttons, PointInBoxTakesAllFourEdges) {
  const ui::Rect r{10, 20, 30, 40};
  for (const auto& [x, y, inside] : std::vector<std::tuple<int, int, int>>{{10, 20, 1},
                                                                           {30, 40, 1},
                                                                           {10, 40, 1},
                                                                           {30, 20, 1},
                                                                           {20, 30, 1},
                                                                           {9, 30, 0},
                                                                           {31, 30, 0},
                                                                           {20, 19, 0},
                                                                           {20, 41, 0}}) {
    EXPECT_EQ(PointInBox(x, y, r), inside) << x << "," << y;
  }
}

// One event fed to the button and what it must look like afterwards.
enum class Event { press, release, move_held, move_free };
struct Step {
  Event event;
  int x, y;
  int down, clicked, result;
};

int Feed(button_class& button, const Step& step) {
  switch (step.event) {
    case Event::press:
      return button.Click(ui::no_window, step.x, step.y, 1);
    case Event::release:
      return button.Click(ui::no_window, step.x, step.y, 0);
    case Event::move_held:
      button.MouseMove(ui::no_window, step.x, step.y, 1);
      return 0;
    case Event::move_free:
      button.MouseMove(ui::no_window, step.x, step.y, 0);
      return 0;
  }
  return 0;
}

TEST_F(Buttons, ClickStateMachine) {
  // The button spans (100, 50) to (168, 68), edges inclusive.
  struct Scenario {
    const char* name;
    int enabled;
    std::vector<Step> steps;
  } const scenarios[] = {
      {"press and release on opposite corners",
       1,
       {{Event::press, 100, 50, 1, 1, 0}, {Event::release, 168, 68, 0, 0, 1}}},
      {"press in, move out, release out: no click, popped up",
       1,
       {{Event::press, 120, 60, 1, 1, 0},
        {Event::move_held, 169, 60, 0, 1, 0},
        {Event::release, 169, 60, 0, 0, 0},
        {Event::move_free, 120, 60, 0, 0, 0}}},
      {"press in, out and back in, release: one click",
       1,
       {{Event::press, 120, 60, 1, 1, 0},
        {Event::move_held, 120, 49, 0, 1, 0},
        {Event::move_held, 120, 50, 1, 1, 0},
        {Event::release, 120, 50, 0, 0, 1},
        {Event::release, 120, 50, 0, 0, 0}}},
      {"press outside, move in held, release: never armed",
       1,
       {{Event::press, 99, 60, 0, 0, 0},
        {Event::move_held, 120, 60, 0, 0, 0},
        {Event::release, 120, 60, 0, 0, 0}}},
      {"button let go outside the window disarms on the next move",
       1,
       {{Event::press, 120, 60, 1, 1, 0},
        {Event::move_free, 120, 60, 0, 0, 0},
        {Event::release, 120, 60, 0, 0, 0}}},
      {"disabled: nothing changes",
       0,
       {{Event::press, 120, 60, 0, 0, 0},
        {Event::move_held, 121, 60, 0, 0, 0},
        {Event::release, 120, 60, 0, 0, 0}}},
  };
  for (const Scenario& scenario : scenarios) {
    button_class button(buttontype_text, 100, 50, "Add Line", align_topleft);
    button.enabled = scenario.enabled;
    int index = 0;
    for (const Step& step : scenario.steps) {
      const int result = Feed(button, step);
      EXPECT_EQ(result, step.result) << scenario.name << " step " << index;
      EXPECT_EQ(button.down, step.down) << scenario.name << " step " << index;
      EXPECT_EQ(button.clicked, step.clicked) << scenario.name << " step " << index;
      ++index;
    }
  }
  // A disabled button keeps a pushed look it was given.
  button_class frozen(buttontype_text, 100, 50, "Add Line", align_topleft);
  frozen.down = 1;
  frozen.enabled = 0;
  frozen.Click(ui::no_window, 0, 0, 0);
  frozen.MouseMove(ui::no_window, 0, 0, 0);
  EXPECT_EQ(frozen.down, 1);
}

}  // namespace

namespace {

button_class* shown_button = nullptr;

ui::Result ButtonHost(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  if (message != ui::msg_paint) return ui::DefaultProcedure(window, message, word, l);
  auto& dc = *reinterpret_cast<ui::PaintContext*>(l);
  dc.SetTextColour(ui::MakeColour(1, 2, 3));
  shown_button->Show(dc, buttontype_nochange, keep_place, keep_place, nullptr, align_topleft);
  // The owner's text colour is back after the button.
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
