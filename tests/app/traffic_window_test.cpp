#include "app/traffic_window.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/settings.h"
#include "link/capture.h"
#include "link/console.h"
#include "link/exchange.h"
#include "link/fake_line.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/keys.h"
#include "ui/menu.h"
#include "ui/paint.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"

namespace {

constexpr ui::Colour black = ui::MakeColour(0, 0, 0);
constexpr ui::Colour light_grey = ui::MakeColour(192, 192, 192);
constexpr ui::Colour dark_grey = ui::MakeColour(128, 128, 128);

const std::string sent_frame = "\x02\x41\x35\x35\x03\x40";
const std::string answer = "\x06\x41\x35\x03\x71";

// What the window paints: the text pieces of each row, with their colours.
class RecordingContext final : public ui::PaintContext {
 public:
  struct Piece {
    int x;
    std::string text;
    ui::Colour colour;
    std::optional<ui::Colour> background;
  };
  std::map<int, std::vector<Piece>> rows;  // by the top of the row

  std::vector<std::string> RowTexts() const {
    std::vector<std::string> texts;
    for (const auto& [y, pieces] : rows) {
      texts.emplace_back();
      for (const Piece& piece : pieces) texts.back() += piece.text;
    }
    return texts;
  }
  ui::Rect Area() const override { return {}; }
  void FillRect(const ui::Rect&, ui::Colour) override {}
  void FrameRect(const ui::Rect&, ui::Colour, int) override {}
  void Edge(const ui::Rect&, bool) override {}
  void Line(int, int, int, int, ui::Colour, int) override {}
  void Ellipse(const ui::Rect&, ui::Colour, ui::Colour) override {}
  void SetFont(const ui::FontSpec&) override {}
  void SetTextColour(ui::Colour colour) override { colour_ = colour; }
  void SetTextBackground(ui::Colour colour) override { background_ = colour; }
  void SetTransparentText() override { background_.reset(); }
  void Text(int x, int y, const std::string& text) override {
    rows[y].push_back({x, text, colour_, background_});
  }
  void TextIn(const ui::Rect&, const std::string&, ui::TextAlign) override {}
  ui::TextSize Measure(const std::string&) override { return {}; }

 private:
  ui::Colour colour_ = black;
  std::optional<ui::Colour> background_;
};

// Counts the paints a widget gets.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void Send(const std::string& bytes) {
  Write2Console(console_sent, bytes.data(), static_cast<int>(bytes.size()));
}

void Receive(const std::string& bytes) {
  for (const char byte : bytes) Write2Console(console_received, &byte, 1);
}

// Pixels of one stretch of a text row in a grabbed image.
struct Stretch {
  double black = 0, light_grey = 0, bright_white = 0;  // shares of the pixels
  int brightest = 0, darkest = 255;                    // grey levels
};

Stretch Measure(const QImage& image, int top, int height, int left, int right) {
  Stretch stretch;
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < right; ++x) {
      const QRgb pixel = image.pixel(x, y);
      stretch.black += pixel == qRgb(0, 0, 0);
      stretch.light_grey += pixel == qRgb(192, 192, 192);
      stretch.bright_white += pixel == qRgb(255, 255, 255);
      stretch.brightest = std::max(stretch.brightest, qGray(pixel));
      stretch.darkest = std::min(stretch.darkest, qGray(pixel));
    }
  }
  const double count = static_cast<double>(height * (right - left));
  stretch.black /= count;
  stretch.light_grey /= count;
  stretch.bright_white /= count;
  return stretch;
}

int WidthOf(const std::string& text) {
  return ui::MeasureText(ui::SystemFixedFont(), text).width;
}

class TrafficWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTrafficWindow();
    InitDebugConsole();
    window = TrafficWindow();
    ASSERT_TRUE(ui::IsLive(window));
    line = ui::MeasureText(ui::SystemFixedFont(), "W").height;
  }
  void TearDown() override {
    PauseConsole(false);
    CloseDebugConsole();
    ShowConsoleTimeStamps(false);
    ShowConsoleDirectionTags(false);
  }
  RecordingContext Painted() {
    RecordingContext context;
    ui::Send(window, ui::msg_paint, 0, reinterpret_cast<ui::LongParam>(&context));
    return context;
  }
  QWidget* Client() { return ui::detail::Find(window)->client; }
  QImage Shown() { return Client()->grab().toImage(); }

  ui::ScriptedOperator op;
  ui::Handle window = ui::no_window;
  int line = 0;
};

TEST_F(TrafficWindowTest, ShowsTheFrameInGreyAndTheAnswerInInverse) {
  EXPECT_EQ(ui::Title(window), "Comm Traffic");
  EXPECT_TRUE(ui::IsVisible(window));
  ui::ScriptedOperator::RunFor(150);
  // Freshly opened, the cursor waits top left in bright white.
  const int cursor_width = WidthOf("W");
  EXPECT_GT(Measure(Shown(), 0, line, 0, cursor_width).bright_white, 0.0);

  // Through the link itself: the frame as sent, the answer as captured.
  {
    FakeLine device;
    SendCommand('A', "55", 0);
    EXPECT_EQ(device.Sent(), sent_frame);
    device.Feed(answer);
    EXPECT_EQ(TrapResponse(0), 1);
  }
  ui::ScriptedOperator::RunFor(150);
  const RecordingContext painted = Painted();
  ASSERT_FALSE(painted.rows.empty());
  const auto& first_row = painted.rows.begin()->second;
  ASSERT_EQ(first_row.size(), 2u);
  EXPECT_EQ(first_row[0].text, "[STX]A55[ETX]@");
  EXPECT_EQ(first_row[0].x, 0);
  EXPECT_EQ(first_row[0].colour, light_grey);
  EXPECT_EQ(first_row[0].background, black);
  EXPECT_EQ(first_row[1].text, "[ACK]A5[ETX]q");
  EXPECT_NEAR(first_row[1].x, WidthOf("[STX]A55[ETX]@"), 1);
  EXPECT_EQ(first_row[1].colour, black);
  EXPECT_EQ(first_row[1].background, light_grey);

  // On screen: grey glyphs on black, never bright white, then black glyphs
  // on light grey, then the cursor in the received colours, then nothing.
  const QImage shown = Shown();
  const int sent_end = WidthOf("[STX]A55[ETX]@");
  const int answer_end = sent_end + WidthOf("[ACK]A5[ETX]q");
  const Stretch sent = Measure(shown, 0, line, 1, sent_end - 1);
  EXPECT_GT(sent.black, 0.5);
  EXPECT_GT(sent.brightest, 100);
  EXPECT_LE(sent.brightest, 193);
  const Stretch received = Measure(shown, 0, line, sent_end + 1, answer_end - 1);
  EXPECT_GT(received.light_grey, 0.5);
  EXPECT_LT(received.darkest, 100);
  EXPECT_GT(Measure(shown, 0, line, answer_end + 1, answer_end + cursor_width - 1).light_grey, 0.5);
  EXPECT_EQ(Measure(shown, 0, line, answer_end + 2 * cursor_width, shown.width()).black, 1.0);
  EXPECT_EQ(Measure(shown, line, line, 0, shown.width()).black, 1.0);
}

TEST_F(TrafficWindowTest, WrapsAtTheWidthAndFollowsTheEndUnlessScrolledBack) {
  const int columns = ui::ClientRect(window).Width() * 100 / WidthOf(std::string(100, 'W'));
  Send(std::string(2 * columns + 7, 'B'));
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(Painted().RowTexts(), (std::vector<std::string>{std::string(columns, 'B'),
                                                            std::string(columns, 'B'), "BBBBBBB"}));

  for (int n = 0; n < 200; ++n) Send("F" + std::to_string(n));
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(Painted().RowTexts().back(), "F199");
  const int at_end = ui::WindowScrollPosition(window);
  ui::ScriptedOperator::Scroll(window, 0, ui::scroll_page_up);
  const int scrolled = ui::WindowScrollPosition(window);
  EXPECT_LT(scrolled, at_end);
  const std::vector<std::string> before = Painted().RowTexts();
  for (int n = 200; n < 220; ++n) Send("F" + std::to_string(n));
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(ui::WindowScrollPosition(window), scrolled);
  EXPECT_EQ(Painted().RowTexts(), before);

  ui::ScriptedOperator::KeyDown(window, ui::vk_end);
  Send("F220");
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(Painted().RowTexts().back(), "F220");
  EXPECT_GT(ui::WindowScrollPosition(window), at_end);
}

TEST_F(TrafficWindowTest, RepaintsOnTheTimerOnlyWhenTheTextChanged) {
  ui::ScriptedOperator::RunFor(250);
  PaintCounter counter;
  Client()->installEventFilter(&counter);
  for (int n = 0; n < 40; ++n) {
    Receive("0123456789");
    ui::ScriptedOperator::RunFor(5);
  }
  ui::ScriptedOperator::RunFor(120);
  EXPECT_GE(counter.paints, 1);
  EXPECT_LE(counter.paints, 4);  // 400 bytes in about 320 ms
  const int after_writing = counter.paints;
  ui::ScriptedOperator::RunFor(350);
  EXPECT_EQ(counter.paints, after_writing);
  Client()->removeEventFilter(&counter);
}

TEST_F(TrafficWindowTest, PausesClearsAndSavesFromTheMenu) {
  ScratchDirectory directory;
  Send(sent_frame);
  ui::ChooseMenuItem(window, traffic_pause);
  ui::ScriptedOperator::RunFor(50);
  EXPECT_FALSE(ui::IsMenuItemEnabled(window, traffic_pause));
  EXPECT_TRUE(ui::IsMenuItemEnabled(window, traffic_resume));
  Receive(answer);
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(Painted().RowTexts(),
            (std::vector<std::string>{"[STX]A55[ETX]@", "--- paused ---",
                                      "Paused: new traffic is not shown until Resume"}));
  ui::ChooseMenuItem(window, traffic_resume);
  ui::ScriptedOperator::RunFor(50);
  EXPECT_TRUE(ui::IsMenuItemEnabled(window, traffic_pause));
  Receive(answer);

  op.AnswerFileDialog(directory.File("saved.txt"));
  op.AnswerFileDialog(directory.File("missing/saved.txt"));
  for (int n = 0; n < 3; ++n) ui::ChooseMenuItem(window, traffic_save);  // the third is cancelled
  ui::ScriptedOperator::RunFor(50);
  ASSERT_EQ(op.FileDialogs().size(), 3u);
  EXPECT_EQ(op.FileDialogs()[0].kind, ui::FileDialogKind::save);
  EXPECT_EQ(directory.Read("saved.txt"),
            "[STX]A55[ETX]@\r\n--- paused ---\r\n--- resumed ---\r\n[ACK]A5[ETX]q\r\n");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Error");

  ui::ChooseMenuItem(window, traffic_clear);
  ui::ScriptedOperator::RunFor(150);
  EXPECT_TRUE(Painted().RowTexts().empty());
}

TEST_F(TrafficWindowTest, ClosingTheFrameSwitchesTheConsoleOff) {
  Send(sent_frame);
  ui::detail::Find(window)->frame->close();
  EXPECT_FALSE(ui::IsLive(window));
  EXPECT_EQ(TrafficWindow(), ui::no_window);
  EXPECT_EQ(debug_console, 0);
  const auto changes = ConsoleChanges();
  Send(sent_frame);
  EXPECT_EQ(ConsoleChanges(), changes);

  // On again: a fresh, empty window.
  InitDebugConsole();
  window = TrafficWindow();
  ASSERT_TRUE(ui::IsLive(window));
  EXPECT_TRUE(ConsoleLines().empty());
  CloseDebugConsole();
  EXPECT_FALSE(ui::IsLive(window));
}

TEST_F(TrafficWindowTest, ShowsAQuillonAnswerAsTheTessaryOnes) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--quillon", "--amp", "A", "--steady"}, &error)) << error;
  ResetSettings();
  ResetLinkSettings();
  quillon_protocol = 1;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1) << serial_port;
  std::memset(protocol_state, 0, sizeof protocol_state);
  const bool answered = DoCommand('A', "55", 0, 500, 2) == 1;
  const std::string answer(reinterpret_cast<const char*>(protocol_state[0].response_buf),
                           static_cast<std::size_t>(protocol_state[0].receive_count));
  CloseSerial();
  ResetSettings();
  ResetLinkSettings();
  ASSERT_TRUE(answered);

  ui::ScriptedOperator::RunFor(150);
  const RecordingContext painted = Painted();
  ASSERT_FALSE(painted.rows.empty());
  const auto& first_row = painted.rows.begin()->second;
  ASSERT_EQ(first_row.size(), 2u);
  EXPECT_EQ(first_row[0].text, "[STX][07]A55[AB][ETX]");
  EXPECT_EQ(first_row[0].colour, light_grey);
  EXPECT_EQ(first_row[1].text.substr(0, 5), "[STX]");
  EXPECT_EQ(first_row[1].colour, black);
  EXPECT_EQ(first_row[1].background, light_grey);
  // Every byte of the answer, once, as a received byte shows.
  const ConsoleLine captured = ConsoleLines().back();
  ClearConsole();
  Receive(answer);
  ASSERT_EQ(captured.runs.size(), 2u);
  EXPECT_EQ(captured.runs[1].text, ConsoleLines().back().runs[0].text);
}

TEST_F(TrafficWindowTest, TimeStampsAndDirectionTagsFromTheViewMenuAreShownAndSaved) {
  ScratchDirectory directory;
  EXPECT_FALSE(ui::IsMenuItemChecked(window, traffic_time_stamps));
  EXPECT_FALSE(ui::IsMenuItemChecked(window, traffic_direction_tags));
  Send(sent_frame);
  Receive(answer);
  ui::ChooseMenuItem(window, traffic_time_stamps);
  ui::ChooseMenuItem(window, traffic_direction_tags);
  ui::ScriptedOperator::RunFor(150);
  EXPECT_TRUE(ui::IsMenuItemChecked(window, traffic_time_stamps));
  EXPECT_TRUE(ui::IsMenuItemChecked(window, traffic_direction_tags));

  const RecordingContext painted = Painted();
  ASSERT_EQ(painted.rows.size(), 1u);
  const auto& row = painted.rows.begin()->second;
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[0].text.substr(12), " TX ");  // after "hh:mm:ss.mmm"
  EXPECT_EQ(row[0].colour, dark_grey);
  EXPECT_NEAR(row[1].x, WidthOf(row[0].text), 1);
  EXPECT_EQ(row[2].text, " RX ");
  EXPECT_EQ(row[3].background, light_grey);

  op.AnswerFileDialog(directory.File("saved.txt"));
  ui::ChooseMenuItem(window, traffic_save);
  ui::ScriptedOperator::RunFor(50);
  EXPECT_EQ(directory.Read("saved.txt"), row[0].text + "[STX]A55[ETX]@ RX [ACK]A5[ETX]q\r\n");

  // Off again: the text as it was.
  ui::ChooseMenuItem(window, traffic_time_stamps);
  ui::ChooseMenuItem(window, traffic_direction_tags);
  ui::ScriptedOperator::RunFor(150);
  EXPECT_EQ(Painted().RowTexts(), std::vector<std::string>{"[STX]A55[ETX]@[ACK]A5[ETX]q"});
}

}  // namespace
