#include "link/console.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "link/byte_tap.h"

int debug_console = 0;

namespace {

std::deque<ConsoleLine> lines;
std::uint64_t first_line = 0;
bool line_open = false;
int attribute = console_opened;
std::uint64_t changes = 0;
bool paused = false;
bool time_stamps = false;
bool direction_tags = false;
// Local time of day, in milliseconds, that stands for the tap clock's
// clock_origin: lines keep the tap's monotonic time, shown as time of day.
std::int64_t day_origin = 0;
std::uint64_t clock_origin = 0;
ConsoleWindowHook show_hook = nullptr;
ConsoleWindowHook take_down_hook = nullptr;

constexpr int longest_rendering = 5;  // "[STX]"
constexpr std::int64_t msec_per_day = 24 * 60 * 60 * 1000;
constexpr int stamp_chars = 13;  // "hh:mm:ss.mmm "
constexpr int tag_chars = 3;     // "TX "

std::int64_t LocalDayMsec() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto msec =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + msec;
}

// Digits written by hand: a time stamp never follows the user's locale.
void PutDigits(std::int64_t value, int digits, std::string& out) {
  char text[3];
  for (int n = digits - 1; n >= 0; --n, value /= 10) text[n] = static_cast<char>('0' + value % 10);
  out.append(text, static_cast<std::size_t>(digits));
}

std::string StampOf(std::uint64_t msec) {
  const auto since_origin = static_cast<std::int64_t>(msec - clock_origin);
  const std::int64_t day_msec =
      ((day_origin + since_origin) % msec_per_day + msec_per_day) % msec_per_day;
  std::string stamp;
  PutDigits(day_msec / 3600000, 2, stamp);
  stamp += ':';
  PutDigits(day_msec / 60000 % 60, 2, stamp);
  stamp += ':';
  PutDigits(day_msec / 1000 % 60, 2, stamp);
  stamp += '.';
  PutDigits(day_msec % 1000, 3, stamp);
  stamp += ' ';
  return stamp;
}

const char* TagOf(int color) {
  if (color == console_sent) return "TX ";
  if (color == console_received) return "RX ";
  return nullptr;
}

void AddRun(ConsoleLine& line, int color, const std::string& text) {
  if (!line.runs.empty() && line.runs.back().color == color) {
    line.runs.back().text += text;
  } else {
    line.runs.push_back({color, text});
  }
  line.length += static_cast<int>(text.size());
}

// The byte as the console spells it; returns the number of characters.
int RenderByte(unsigned char byte, char* out) {
  const char* named = nullptr;
  switch (byte) {
    case 0x00:
      named = "[0]";
      break;
    case 0x02:
      named = "[STX]";
      break;
    case 0x03:
      named = "[ETX]";
      break;
    case 0x06:
      named = "[ACK]";
      break;
    case 0x0A:
      named = "[LF]";
      break;
    case 0x0D:
      named = "[CR]";
      break;
    case 0x15:
      named = "[NAK]";
      break;
    default:
      break;
  }
  if (named) return std::snprintf(out, longest_rendering + 1, "%s", named);
  if (byte >= 0x20 && byte <= 0x7E) {
    out[0] = static_cast<char>(byte);
    return 1;
  }
  return std::snprintf(out, longest_rendering + 1, "[%02X]", byte);
}

void StartLine() {
  lines.emplace_back();
  lines.back().msec = TapClockMsec();
  if (lines.size() > static_cast<std::size_t>(console_line_limit)) {
    lines.pop_front();
    ++first_line;
  }
  line_open = true;
}

void Append(int color, const char* text, int count) {
  // A rendering is never split: "[STX]" stays readable across the wrap.
  if (!line_open || lines.back().length + count > console_line_chars) StartLine();
  ConsoleLine& line = lines.back();
  if (!line.runs.empty() && line.runs.back().color == color) {
    line.runs.back().text.append(text, static_cast<std::size_t>(count));
  } else {
    line.runs.push_back({color, std::string(text, static_cast<std::size_t>(count))});
  }
  line.length += count;
}

void Note(const char* text) {
  line_open = false;
  Append(console_opened, text, static_cast<int>(std::char_traits<char>::length(text)));
  line_open = false;
  ++changes;
}

}  // namespace

void InitDebugConsole() {
  if (!debug_console) {
    ClearConsole();
    paused = false;
    day_origin = LocalDayMsec();
    clock_origin = TapClockMsec();
  }
  debug_console = 1;
  attribute = console_opened;
  if (show_hook) show_hook();
}

void CloseDebugConsole() {
  debug_console = 0;
  if (take_down_hook) take_down_hook();
}

void RenderToConsole(int color, const unsigned char* data, int len) {
  if (!debug_console || paused || !data) return;
  attribute = color;
  if (len > 1) line_open = false;
  if (len < 1) len = 1;
  char rendering[longest_rendering + 1];
  for (int n = 0; n < len; ++n) Append(color, rendering, RenderByte(data[n], rendering));
  ++changes;
}

const std::deque<ConsoleLine>& ConsoleLines() {
  return lines;
}

std::uint64_t ConsoleFirstLine() {
  return first_line;
}

std::uint64_t ConsoleChanges() {
  return changes;
}

int ConsoleAttribute() {
  return attribute;
}

bool ConsoleLineOpen() {
  return line_open;
}

void ClearConsole() {
  first_line += lines.size();
  lines.clear();
  line_open = false;
  ++changes;
}

void PauseConsole(bool pause) {
  if (pause == paused) return;
  if (pause) {
    Note("--- paused ---");
    paused = true;
  } else {
    paused = false;
    Note("--- resumed ---");
  }
}

bool ConsolePaused() {
  return paused;
}

void ShowConsoleTimeStamps(bool on) {
  time_stamps = on;
  ++changes;
}

bool ConsoleTimeStamps() {
  return time_stamps;
}

void ShowConsoleDirectionTags(bool on) {
  direction_tags = on;
  ++changes;
}

bool ConsoleDirectionTags() {
  return direction_tags;
}

ConsoleLine ShownLine(const ConsoleLine& line) {
  if (!time_stamps && !direction_tags) return line;
  ConsoleLine shown;
  shown.msec = line.msec;
  if (time_stamps) AddRun(shown, console_stamp, StampOf(line.msec));
  for (std::size_t n = 0; n < line.runs.size(); ++n) {
    const ConsoleRun& run = line.runs[n];
    const char* tag = direction_tags ? TagOf(run.color) : nullptr;
    if (tag) AddRun(shown, console_stamp, std::string(n > 0 ? " " : "") + tag);
    AddRun(shown, run.color, run.text);
  }
  return shown;
}

int ShownLength(const ConsoleLine& line) {
  int length = line.length + (time_stamps ? stamp_chars : 0);
  if (!direction_tags) return length;
  for (std::size_t n = 0; n < line.runs.size(); ++n) {
    if (TagOf(line.runs[n].color)) length += tag_chars + (n > 0 ? 1 : 0);
  }
  return length;
}

bool SaveConsoleText(const char* path) {
  if (!path) return false;
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool written = true;
  for (const ConsoleLine& line : lines) {
    for (const ConsoleRun& run : ShownLine(line).runs)
      written =
          written && std::fwrite(run.text.data(), 1, run.text.size(), file) == run.text.size();
    written = written && std::fwrite("\r\n", 1, 2, file) == 2;
  }
  return std::fclose(file) == 0 && written;
}

void SetConsoleWindowHooks(ConsoleWindowHook show, ConsoleWindowHook take_down) {
  show_hook = show;
  take_down_hook = take_down;
}
