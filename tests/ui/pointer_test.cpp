#include <gtest/gtest.h>

#include <tuple>
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
  }
  void TearDown() override {
    Destroy(window);
    ui_test::SetHandler(nullptr);
  }
  ScriptedOperator op;
  Handle window = no_window;
};

TEST_F(Pointer, PressMoveAndReleaseReachTheProcedureWithPointAndKeyState) {
  const Handle other = CreateWindowOf("Recorder", "Other", style_overlapped | style_visible, 300,
                                      10, 100, 100, no_window);
  BringToFront(other);
  ScriptedOperator::RunFor(20);
  ui_test::Log().clear();
  ScriptedOperator::MouseDown(window, 30, 40, key_state_shift);
  // Held and dragged outside the window: the events keep coming, as with a real pointer.
  ScriptedOperator::MouseMove(window, 250, -5, key_state_left | key_state_control);
  ScriptedOperator::MouseUp(window, 250, -5);
  using Seen = std::tuple<unsigned, WordParam, int, int>;
  std::vector<Seen> seen;
  for (const ui_test::Received& r : ui_test::Log())
    if (r.window == window && r.message >= msg_mouse_move && r.message <= msg_set_cursor)
      seen.emplace_back(r.message, r.word, PointX(r.l), PointY(r.l));
  const std::vector<Seen> expected = {
      {msg_left_down, key_state_left | key_state_shift, 30, 40},
      {msg_set_cursor, 0, 0, 0},
      {msg_mouse_move, key_state_left | key_state_control, 250, -5},
      {msg_left_up, 0, 250, -5},
  };
  EXPECT_EQ(seen, expected);
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
  // A paint without erase is pending: the grab still shows the background around the paint.
  ScriptedOperator::RunFor(20);
  InvalidateArea(window, {0, 0, 10, 10}, false);
  const WindowImage image = ScriptedOperator::Grab(window);
  EXPECT_EQ(std::tuple(image.Width(), image.Height()),
            std::tuple(ClientRect(window).Width(), ClientRect(window).Height()));
  const std::vector<std::tuple<int, int, Colour>> samples = {{0, 0, red},
                                                             {49, 29, red},
                                                             {50, 29, ButtonFaceColour()},
                                                             {70, 10, blue},
                                                             {70, 12, ButtonFaceColour()},
                                                             {-1, 0, 0xFFFFFFFF}};
  for (const auto& [x, y, colour] : samples) EXPECT_EQ(image.At(x, y), colour) << x << "," << y;
}

}  // namespace
