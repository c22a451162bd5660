#include "app/traffic_window.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QObject>
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/console.h"
#include "test_support.h"
#include "ui/keys.h"
#include "ui/menu.h"
#include "ui/paint.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"

namespace {

constexpr ui::Colour black = ui::MakeColour(0, 0, 0);
constexpr ui::Colour light_grey = ui::MakeColour(192, 192, 192);
constexpr ui::Colour bright_white = ui::MakeColour(255, 255, 255);

const std::string sent_frame = "\x02\x41\x35\x35\x03\x40";
const std::string answer = "\x06\x41\x35\x03\x77";

// What the window paints, text piece by text piece, with its colours.
class RecordingContext final : public ui::PaintContext {
 public:
  struct Piece {
    int x;
    std::string text;
    ui::Colour colour;
    std::optional<ui::Colour> background;
  };
  explicit RecordingContext(ui::Rect area) : area_(area) {}

  ui::Rect Area() const override { return area_; }
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
  ui::TextSize Measure(const std::string& text) override {
    return {static_cast<int>(text.size()) * 8, 16};
  }

  std::map<int, std::vector<Piece>> rows;  // by top of the row

  std::vector<std::string> RowTexts() const {
    std::vector<std::string> texts;
    for (const auto& [y, pieces] : rows) {
      std::string text;
      for (const Piece& piece : pieces) text += piece.text;
      texts.push_back(text);
    }
    return texts;
  }

 private:
  ui::Rect area_;
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

QColor Q(ui::Colour colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

class TrafficWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTrafficWindow();
    InitDebugConsole();
    window = TrafficWindow();
    ASSERT_TRUE(ui::IsLive(window));
    const ui::TextSize size = ui::MeasureText(ui::SystemFixedFont(), std::string(100, 'W'));
    advance = size.width / 100.0;
    line = size.height;
  }
  void TearDown() override {
    PauseConsole(false);
    CloseDebugConsole();
  }
  RecordingContext Painted() {
    RecordingContext context(ui::ClientRect(window));
    ui::Send(window, ui::msg_paint, 0, reinterpret_cast<ui::LongParam>(&context));
    return context;
  }
  QWidget* Client() { return ui::detail::Find(window)->client; }
  // Pixel columns [left, right) of the first text rows.
  struct Area {
    int left, right, top, bottom;
  };
  Area Row(int row, int left, int right) const {
    return {left, right, row * line, (row + 1) * line};
  }
  // The share of the area's pixels in the colour.
  static double Share(const QImage& image, Area area, ui::Colour colour) {
    int matching = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) matching += image.pixelColor(x, y) == Q(colour);
    return static_cast<double>(matching) / ((area.right - area.left) * (area.bottom - area.top));
  }
  // The brightest and the darkest grey level in the area.
  static std::pair<int, int> Levels(const QImage& image, Area area) {
    int brightest = 0, darkest = 255;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        brightest = std::max(brightest, qGray(image.pixel(x, y)));
        darkest = std::min(darkest, qGray(image.pixel(x, y)));
      }
    return {brightest, darkest};
  }
  static int WidthOf(const std::string& text) {
    return ui::MeasureText(ui::SystemFixedFont(), text).width;
  }

  ui::ScriptedOperator op;
  ui::Handle window = ui::no_window;
  double advance = 0;
  int line = 0;
};

TEST_F(TrafficWindowTest, ShowsTheFrameInGreyAndTheAnswerInInverse) {
  EXPECT_EQ(ui::Title(window), "Comm Traffic");
  EXPECT_TRUE(ui::IsVisible(window));
  Send(sent_frame);
  Receive(answer);
  ui::ScriptedOperator::RunFor(250);

  const RecordingContext painted = Painted();
  ASSERT_FALSE(painted.rows.empty());
  const auto& first_row = painted.rows.begin()->second;
  ASSERT_EQ(first_row.size(), 2u);
  EXPECT_EQ(first_row[0].text, "[STX]A55[ETX]@");
  EXPECT_EQ(first_row[0].x, 0);
  EXPECT_EQ(first_row[0].colour, light_grey);
  EXPECT_EQ(first_row[0].background, black);
  EXPECT_EQ(first_row[1].text, "[ACK]A5[ETX]w");
  EXPECT_NEAR(first_row[1].x, WidthOf("[STX]A55[ETX]@"), 1);
  EXPECT_EQ(first_row[1].colour, black);
  EXPECT_EQ(first_row[1].background, light_grey);

  // On screen: grey glyphs on black for the sent frame, then black glyphs on
  // light grey; nothing reaches bright white.
  const QImage shown = Client()->grab().toImage();
  const int sent_end = WidthOf("[STX]A55[ETX]@");
  const int answer_end = sent_end + WidthOf("[ACK]A5[ETX]w");
  const Area sent = Row(0, 1, sent_end - 1);
  EXPECT_GT(Share(shown, sent, black), 0.5);
  EXPECT_GT(Levels(shown, sent).first, 100);
  EXPECT_LE(Levels(shown, sent).first, 193);
  const Area received = Row(0, sent_end + 1, answer_end - 1);
  EXPECT_GT(Share(shown, received, light_grey), 0.5);
  EXPECT_LT(Levels(shown, received).second, 100);
  // Past the answer the cursor waits in the received colours; nothing else is painted.
  EXPECT_GT(Share(shown, Row(0, answer_end + 1, answer_end + int(advance) - 1), light_grey), 0.5);
  EXPECT_EQ(Share(shown, Row(0, answer_end + 2 * int(advance), shown.width()), black), 1.0);
  EXPECT_EQ(Share(shown, Row(1, 0, shown.width()), black), 1.0);
}

TEST_F(TrafficWindowTest, TheCursorStartsBrightWhite) {
  ui::ScriptedOperator::RunFor(150);
  const QImage shown = Client()->grab().toImage();
  EXPECT_GT(Share(shown, Row(0, 0, int(advance)), bright_white), 0.0);
  EXPECT_EQ(Share(shown, Row(0, int(advance) + 1, shown.width()), black), 1.0);
}

TEST_F(TrafficWindowTest, LongLinesWrapAtTheWindowWidth) {
  const int columns = static_cast<int>(ui::ClientRect(window).Width() / advance);
  ASSERT_GT(columns, 10);
  Send(std::string(2 * columns + 7, 'B'));
  Send(sent_frame);
  ui::ScriptedOperator::RunFor(150);
  const std::vector<std::string> rows = Painted().RowTexts();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], std::string(columns, 'B'));
  EXPECT_EQ(rows[1], std::string(columns, 'B'));
  EXPECT_EQ(rows[2], std::string(7, 'B'));
  EXPECT_EQ(rows[3], "[STX]A55[ETX]@");
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

TEST_F(TrafficWindowTest, FollowsTheEndUnlessTheOperatorScrolledBack) {
  for (int n = 0; n < 200; ++n) Send("F" + std::to_string(n));
  ui::ScriptedOperator::RunFor(150);
  std::vector<std::string> rows = Painted().RowTexts();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back(), "F199");
  const int at_end = ui::WindowScrollPosition(window);
  EXPECT_GT(at_end, 100);

  ui::ScriptedOperator::Scroll(window, 0, ui::scroll_page_up);
  ui::ScriptedOperator::Scroll(window, 0, ui::scroll_line_up);
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
  rows = Painted().RowTexts();
  EXPECT_EQ(rows.back(), "F220");
  EXPECT_GT(ui::WindowScrollPosition(window), at_end);
}

TEST_F(TrafficWindowTest, PauseSaysSoAndKeepsTrafficOutUntilResume) {
  Send(sent_frame);
  ui::ChooseMenuItem(window, traffic_pause);
  ui::ScriptedOperator::RunFor(50);
  EXPECT_TRUE(ConsolePaused());
  EXPECT_FALSE(ui::IsMenuItemEnabled(window, traffic_pause));
  EXPECT_TRUE(ui::IsMenuItemEnabled(window, traffic_resume));
  Receive(answer);
  ui::ScriptedOperator::RunFor(150);
  std::vector<std::string> rows = Painted().RowTexts();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "[STX]A55[ETX]@");
  EXPECT_EQ(rows[1], "--- paused ---");
  EXPECT_EQ(rows[2], "Paused: new traffic is not shown until Resume");

  ui::ChooseMenuItem(window, traffic_resume);
  ui::ScriptedOperator::RunFor(50);
  EXPECT_FALSE(ConsolePaused());
  EXPECT_TRUE(ui::IsMenuItemEnabled(window, traffic_pause));
  Receive(answer);
  ui::ScriptedOperator::RunFor(150);
  rows = Painted().RowTexts();
  EXPECT_EQ(rows, (std::vector<std::string>{"[STX]A55[ETX]@", "--- paused ---", "--- resumed ---",
                                            "[ACK]A5[ETX]w"}));
}

TEST_F(TrafficWindowTest, ClearAndSaveFromTheMenu) {
  ScratchDirectory directory;
  Send(sent_frame);
  Receive(answer);
  const std::string path = directory.File("saved.txt");
  op.AnswerFileDialog(path);
  ui::ChooseMenuItem(window, traffic_save);
  ui::ScriptedOperator::RunFor(50);
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.FileDialogs()[0].kind, ui::FileDialogKind::save);
  EXPECT_EQ(directory.Read("saved.txt"), "[STX]A55[ETX]@[ACK]A5[ETX]w\r\n");
  EXPECT_TRUE(op.Boxes().empty());

  op.AnswerFileDialog(directory.File("missing/saved.txt"));
  ui::ChooseMenuItem(window, traffic_save);
  ui::ScriptedOperator::RunFor(50);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Error");

  ui::ChooseMenuItem(window, traffic_save);  // cancelled: nothing written, nothing said
  ui::ScriptedOperator::RunFor(50);
  EXPECT_EQ(op.Boxes().size(), 1u);

  ui::ChooseMenuItem(window, traffic_clear);
  ui::ScriptedOperator::RunFor(150);
  EXPECT_TRUE(ConsoleLines().empty());
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

}  // namespace
