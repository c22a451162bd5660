#include "link/console.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "config/scratch_directory.h"
#include "platform/counter.h"

namespace {

std::string TextOf(const ConsoleLine& line) {
  std::string text;
  for (const ConsoleRun& run : line.runs) text += run.text;
  return text;
}

std::vector<std::string> Texts() {
  std::vector<std::string> texts;
  for (const ConsoleLine& line : ConsoleLines()) texts.push_back(TextOf(line));
  return texts;
}

void Send(const std::string& bytes) {
  Write2Console(console_sent, bytes.data(), static_cast<int>(bytes.size()));
}

void Receive(const std::string& bytes) {
  for (const char byte : bytes) Write2Console(console_received, &byte, 1);
}

const std::string sent_frame = "\x02\x41\x35\x35\x03\x40";

class TrafficConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    SetConsoleWindowHooks(nullptr, nullptr);
    InitDebugConsole();
  }
  void TearDown() override {
    PauseConsole(false);
    CloseDebugConsole();
    ShowConsoleTimeStamps(false);
    ShowConsoleDirectionTags(false);
    platform::UseSystemCounter();
  }
};

std::vector<std::string> ShownTexts() {
  std::vector<std::string> texts;
  for (const ConsoleLine& line : ConsoleLines()) {
    const ConsoleLine shown = ShownLine(line);
    EXPECT_EQ(shown.length, ShownLength(line));
    EXPECT_EQ(static_cast<int>(TextOf(shown).size()), shown.length);
    texts.push_back(TextOf(shown));
  }
  return texts;
}

// "hh:mm:ss.mmm " as milliseconds of the day, or -1 when it is not one.
long long StampMsec(const std::string& stamp) {
  static const std::regex form(R"(([01]\d|2[0-3]):([0-5]\d):([0-5]\d)\.(\d{3}) )");
  std::smatch parts;
  if (!std::regex_match(stamp, parts, form)) return -1;
  return ((std::stoll(parts[1]) * 60 + std::stoll(parts[2])) * 60 + std::stoll(parts[3])) * 1000 +
         std::stoll(parts[4]);
}

long long LocalMsecNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL +
         std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
             1000;
}

constexpr long long msec_per_day = 86400000;

TEST_F(TrafficConsole, SpellsOutEveryByteAsTheTableSays) {
  const std::vector<std::pair<unsigned char, std::string>> table = {
      {0x00, "[0]"},  {0x01, "[01]"}, {0x02, "[STX]"}, {0x03, "[ETX]"}, {0x06, "[ACK]"},
      {0x07, "[07]"}, {0x0A, "[LF]"}, {0x0D, "[CR]"},  {0x15, "[NAK]"}, {0x1B, "[1B]"},
      {0x20, " "},    {'A', "A"},     {'~', "~"},      {0x7F, "[7F]"},  {0x80, "[80]"},
      {0x9A, "[9A]"}, {0xFF, "[FF]"},
  };
  for (const auto& [byte, rendering] : table) {
    ClearConsole();
    Write2Console(console_received, &byte, 1);
    ASSERT_EQ(ConsoleLines().size(), 1u) << int(byte);
    const ConsoleLine& line = ConsoleLines().front();
    ASSERT_EQ(line.runs.size(), 1u);
    EXPECT_EQ(line.runs[0].text, rendering) << int(byte);
    EXPECT_EQ(line.length, static_cast<int>(rendering.size()));
  }
}

TEST_F(TrafficConsole, AFrameStartsALineAndItsAnswerFollowsByteByByte) {
  EXPECT_EQ(ConsoleAttribute(), console_opened);
  Receive("stale");
  Send(sent_frame);
  EXPECT_EQ(ConsoleAttribute(), console_sent);
  Receive("\x06\x41\x35\x03\x77");
  EXPECT_EQ(ConsoleAttribute(), console_received);
  // A one-byte send, as the XMODEM engine makes, stays on the line too.
  Send("\x15");
  Send(sent_frame);
  ASSERT_EQ(Texts(), (std::vector<std::string>{"stale", "[STX]A55[ETX]@[ACK]A5[ETX]w[NAK]",
                                               "[STX]A55[ETX]@"}));
  const ConsoleLine& answered = ConsoleLines()[1];
  ASSERT_EQ(answered.runs.size(), 3u);
  EXPECT_EQ(answered.runs[0].color, console_sent);
  EXPECT_EQ(answered.runs[0].text, "[STX]A55[ETX]@");
  EXPECT_EQ(answered.runs[1].color, console_received);
  EXPECT_EQ(answered.runs[1].text, "[ACK]A5[ETX]w");
  EXPECT_EQ(answered.runs[2].color, console_sent);
  EXPECT_EQ(answered.length, 32);
}

TEST_F(TrafficConsole, ALengthOfZeroOrLessShowsOneByteOnTheSameLine) {
  Send("ab");
  Write2Console(console_sent, "XY", 0);
  Write2Console(console_sent, "\x03Z", -4);
  EXPECT_EQ(Texts(), std::vector<std::string>{"abX[ETX]"});
  Write2Console(console_sent, nullptr, 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"abX[ETX]"});
}

TEST_F(TrafficConsole, OffStoresNothingAndOnAgainStartsEmpty) {
  Send(sent_frame);
  InitDebugConsole();  // already on: the text stays
  EXPECT_EQ(ConsoleLines().size(), 1u);
  CloseDebugConsole();
  EXPECT_EQ(debug_console, 0);
  const auto changes = ConsoleChanges();
  Send(sent_frame);
  Receive("\x06");
  RenderToConsole(console_sent, reinterpret_cast<const unsigned char*>("xx"), 2);
  EXPECT_EQ(ConsoleChanges(), changes);
  EXPECT_EQ(ConsoleLines().size(), 1u);
  InitDebugConsole();
  EXPECT_EQ(debug_console, 1);
  EXPECT_TRUE(ConsoleLines().empty());
  EXPECT_EQ(ConsoleAttribute(), console_opened);
}

TEST_F(TrafficConsole, StaysBoundedInLinesAndLineLength) {
  const auto first = ConsoleFirstLine();
  for (int n = 0; n < console_line_limit + 10; ++n) Send("F" + std::to_string(n));
  ASSERT_EQ(ConsoleLines().size(), static_cast<std::size_t>(console_line_limit));
  EXPECT_EQ(TextOf(ConsoleLines().front()), "F10");
  EXPECT_EQ(ConsoleFirstLine(), first + 10);

  // Bytes that never make a frame wrap, and a spelled-out byte is never split.
  ClearConsole();
  for (int n = 0; n < console_line_chars + 100; ++n) Receive("A");
  ASSERT_EQ(ConsoleLines().size(), 2u);
  EXPECT_EQ(ConsoleLines()[0].length, console_line_chars);
  EXPECT_EQ(ConsoleLines()[1].length, 100);
  ClearConsole();
  for (int n = 0; n < 1000; ++n) Receive("\x02");
  ASSERT_EQ(ConsoleLines().size(), 2u);
  EXPECT_EQ(ConsoleLines()[0].length, console_line_chars / 5 * 5);
  EXPECT_EQ(TextOf(ConsoleLines()[1]).substr(0, 5), "[STX]");
  EXPECT_EQ(ConsoleLines()[0].length + ConsoleLines()[1].length, 5000);
}

TEST_F(TrafficConsole, PauseKeepsNewOutputOutAndMarksTheGapClearEmpties) {
  Send(sent_frame);
  PauseConsole(true);
  const auto changes = ConsoleChanges();
  Receive("\x06\x41");
  Send(sent_frame);
  EXPECT_EQ(ConsoleChanges(), changes);
  PauseConsole(true);  // no second mark
  PauseConsole(false);
  Receive("\x06");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"[STX]A55[ETX]@", "--- paused ---",
                                               "--- resumed ---", "[ACK]"}));
  EXPECT_EQ(ConsoleLines()[1].runs[0].color, console_opened);

  const auto first = ConsoleFirstLine();
  ClearConsole();
  EXPECT_TRUE(ConsoleLines().empty());
  EXPECT_EQ(ConsoleFirstLine(), first + 4);
  Receive("\x06");  // a fresh line, not the end of a cleared one
  EXPECT_EQ(Texts(), std::vector<std::string>{"[ACK]"});
}

TEST_F(TrafficConsole, SavesPlainTextWithCrLfLineEnds) {
  ScratchDirectory directory;
  Send(sent_frame);
  Receive("\x06\x41\x0D");
  Send(std::string("\x00\xFF", 2));
  const std::string path = directory.File("traffic.txt").string();
  ASSERT_TRUE(SaveConsoleText(path.c_str()));
  EXPECT_EQ(directory.Read("traffic.txt"), "[STX]A55[ETX]@[ACK]A[CR]\r\n[0][FF]\r\n");
  EXPECT_FALSE(SaveConsoleText(directory.File("missing/traffic.txt").string().c_str()));
  EXPECT_FALSE(SaveConsoleText(nullptr));
}

TEST_F(TrafficConsole, TimeStampsAndDirectionTagsChangeWhatIsShownAndSaved) {
  // The tap's clock, moved by hand from the moment the console opens.
  CloseDebugConsole();
  platform::UseManualCounter(1000);
  platform::SetManualCounter(5000);
  InitDebugConsole();
  const long long opened = LocalMsecNow();
  Send(sent_frame);
  Receive("\x06\x41");
  Send("\x15");
  platform::SetManualCounter(5000 + 61234);
  Send(sent_frame);
  PauseConsole(true);
  PauseConsole(false);

  const std::vector<std::string> plain = {"[STX]A55[ETX]@[ACK]A[NAK]", "[STX]A55[ETX]@",
                                          "--- paused ---", "--- resumed ---"};
  const std::vector<std::string> tagged = {"TX [STX]A55[ETX]@ RX [ACK]A TX [NAK]",
                                           "TX [STX]A55[ETX]@", "--- paused ---",
                                           "--- resumed ---"};
  struct Case {
    bool stamps, tags;
    const std::vector<std::string>& texts;
  };
  for (const Case& shown : {Case{false, false, plain}, Case{false, true, tagged},
                            Case{true, false, plain}, Case{true, true, tagged}}) {
    SCOPED_TRACE(std::to_string(shown.stamps) + std::to_string(shown.tags));
    ShowConsoleTimeStamps(shown.stamps);
    ShowConsoleDirectionTags(shown.tags);
    std::vector<std::string> texts = ShownTexts();
    std::vector<long long> stamps;
    if (shown.stamps) {
      for (std::string& text : texts) {
        stamps.push_back(StampMsec(text.substr(0, 13)));
        ASSERT_GE(stamps.back(), 0) << text;
        text.erase(0, 13);
      }
      // Local time of day when the first line began, then the tap's own distances.
      const long long off = (stamps[0] - opened + msec_per_day) % msec_per_day;
      EXPECT_TRUE(off < 2000 || off > msec_per_day - 2000);
      EXPECT_EQ((stamps[1] - stamps[0] + msec_per_day) % msec_per_day, 61234);
      EXPECT_EQ(stamps[2], stamps[1]);
    }
    EXPECT_EQ(texts, shown.texts);
    ScratchDirectory directory;
    ASSERT_TRUE(SaveConsoleText(directory.File("traffic.txt").string().c_str()));
    std::string saved;
    for (const std::string& text : ShownTexts()) saved += text + "\r\n";
    EXPECT_EQ(directory.Read("traffic.txt"), saved);
  }
}

}  // namespace
