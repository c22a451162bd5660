#include "app/traffic_window.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "config/program_directory.h"
#include "link/console.h"
#include "ui/file_dialog.h"
#include "ui/keys.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/paint.h"

namespace {

constexpr const char* traffic_class = "CommTrafficClass";
constexpr int traffic_menu_resource = 40;
constexpr unsigned repaint_timer = 1;
constexpr int repaint_ms = 100;
constexpr int initial_columns = 80;
constexpr int initial_rows = 25;
constexpr int notice_attribute = 0x1F;  // bright white on blue, unlike any traffic
constexpr const char* paused_notice = "Paused: new traffic is not shown until Resume";
// Thumb positions travel in 16 bits, so a longer text scrolls by several rows a unit.
constexpr int scroll_units = 30000;

// The classic console's sixteen colours, indexed by an attribute's nibble.
constexpr ui::Colour palette[16] = {
    ui::MakeColour(0, 0, 0),       ui::MakeColour(0, 0, 128),     ui::MakeColour(0, 128, 0),
    ui::MakeColour(0, 128, 128),   ui::MakeColour(128, 0, 0),     ui::MakeColour(128, 0, 128),
    ui::MakeColour(128, 128, 0),   ui::MakeColour(192, 192, 192), ui::MakeColour(128, 128, 128),
    ui::MakeColour(0, 0, 255),     ui::MakeColour(0, 255, 0),     ui::MakeColour(0, 255, 255),
    ui::MakeColour(255, 0, 0),     ui::MakeColour(255, 0, 255),   ui::MakeColour(255, 255, 0),
    ui::MakeColour(255, 255, 255),
};

ui::Colour ForegroundOf(int attribute) {
  return palette[attribute & 0x0F];
}
ui::Colour BackgroundOf(int attribute) {
  return palette[(attribute >> 4) & 0x0F];
}

const ui::FontSpec traffic_font = ui::SystemFixedFont();

constexpr int measured_characters = 100;

ui::Handle traffic_window = ui::no_window;
// Character advance of the fixed font, kept fractional: rounding it would let
// long rows drift against the glyphs the painter places.
double advance = 8;
int line_height = 16;
// The top of the view as a line and a row within it, so that the view stays
// on its text while old lines drop off the front of the store.
std::uint64_t top_line = 0;
int top_sub_row = 0;
bool follow_end = true;  // until the operator scrolls back
std::uint64_t shown_changes = 0;

int CellX(int column) {
  return static_cast<int>(std::lround(column * advance));
}

struct Layout {
  int columns = 1;
  int text_rows = 1;
  int total_rows = 1;
};

int RowsOf(const ConsoleLine& line, int columns) {
  return std::max(1, (ShownLength(line) + columns - 1) / columns);
}

Layout CurrentLayout() {
  const ui::Rect client = ui::ClientRect(traffic_window);
  Layout layout;
  layout.columns = std::max(1, static_cast<int>(client.Width() / advance));
  const int notice_height = ConsolePaused() ? line_height : 0;
  layout.text_rows = std::max(1, (client.Height() - notice_height) / line_height);
  int total = 0;
  for (const ConsoleLine& line : ConsoleLines()) total += RowsOf(line, layout.columns);
  // The cursor waits on a row of its own when the next output starts a line.
  if (!ConsoleLineOpen()) ++total;
  layout.total_rows = total;
  return layout;
}

int LastTop(const Layout& layout) {
  return std::max(0, layout.total_rows - layout.text_rows);
}

int RowsPerUnit(const Layout& layout) {
  return layout.total_rows / scroll_units + 1;
}

int TopRow(const Layout& layout) {
  const std::deque<ConsoleLine>& lines = ConsoleLines();
  const std::uint64_t first = ConsoleFirstLine();
  if (top_line < first) return 0;
  const std::uint64_t index = std::min<std::uint64_t>(top_line - first, lines.size());
  int row = 0;
  for (std::uint64_t n = 0; n < index; ++n) row += RowsOf(lines[n], layout.columns);
  if (index < lines.size()) row += std::min(top_sub_row, RowsOf(lines[index], layout.columns) - 1);
  return std::min(row, LastTop(layout));
}

void SetTopRow(int row, const Layout& layout) {
  const std::deque<ConsoleLine>& lines = ConsoleLines();
  top_line = ConsoleFirstLine();
  top_sub_row = 0;
  for (const ConsoleLine& line : lines) {
    const int rows = RowsOf(line, layout.columns);
    if (row < rows) {
      top_sub_row = row;
      return;
    }
    row -= rows;
    ++top_line;
  }
}

void ShowScrollBar(const Layout& layout, int top_row) {
  const int unit = RowsPerUnit(layout);
  ui::SetWindowScrollBar(traffic_window, 0, (layout.total_rows - 1) / unit,
                         std::max(1, layout.text_rows / unit), top_row / unit);
}

void Refresh() {
  shown_changes = ConsoleChanges();
  const Layout layout = CurrentLayout();
  if (follow_end) SetTopRow(LastTop(layout), layout);
  ShowScrollBar(layout, TopRow(layout));
  ui::Invalidate(traffic_window);
}

void ScrollTo(int row) {
  const Layout layout = CurrentLayout();
  row = std::clamp(row, 0, LastTop(layout));
  follow_end = row == LastTop(layout);
  SetTopRow(row, layout);
  ShowScrollBar(layout, row);
  ui::Invalidate(traffic_window);
}

void ScrollBy(int rows) {
  ScrollTo(TopRow(CurrentLayout()) + rows);
}

void OnScroll(ui::WordParam word) {
  const Layout layout = CurrentLayout();
  switch (ui::ScrollCodeOf(word)) {
    case ui::scroll_line_up:
      ScrollBy(-1);
      break;
    case ui::scroll_line_down:
      ScrollBy(1);
      break;
    case ui::scroll_page_up:
      ScrollBy(-layout.text_rows);
      break;
    case ui::scroll_page_down:
      ScrollBy(layout.text_rows);
      break;
    case ui::scroll_thumb_track:
    case ui::scroll_thumb_position:
      ScrollTo(ui::ScrollPositionOf(word) * RowsPerUnit(layout));
      break;
    case ui::scroll_top:
      ScrollTo(0);
      break;
    case ui::scroll_bottom:
      ScrollTo(LastTop(layout));
      break;
    default:
      break;
  }
}

void OnKey(int key) {
  const int page = CurrentLayout().text_rows;
  switch (key) {
    case ui::vk_up:
      ScrollBy(-1);
      break;
    case ui::vk_down:
      ScrollBy(1);
      break;
    case ui::vk_prior:
      ScrollBy(-page);
      break;
    case ui::vk_next:
      ScrollBy(page);
      break;
    case ui::vk_home:
      ScrollTo(0);
      break;
    case ui::vk_end:
      ScrollTo(LastTop(CurrentLayout()));
      break;
    default:
      break;
  }
}

// One display row: the characters of line from start, at most columns of them.
void PaintRow(ui::PaintContext& context, const ConsoleLine& line, int start, int columns, int y) {
  const int end = start + columns;
  int offset = 0;
  for (const ConsoleRun& run : line.runs) {
    const int run_end = offset + static_cast<int>(run.text.size());
    const int from = std::max(offset, start);
    const int to = std::min(run_end, end);
    if (from < to) {
      context.SetTextColour(ForegroundOf(run.color));
      context.SetTextBackground(BackgroundOf(run.color));
      context.Text(CellX(from - start), y,
                   run.text.substr(static_cast<std::size_t>(from - offset),
                                   static_cast<std::size_t>(to - from)));
    }
    if (run_end >= end) return;
    offset = run_end;
  }
}

// The cursor shows where the next byte goes, in the attribute it was last set to.
void PaintCursor(ui::PaintContext& context, const Layout& layout, int top_row) {
  const std::deque<ConsoleLine>& lines = ConsoleLines();
  int column = 0;
  if (ConsoleLineOpen() && !lines.empty()) {
    const ConsoleLine& last = lines.back();
    column = std::min(ShownLength(last) - (RowsOf(last, layout.columns) - 1) * layout.columns,
                      layout.columns - 1);
  }
  const int screen_row = layout.total_rows - 1 - top_row;
  if (screen_row < 0 || screen_row >= layout.text_rows) return;
  const int left = CellX(column);
  const int right = CellX(column + 1);
  const int y = screen_row * line_height;
  const int attribute = ConsoleAttribute();
  context.FillRect({left, y, right, y + line_height}, BackgroundOf(attribute));
  const int bar = std::max(2, line_height / 8);
  context.FillRect({left, y + line_height - bar, right, y + line_height}, ForegroundOf(attribute));
}

void PaintNotice(ui::PaintContext& context, const Layout& layout) {
  const int y = layout.text_rows * line_height;
  context.FillRect({0, y, ui::ClientRect(traffic_window).Width(), y + line_height},
                   BackgroundOf(notice_attribute));
  context.SetTransparentText();
  context.SetTextColour(ForegroundOf(notice_attribute));
  context.Text(0, y, paused_notice);
}

void Paint(ui::PaintContext& context) {
  const Layout layout = CurrentLayout();
  const int top_row = TopRow(layout);
  context.SetFont(traffic_font);
  int row = 0;  // display row of the line's first row
  for (const ConsoleLine& line : ConsoleLines()) {
    const int rows = RowsOf(line, layout.columns);
    if (row + rows > top_row) {
      const ConsoleLine shown = ShownLine(line);
      for (int sub = std::max(0, top_row - row); sub < rows; ++sub) {
        const int screen_row = row + sub - top_row;
        if (screen_row >= layout.text_rows) break;
        PaintRow(context, shown, sub * layout.columns, layout.columns, screen_row * line_height);
      }
    }
    row += rows;
    if (row - top_row >= layout.text_rows) break;
  }
  PaintCursor(context, layout, top_row);
  if (ConsolePaused()) PaintNotice(context, layout);
}

void ShowPauseState() {
  ui::SetMenuItemEnabled(traffic_window, traffic_pause, !ConsolePaused());
  ui::SetMenuItemEnabled(traffic_window, traffic_resume, ConsolePaused());
}

void ShowSwitches() {
  ui::SetMenuItemChecked(traffic_window, traffic_time_stamps, ConsoleTimeStamps());
  ui::SetMenuItemChecked(traffic_window, traffic_direction_tags, ConsoleDirectionTags());
}

void SetPaused(bool paused) {
  PauseConsole(paused);
  ShowPauseState();
  Refresh();
}

void SaveText(ui::Handle window) {
  ui::FileDialogRequest request;
  request.kind = ui::FileDialogKind::save;
  request.title = "Save Comm Traffic";
  request.filter_name = "Text Files";
  request.filter_pattern = "*.txt";
  request.default_extension = "txt";
  request.directory = save_directory;
  request.confirm_overwrite = true;
  std::string path = "traffic.txt";
  if (!ui::ChooseFile(window, request, path)) return;
  if (!SaveConsoleText(path.c_str()))
    ui::ShowMessage(window, "Can't write " + path, "Error", ui::Buttons::ok, ui::Icon::error);
}

void OnCommand(ui::Handle window, int id) {
  switch (id) {
    case traffic_clear:
      ClearConsole();
      follow_end = true;
      Refresh();
      break;
    case traffic_pause:
      SetPaused(true);
      break;
    case traffic_resume:
      SetPaused(false);
      break;
    case traffic_save:
      SaveText(window);
      break;
    case traffic_time_stamps:
      ShowConsoleTimeStamps(!ConsoleTimeStamps());
      ShowSwitches();
      Refresh();
      break;
    case traffic_direction_tags:
      ShowConsoleDirectionTags(!ConsoleDirectionTags());
      ShowSwitches();
      Refresh();
      break;
    default:
      break;
  }
}

void ShowTrafficWindow() {
  if (ui::IsLive(traffic_window)) {
    ui::BringToFront(traffic_window);
    return;
  }
  const ui::TextSize measured =
      ui::MeasureText(traffic_font, std::string(measured_characters, 'W'));
  if (measured.width > 0 && measured.height > 0) {
    advance = static_cast<double>(measured.width) / measured_characters;
    line_height = measured.height;
  }
  const int width = CellX(initial_columns) + ui::SystemMetric(ui::Metric::scroll_bar_width);
  const int height = initial_rows * line_height + ui::SystemMetric(ui::Metric::menu_height);
  ui::CreateWindowOf(traffic_class, "Comm Traffic", ui::style_overlapped | ui::style_vscroll, 40,
                     40, width, height, ui::no_window);
  if (!traffic_window) return;
  ShowPauseState();
  ShowSwitches();
  Refresh();
  ui::Show(traffic_window);
}

void TakeDownTrafficWindow() {
  if (ui::IsLive(traffic_window)) ui::Destroy(traffic_window);
}

}  // namespace

ui::Result TrafficCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                           ui::LongParam l) {
  switch (message) {
    case ui::msg_create:
      traffic_window = window;
      follow_end = true;
      // Painting follows the store at the timer's pace, never byte by byte.
      ui::StartTimer(window, repaint_timer, repaint_ms);
      return 0;
    case ui::msg_timer:
      if (ConsoleChanges() != shown_changes) Refresh();
      return 0;
    case ui::msg_size:
      Refresh();
      return 0;
    case ui::msg_vscroll:
      OnScroll(word);
      return 0;
    case ui::msg_key_down:
      OnKey(static_cast<int>(word));
      return 0;
    case ui::msg_command:
      OnCommand(window, ui::CommandId(word));
      return 0;
    case ui::msg_paint:
      if (l) Paint(*reinterpret_cast<ui::PaintContext*>(l));
      return 0;
    case ui::msg_destroy:
      traffic_window = ui::no_window;
      // However the window goes, the console is off with it.
      if (debug_console) CloseDebugConsole();
      return 0;
    default:
      return ui::DefaultProcedure(window, message, word, l);
  }
}

void RegisterTrafficWindow() {
  using Kind = ui::MenuItem::Kind;
  ui::RegisterMenu({traffic_menu_resource,
                    {{Kind::item, "&Clear", traffic_clear, {}, false},
                     {Kind::item, "&Pause", traffic_pause, {}, false},
                     {Kind::item, "&Resume", traffic_resume, {}, true},
                     {Kind::item, "&Save...", traffic_save, {}, false},
                     {Kind::popup,
                      "&View",
                      0,
                      {{Kind::item, "&Time Stamps", traffic_time_stamps, {}, false},
                       {Kind::item, "&Direction Tags", traffic_direction_tags, {}, false}},
                      false}}});
  ui::RegisterWindowClass(
      {traffic_class, TrafficCallBack, 0, ui::Background::black, 0, traffic_menu_resource});
  SetConsoleWindowHooks(ShowTrafficWindow, TakeDownTrafficWindow);
}

ui::Handle TrafficWindow() {
  return traffic_window;
}
