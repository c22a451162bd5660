#include "link/console.h"

#include <cstdio>

int debug_console = 0;

namespace {

std::deque<ConsoleLine> lines;
std::uint64_t first_line = 0;
bool line_open = false;
int attribute = console_opened;
std::uint64_t changes = 0;
bool paused = false;
ConsoleWindowHook show_hook = nullptr;
ConsoleWindowHook take_down_hook = nullptr;

constexpr int longest_rendering = 5;  // "[STX]"

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

bool SaveConsoleText(const char* path) {
  if (!path) return false;
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  bool written = true;
  for (const ConsoleLine& line : lines) {
    for (const ConsoleRun& run : line.runs)
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
