#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

#include "ui/keys.h"
#include "ui/paint.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"
#include "ui_test_support.h"

namespace {

using namespace ui;
using ui_test::CountOf;
using ui_test::Log;
using ui_test::MessagesOf;

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    Log().clear();
    ui_test::SetHandler(nullptr);
    ui_test::RegisterRecorder();
  }
  void TearDown() override {
    for (Handle window : made)
      if (IsLive(window)) Destroy(window);
    ui_test::SetHandler(nullptr);
  }
  Handle Make(unsigned style = style_overlapped | style_visible, Handle parent = no_window,
              const std::string& class_name = "Recorder") {
    const Handle window = CreateWindowOf(class_name, "Test", style, 10, 10, 200, 120, parent);
    made.push_back(window);
    return window;
  }
  static QWidget* Frame(Handle window) { return detail::Find(window)->frame; }
  static QWidget* Client(Handle window) { return detail::Find(window)->client; }
  static std::size_t IndexOf(const std::vector<unsigned>& messages, unsigned message) {
    return static_cast<std::size_t>(std::find(messages.begin(), messages.end(), message) - messages.begin());
  }

  ScriptedOperator op;
  std::vector<Handle> made;
};

TEST_F(Windows, AClassProcedureSeesCreatePaintTimerCloseAndDestroyInOrder) {
  const Handle window = Make();
  ASSERT_NE(window, no_window);
  EXPECT_EQ(MessagesOf(window).front(), msg_create);
  EXPECT_EQ(StartTimer(window, 7, 15), 7u);
  ASSERT_TRUE(ScriptedOperator::RunUntil([&] { return CountOf(window, msg_timer) >= 2; }, 2000));
  // The frame's close button: the default handling destroys the window.
  QCloseEvent close;
  QCoreApplication::sendEvent(Frame(window), &close);
  EXPECT_FALSE(IsLive(window));
  const std::vector<unsigned> messages = MessagesOf(window);
  EXPECT_LT(IndexOf(messages, msg_erase_background), IndexOf(messages, msg_paint));
  EXPECT_LT(IndexOf(messages, msg_paint), messages.size());
  EXPECT_LT(IndexOf(messages, msg_create), IndexOf(messages, msg_timer));
  EXPECT_LT(IndexOf(messages, msg_timer), IndexOf(messages, msg_close));
  EXPECT_EQ(messages.back(), msg_destroy);
  // Its timer died with it.
  const int timers = CountOf(window, msg_timer);
  ScriptedOperator::RunFor(60);
  EXPECT_EQ(CountOf(window, msg_timer), timers);
  EXPECT_EQ(StartTimer(window, 7, 15), 0u);
}

TEST_F(Windows, AWindowThatHandlesCloseItselfStays) {
  ui_test::SetHandler([](Handle, unsigned message, WordParam, LongParam, Result& result) {
    result = 0;
    return message == msg_close;
  });
  const Handle window = Make();
  QCloseEvent close;
  QCoreApplication::sendEvent(Frame(window), &close);
  EXPECT_EQ(CountOf(window, msg_close), 1);
  EXPECT_TRUE(IsLive(window));
  EXPECT_TRUE(IsVisible(window));
}

TEST_F(Windows, SentMessagesArriveAtOncePostedOnesInOrderFromTheLoop) {
  const Handle window = Make();
  Log().clear();
  Post(window, msg_user + 1);
  Post(window, msg_user + 2, 5, 6);
  EXPECT_EQ(CountOf(window, msg_user + 1), 0);
  Send(window, msg_user + 3);
  ScriptedOperator::RunFor(20);
  std::vector<unsigned> user;
  for (unsigned message : MessagesOf(window))
    if (message > msg_user) user.push_back(message);
  EXPECT_EQ(user, (std::vector<unsigned>{msg_user + 3, msg_user + 1, msg_user + 2}));
}

TEST_F(Windows, DeadHandlesAnswerNothingAndAreNeverReused) {
  ui_test::SetHandler([](Handle, unsigned message, WordParam, LongParam, Result& result) {
    result = 77;
    return message == msg_user;
  });
  const Handle window = Make();
  EXPECT_EQ(Send(window, msg_user), 77);
  Post(window, msg_user + 9);
  Destroy(window);
  EXPECT_FALSE(IsLive(window));
  EXPECT_EQ(Send(window, msg_user), 0);
  ScriptedOperator::RunFor(20);
  EXPECT_EQ(CountOf(window, msg_user + 9), 0);  // posted before it died: dropped
  EXPECT_EQ(Title(window), "");
  Destroy(window);  // harmless twice
  const Handle next = Make();
  EXPECT_GT(next, window);
  EXPECT_FALSE(IsLive(no_window));
  EXPECT_EQ(CreateWindowOf("NoSuchClass", "", style_overlapped, 0, 0, 10, 10, no_window), no_window);
}

TEST_F(Windows, DestroyingAWindowDestroysItsChildrenAfterTellingIt) {
  const Handle parent = Make();
  const Handle child = Make(style_child | style_visible, parent);
  const Handle owned = Make(style_overlapped | style_visible, parent);
  EXPECT_EQ(Parent(child), parent);
  StartTimer(child, 1, 10);
  Log().clear();
  Destroy(parent);
  EXPECT_FALSE(IsLive(child));
  EXPECT_FALSE(IsLive(owned));
  ASSERT_GE(Log().size(), 3u);
  EXPECT_EQ(Log()[0].window, parent);
  EXPECT_EQ(Log()[0].message, msg_destroy);
  EXPECT_EQ(CountOf(child, msg_destroy), 1);
  EXPECT_EQ(CountOf(owned, msg_destroy), 1);
  ScriptedOperator::RunFor(40);
  EXPECT_EQ(CountOf(child, msg_timer), 0);
}

TEST_F(Windows, TimersRestartWithTheirIdAndStop) {
  const Handle window = Make();
  StartTimer(window, 3, 5000);
  StartTimer(window, 3, 10);  // replaces the slow one
  ScriptedOperator::RunFor(120);
  const int ticks = CountOf(window, msg_timer);
  EXPECT_GE(ticks, 4);
  for (const ui_test::Received& received : Log()) {
    if (received.message == msg_timer) {
      EXPECT_EQ(received.word, 3u);
    }
  }
  StopTimer(window, 3);
  ScriptedOperator::RunFor(50);
  EXPECT_EQ(CountOf(window, msg_timer), ticks);
  EXPECT_NE(StartTimer(window, 0, 1000), 0u);  // id 0 gets a free id
}

TEST_F(Windows, EraseFallsBackToTheClassBackgroundAndCanBeSkipped) {
  ui_test::RegisterRecorder("DarkRecorder", 0, Background::dark_grey);
  const Handle window = Make(style_overlapped | style_visible, no_window, "DarkRecorder");
  ui_test::SetHandler([](Handle, unsigned message, WordParam, LongParam, Result& result) {
    result = 0;  // not erased by the procedure
    return message == msg_erase_background;
  });
  Repaint(window);
  const QImage shown = Client(window)->grab().toImage();
  EXPECT_EQ(shown.pixelColor(5, 5), QColor(64, 64, 64));

  ScriptedOperator::RunFor(30);
  Log().clear();
  Invalidate(window, false);
  ASSERT_TRUE(ScriptedOperator::RunUntil([&] { return CountOf(window, msg_paint) > 0; }, 1000));
  EXPECT_EQ(CountOf(window, msg_erase_background), 0);
  Invalidate(window, true);
  ASSERT_TRUE(ScriptedOperator::RunUntil([&] { return CountOf(window, msg_paint) > 1; }, 1000));
  EXPECT_EQ(CountOf(window, msg_erase_background), 1);
}

TEST_F(Windows, PaintingGoesThroughThePaintContext) {
  const Handle window = Make();
  ui_test::SetHandler([](Handle, unsigned message, WordParam, LongParam l, Result& result) {
    if (message != msg_paint) return false;
    auto& context = *reinterpret_cast<PaintContext*>(l);
    context.FillRect({0, 0, 50, 50}, MakeColour(255, 0, 0));
    context.SetTextColour(MakeColour(0, 0, 255));
    context.SetFont(SystemFixedFont());
    const TextSize size = context.Measure("WWW");
    EXPECT_GT(size.width, 0);
    EXPECT_GT(size.height, 0);
    result = 0;
    return true;
  });
  Repaint(window);
  const QImage shown = Client(window)->grab().toImage();
  EXPECT_EQ(shown.pixelColor(10, 10), QColor(255, 0, 0));
  EXPECT_NE(shown.pixelColor(100, 100), QColor(255, 0, 0));
}

TEST_F(Windows, KeysBecomeKeyAndCharacterMessagesAndAreTracked) {
  const Handle window = Make();
  Log().clear();
  ScriptedOperator::KeyDown(window, vk_numpad0 + 5);
  EXPECT_TRUE(IsKeyHeld(vk_numpad0 + 5));
  ScriptedOperator::KeyDown(window, vk_numpad0 + 5, true);
  ScriptedOperator::KeyUp(window, vk_numpad0 + 5);
  EXPECT_FALSE(IsKeyHeld(vk_numpad0 + 5));
  ScriptedOperator::KeyDown(window, vk_f1);
  ScriptedOperator::KeyUp(window, vk_f1);
  // Tab reaches the procedure, as a key and as a character; with Shift held too.
  ScriptedOperator::KeyDown(window, vk_shift);
  ScriptedOperator::KeyDown(window, vk_tab);
  EXPECT_TRUE(IsKeyHeld(vk_shift));
  ScriptedOperator::KeyUp(window, vk_tab);
  ScriptedOperator::KeyUp(window, vk_shift);
  EXPECT_FALSE(IsKeyHeld(vk_shift));
  ScriptedOperator::Char(window, 'x');

  std::vector<std::pair<unsigned, WordParam>> keys;
  std::vector<LongParam> repeats;
  for (const ui_test::Received& received : Log()) {
    if (received.window != window) continue;
    if (received.message == msg_key_down || received.message == msg_key_up || received.message == msg_char)
      keys.emplace_back(received.message, received.word);
    if (received.message == msg_key_down) repeats.push_back(received.l & (LongParam{1} << 30));
  }
  const std::vector<std::pair<unsigned, WordParam>> expected = {
      {msg_key_down, 101}, {msg_char, '5'}, {msg_key_down, 101}, {msg_char, '5'}, {msg_key_up, 101},
      {msg_key_down, 112}, {msg_key_up, 112}, {msg_key_down, 16}, {msg_key_down, 9}, {msg_char, 9},
      {msg_key_up, 9},     {msg_key_up, 16},  {msg_char, 'x'},
  };
  EXPECT_EQ(keys, expected);
  ASSERT_GE(repeats.size(), 2u);
  EXPECT_EQ(repeats[0], 0);
  EXPECT_NE(repeats[1], 0);
}

TEST_F(Windows, MouseMessagesCarryClientPointsAndButtonState) {
  const Handle window = Make();
  Log().clear();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 40), QPointF(30, 40), Qt::LeftButton, Qt::LeftButton,
                    Qt::ShiftModifier);
  QCoreApplication::sendEvent(Client(window), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(31, 41), QPointF(31, 41), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(Client(window), &release);
  ASSERT_EQ(CountOf(window, msg_left_down), 1);
  for (const ui_test::Received& received : Log()) {
    if (received.message == msg_left_down) {
      EXPECT_EQ(PointX(received.l), 30);
      EXPECT_EQ(PointY(received.l), 40);
      EXPECT_EQ(received.word, key_state_left | key_state_shift);
    }
    if (received.message == msg_left_up) {
      EXPECT_EQ(received.word, 0u);
    }
  }
}

TEST_F(Windows, GeometryTitleDataAndScreen) {
  const Handle window = Make();
  SetTitle(window, "Amplifier 'A'");
  EXPECT_EQ(Title(window), "Amplifier 'A'");
  Move(window, 20, 30, 300, 200);
  EXPECT_EQ(WindowRect(window).left, 20);
  EXPECT_EQ(WindowRect(window).Width(), 300);
  // The size given is the frame's; the client is what is left inside its borders.
  const int borders = WindowRect(window).Width() - ClientRect(window).Width();
  EXPECT_GE(borders, 0);
  EXPECT_LE(borders, 20);
  const Handle child = Make(style_child | style_visible, window);
  Move(child, 5, 6, 40, 30);
  EXPECT_EQ(ClientRect(child).Height(), 30);
  EXPECT_EQ(WindowRect(child).left - WindowRect(window).left, 5 + borders / 2);

  SetWindowData(window, 4, 1234);
  SetWindowData(window, -21, 99);
  SetWindowData(window, 8, 5);  // beyond the class's 8 extra bytes
  EXPECT_EQ(WindowData(window, 4), 1234);
  EXPECT_EQ(WindowData(window, -21), 99);
  EXPECT_EQ(WindowData(window, 8), 0);

  BringToFront(window);
  EXPECT_EQ(ActiveWindow(), window);
  Enable(window, false);
  EXPECT_FALSE(IsEnabled(window));
  Show(window, false);
  EXPECT_FALSE(IsVisible(window));

  const ScreenInfo screen = Screen();
  EXPECT_GT(screen.full_width, 0);
  EXPECT_GT(screen.full_height, 0);
  EXPECT_GE(screen.horizontal_resolution, screen.full_width);
  EXPECT_GT(screen.colour_bits, 8);
  EXPECT_GT(SystemMetric(Metric::scroll_arrow_height), 0);
}

TEST_F(Windows, TheOwnScrollBarReportsButOnlyMovesWhenTheProcedureSaysSo) {
  const Handle window = Make(style_overlapped | style_visible | style_vscroll);
  SetWindowScrollBar(window, 0, 1000, 100, 950);
  EXPECT_EQ(WindowScrollPosition(window), 901);  // the last page starts at 1000 - 100 + 1
  Log().clear();
  ScriptedOperator::Scroll(window, 0, scroll_line_down);
  ASSERT_GE(CountOf(window, msg_vscroll), 1);
  const ui_test::Received first = *std::find_if(Log().begin(), Log().end(), [](const ui_test::Received& received) {
    return received.message == msg_vscroll;
  });
  EXPECT_EQ(ScrollCodeOf(first.word), scroll_line_down);
  EXPECT_EQ(ScrollPositionOf(first.word), 901);
  EXPECT_EQ(first.l, 0);
  EXPECT_EQ(WindowScrollPosition(window), 901);
  SetWindowScrollBar(window, 0, 50, 100, 0);  // nothing to scroll
  EXPECT_EQ(WindowScrollPosition(window), 0);
}

}  // namespace
