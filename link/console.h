// The traffic console: every byte the link sends and receives, control bytes
// spelled out, sent and received bytes in different colours. While it is off
// the link pays one flag test per write.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

extern int debug_console;  // 1 while the traffic console is shown

// Colour attributes, as the classic text console numbers them.
constexpr int console_sent = 0x07;      // light grey on black
constexpr int console_received = 0x70;  // black on light grey
constexpr int console_opened = 0x0F;    // bright white on black
constexpr int console_stamp = 0x08;     // dark grey on black: time stamps and direction tags

// The store stays bounded however long the link talks: the oldest lines go
// past console_line_limit, and bytes that never end in a frame break into
// lines of at most console_line_chars characters.
constexpr int console_line_limit = 5000;
constexpr int console_line_chars = 4096;

struct ConsoleRun {
  int color;
  std::string text;
};

struct ConsoleLine {
  std::vector<ConsoleRun> runs;  // neighbouring runs differ in colour
  int length = 0;                // characters in all runs
  std::uint64_t msec = 0;        // the byte tap's clock when the line began
};

// Switches the console on and shows its window. Switched on from off it starts
// empty, as a new console window does.
void InitDebugConsole();
// Switches it off and takes its window down.
void CloseDebugConsole();

void RenderToConsole(int color, const unsigned char* data, int len);

// len bytes of data in the colour; a write of more than one byte starts on a
// new line, single bytes continue the current one; len of 0 or less counts as 1.
inline void Write2Console(int color, const void* data, int len) {
  if (!debug_console) return;
  RenderToConsole(color, static_cast<const unsigned char*>(data), len);
}

// What the console shows, oldest line first.
const std::deque<ConsoleLine>& ConsoleLines();
// The number of ConsoleLines().front() counted over the whole run: it grows as
// lines drop off the front or are cleared, so a line keeps its number.
std::uint64_t ConsoleFirstLine();
// Moves on every change of ConsoleLines, so a window repaints only when it moved.
std::uint64_t ConsoleChanges();
// The attribute of the last output (console_opened right after switching on),
// in which the window shows its cursor.
int ConsoleAttribute();
// Whether the next single byte continues the last line (false after a Clear or
// a note: output then starts a line of its own).
bool ConsoleLineOpen();

void ClearConsole();
// While paused nothing is added; the pause and its end are noted in the text,
// each on a line of its own in console_opened, so a saved text shows the gap.
void PauseConsole(bool paused);
bool ConsolePaused();

// Switches for the rest of the run, both off at start: they change how every
// line is shown and saved, not what is kept, so switching on shows the time
// of lines that came before.
void ShowConsoleTimeStamps(bool on);
bool ConsoleTimeStamps();
void ShowConsoleDirectionTags(bool on);
bool ConsoleDirectionTags();

// The line as shown and saved. With time stamps, "hh:mm:ss.mmm " (local time
// of day) when it began comes first; with direction tags, "TX " or "RX "
// precedes each run of sent or received bytes, set off by a blank inside the
// line. Both in console_stamp.
ConsoleLine ShownLine(const ConsoleLine& line);
// ShownLine(line).length, without building the line.
int ShownLength(const ConsoleLine& line);

// Writes the text as shown, each line ended by CR LF; false when the file cannot be
// written completely.
bool SaveConsoleText(const char* path);

// The window layer registers how the console's window is shown and taken down;
// without hooks the console keeps its text and shows nothing.
using ConsoleWindowHook = void (*)();
void SetConsoleWindowHooks(ConsoleWindowHook show, ConsoleWindowHook take_down);
