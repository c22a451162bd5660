#include <gtest/gtest.h>

#include <vector>

#include "ui/paint.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"
#include "ui_test_support.h"

namespace {

using namespace ui;

class Pointer : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::Log().clear();
    ui_test::SetHandler(nullptr);
    ui_test::RegisterRecorder();
    window = CreateWindowOf("Recorder", "Pointer", style_overlapped | style_visible, 10, 10, 200,
                            120, no_window);
    ASSERT_NE(window, no_window);
  }
  void TearDown() override {
    if (IsLive(window)) Destroy(window);
    ui_test::SetHandler(nullptr);
  }
  std::vector<ui_test::Received> MouseMessages() const {
    std::vector<ui_test::Received> seen;
    for (const ui_test::Received& r : ui_test::Log())
      if (r.window == window && (r.message == msg_left_down || r.message == msg_left_up ||
                                 r.message == msg_mouse_move || r.message == msg_set_cursor))
        seen.push_back(r);
    return seen;
  }

  ScriptedOperator op;
  Handle window = no_window;
};

TEST_F(Pointer, PressMoveAndReleaseReachTheProcedureWithPointAndKeyState) {
  const Handle other = CreateWindowOf("Recorder", "Other", style_overlapped | style_visible, 300, 10, 100, 100,
                                      no_window);
  BringToFront(other);
  ScriptedOperator::RunFor(20);
  ui_test::Log().clear();
  ScriptedOperator::MouseDown(window, 30, 40, key_state_shift);
  // Held and dragged outside the window: the events keep coming, as with a real pointer.
  ScriptedOperator::MouseMove(window, 250, -5, key_state_left | key_state_control);
  ScriptedOperator::MouseUp(window, 250, -5);
  ScriptedOperator::MouseMove(window, 7, 8);
  struct Expected {
    unsigned message;
    WordParam word;
    int x, y;
  } const expected[] = {
      {msg_left_down, key_state_left | key_state_shift, 30, 40},
      {msg_set_cursor, 0, 0, 0},
      {msg_mouse_move, key_state_left | key_state_control, 250, -5},
      {msg_left_up, 0, 250, -5},
      {msg_set_cursor, 0, 0, 0},
      {msg_mouse_move, 0, 7, 8},
  };
  const std::vector<ui_test::Received> seen = MouseMessages();
  ASSERT_EQ(seen.size(), std::size(expected));
  for (std::size_t n = 0; n < seen.size(); ++n) {
    EXPECT_EQ(seen[n].message, expected[n].message) << n;
    if (expected[n].message == msg_set_cursor) continue;
    EXPECT_EQ(seen[n].word, expected[n].word) << n;
    EXPECT_EQ(PointX(seen[n].l), expected[n].x) << n;
    EXPECT_EQ(PointY(seen[n].l), expected[n].y) << n;
  }
  // A press gives the window the keyboard, as a click does.
  ScriptedOperator::RunFor(20);
  EXPECT_EQ(ActiveWindow(), window);
  EXPECT_GE(ui_test::CountOf(window, msg_set_focus), 1);
  Destroy(other);
}

TEST_F(Pointer, GrabShowsWhatThePaintDrewOverTheBackground) {
  const Colour red = MakeColour(255, 0, 0), blue = MakeColour(0, 0, 255);
  ui_test::SetHandler([&](Handle w, unsigned message, WordParam, LongParam l, Result& result) {
    if (w != window || message != msg_paint) return false;
    auto& dc = *reinterpret_cast<PaintContext*>(l);
    dc.FillRect({0, 0, 50, 30}, red);
    dc.Line(60, 10, 80, 10, blue);
    result = 0;
    return true;
  });
  // Painted without erase last: the grab still shows the background around the paint.
  InvalidateArea(window, {0, 0, 10, 10}, false);
  ScriptedOperator::RunFor(20);
  const WindowImage image = ScriptedOperator::Grab(window);
  EXPECT_EQ(image.Width(), ClientRect(window).Width());
  EXPECT_EQ(image.Height(), ClientRect(window).Height());
  EXPECT_EQ(image.At(0, 0), red);
  EXPECT_EQ(image.At(49, 29), red);
  EXPECT_EQ(image.At(50, 29), ButtonFaceColour());
  EXPECT_EQ(image.At(70, 10), blue);
  EXPECT_EQ(image.At(70, 12), ButtonFaceColour());
  EXPECT_EQ(image.At(-1, 0), 0xFFFFFFFFu);
}

}  // namespace
