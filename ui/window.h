// The window system the console is written against: handles, one procedure per
// window class that switches on the message, send and post, timers, the
// message loop and nested modal loops. Qt is underneath and never shows
// through this interface, so every module above ui/ stays plain C++.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

// A window handle is a number, never a pointer: a handle kept after its window
// was destroyed is simply no longer live (IsLive returns false), it can never
// reach freed memory. 0 is "no window". Numbers are not reused within a run.
using Handle = std::uint32_t;
constexpr Handle no_window = 0;

using WordParam = std::uintptr_t;
using LongParam = std::intptr_t;
using Result = std::intptr_t;

// The message set. Values are ours; the meaning of each follows the classic
// desktop model so that window procedures read like their descriptions.
enum Message : unsigned {
  msg_create = 1,       // window created; long = create parameter
  msg_init_dialog,      // dialog built, controls exist; long = create parameter
  msg_command,          // word = MakeCommand(control id, notification); long = 0
  msg_timer,            // word = timer id
  msg_key_down,         // word = virtual-key code (keys.h); long bit 30 set on auto-repeat
  msg_key_up,           // word = virtual-key code
  msg_char,             // word = character code (Tab 9, Enter 13, Backspace 8, ...)
  msg_hscroll,          // word = MakeScroll(scroll code, thumb position); long = control id
  msg_vscroll,          // as msg_hscroll
  msg_paint,            // long = PaintContext* (paint.h), valid during the call
  msg_erase_background, // long = PaintContext*; return 1 when erased
  msg_static_colour,    // long = control id; return a brush colour (Colour), or -1 (or 0, what a
                        // procedure that ignores it returns) for the default; the procedure may
                        // set the text colour with SetControlColours
                        // (pure black is therefore set with SetControlColours, not returned)
  msg_mouse_move,       // word = key state; long = MakePoint(x, y) in client pixels
  msg_left_down,
  msg_left_up,
  msg_left_double,
  msg_right_down,
  msg_right_up,
  msg_set_cursor,       // the pointer moved over the window (sent before msg_mouse_move)
  msg_size,             // long = MakePoint(client width, client height)
  msg_set_focus,
  msg_kill_focus,       // focus lost
  msg_close,            // close requested (frame button, Escape in a dialog); default destroys
  msg_destroy,          // the window is going away; its handle dies after the call
  msg_quit,             // only ever seen by the message loop
  msg_user = 0x400,     // msg_user + n: the program's own messages
};

// Command notifications (high half of a msg_command word).
enum Notification : unsigned {
  notify_clicked = 0,        // button, check box, radio, menu item, accelerator
  notify_selection_change = 1,  // list or combo selection changed
  notify_double_click = 2,      // list item double-clicked
  notify_edit_change = 0x300,   // edit text changed by the operator
  notify_edit_update = 0x400,
  notify_combo_edit_change = 5, // text typed into an editable combo
  notify_set_focus = 0x100,
  notify_kill_focus = 0x200,
  notify_delta_pos = 0x700,     // up-down arrow pressed; long = the step (-1 or +1), before msg_vscroll
  notify_key_down = 0x800,      // key pressed in a tree view, before the tree acts on it
};

// Key state in the word of the mouse messages.
enum KeyState : unsigned {
  key_state_left = 0x01,
  key_state_right = 0x02,
  key_state_shift = 0x04,
  key_state_control = 0x08,
  key_state_middle = 0x10,
};

// Scroll codes (low half of a scroll word).
enum ScrollCode : unsigned {
  scroll_line_up = 0,
  scroll_line_down = 1,
  scroll_page_up = 2,
  scroll_page_down = 3,
  scroll_thumb_position = 4,  // thumb released at the position in the high half
  scroll_thumb_track = 5,     // thumb being dragged
  scroll_top = 6,
  scroll_bottom = 7,
  scroll_end = 8,
};

constexpr WordParam MakeCommand(int id, unsigned notification) {
  return (static_cast<WordParam>(notification & 0xFFFF) << 16) | static_cast<WordParam>(id & 0xFFFF);
}
constexpr int CommandId(WordParam word) { return static_cast<int>(word & 0xFFFF); }
constexpr unsigned CommandNotification(WordParam word) { return static_cast<unsigned>((word >> 16) & 0xFFFF); }
constexpr WordParam MakeScroll(unsigned code, int position) {
  return (static_cast<WordParam>(position & 0xFFFF) << 16) | (code & 0xFFFF);
}
constexpr unsigned ScrollCodeOf(WordParam word) { return static_cast<unsigned>(word & 0xFFFF); }
constexpr int ScrollPositionOf(WordParam word) { return static_cast<std::int16_t>((word >> 16) & 0xFFFF); }
constexpr LongParam MakePoint(int x, int y) {
  return static_cast<LongParam>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}
constexpr int PointX(LongParam l) { return static_cast<std::int16_t>(l & 0xFFFF); }
constexpr int PointY(LongParam l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }

// One procedure per window class (and per dialog). What it returns is the
// message's result; DefaultProcedure gives the standard handling.
using Procedure = Result (*)(Handle window, unsigned message, WordParam word, LongParam l);
Result DefaultProcedure(Handle window, unsigned message, WordParam word, LongParam l);

// Colours as 0x00BBGGRR, the classic byte order, so colour tables read as usual.
using Colour = std::uint32_t;
constexpr Colour MakeColour(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

enum class Background { dark_grey, button_face, white, black };
enum class Cursor { arrow, wait, no_entry, up_arrow };

struct WindowClass {
  std::string name;
  Procedure procedure = nullptr;
  int icon = 0;           // resource icon number (resources/icons)
  Background background = Background::button_face;
  int extra_bytes = 0;    // per-window bytes reachable through Get/SetWindowLong
  int menu = 0;           // menu resource number, 0 for none
};

// Names of our functions never equal the desktop API's (they would clash with
// its macros when built for Windows).
// Registering a name twice replaces the earlier registration. Returns false for
// an empty name or no procedure.
bool RegisterWindowClass(const WindowClass& window_class);

enum WindowStyle : unsigned {
  style_overlapped = 1u << 0,   // top-level frame with caption, system menu, resizable
  style_popup = 1u << 1,
  style_child = 1u << 2,
  style_visible = 1u << 3,
  style_caption = 1u << 4,
  style_system_menu = 1u << 5,
  style_control_parent = 1u << 6,  // Tab moves between the children
  style_tool_window = 1u << 7,
  style_vscroll = 1u << 8,  // a vertical scroll bar beside the client area (SetWindowScrollBar)
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Creates a window of a registered class; msg_create reaches the procedure
// before this returns. Returns no_window when the class is unknown.
Handle CreateWindowOf(const std::string& class_name, const std::string& title, unsigned style, int x, int y,
                      int width, int height, Handle parent, LongParam create_parameter = 0);
void Destroy(Handle window);
bool IsLive(Handle window);

// Synchronous call of the window's procedure; 0 for a dead handle.
Result Send(Handle window, unsigned message, WordParam word = 0, LongParam l = 0);
// Queued: delivered by the message loop (also inside modal loops), in order.
// Messages posted to a window that dies before delivery are dropped.
void Post(Handle window, unsigned message, WordParam word = 0, LongParam l = 0);
// Queues msg_quit: the running RunMessageLoop returns.
void PostQuit(int exit_code);

// The main loop: returns the exit code given to PostQuit.
int RunMessageLoop();
// Waits for the next event and processes it; false once msg_quit came.
bool ProcessNextMessage();
// Runs the loop for a while (timers and posted messages included), then returns.
// Used by waits that must keep the console alive and by tests.
void RunFor(int milliseconds);

// Window timers: msg_timer with the id every period_ms, until StopTimer or the
// window dies. Setting an existing id restarts it. The timer is precise to the
// millisecond. Returns the id (non-zero); 0 for a dead window.
unsigned StartTimer(Handle window, unsigned id, int period_ms);
void StopTimer(Handle window, unsigned id);

void Show(Handle window, bool visible = true);
void ShowMaximized(Handle window);
bool IsVisible(Handle window);
void SetTitle(Handle window, const std::string& title);
std::string Title(Handle window);
void Move(Handle window, int x, int y, int width, int height);
Rect WindowRect(Handle window);   // frame, screen coordinates
Rect ClientRect(Handle window);   // 0,0 to client width, height
void BringToFront(Handle window); // raise and activate
Handle ActiveWindow();
Handle Parent(Handle window);
void SetFocusTo(Handle window);
void Enable(Handle window, bool enabled);
bool IsEnabled(Handle window);

// Per-window extra data: offsets 0 .. extra_bytes-1 of the class, one value
// per offset (the console keeps its own records indexed by address, so this is
// only a small slot store). Offset -21 is the pointer-sized user slot.
LongParam WindowData(Handle window, int offset);
void SetWindowData(Handle window, int offset, LongParam value);

// Repaint: Invalidate queues msg_paint (coalesced); Repaint paints now. Without
// erase, msg_erase_background is not sent and the old pixels stay under the paint.
void Invalidate(Handle window, bool erase = true);
void InvalidateArea(Handle window, const Rect& area, bool erase = true);
void Repaint(Handle window);

// The scroll bar of a style_vscroll window: msg_vscroll to the window with
// long = 0. It never moves by itself: the procedure sets the position. With
// nothing to scroll (maximum - page + 1 <= minimum) it shows disabled.
void SetWindowScrollBar(Handle window, int minimum, int maximum, int page, int position);
int WindowScrollPosition(Handle window);

void SetCursorShape(Cursor cursor);         // for the pointer over the application
void SetWindowCursor(Handle window, Cursor cursor);
// Where the mouse pointer is, in screen coordinates.
struct Point {
  int x = 0, y = 0;
};
Point CursorPosition();

// Screen facts the start-up needs.
struct ScreenInfo {
  int full_width = 0;   // client area of a maximised window
  int full_height = 0;
  int horizontal_resolution = 0;  // whole screen width in pixels
  int colour_bits = 24;           // bits per pixel of the display
};
ScreenInfo Screen();

// Sizes of the window furniture, in pixels.
enum class Metric {
  scroll_bar_width,     // of a vertical scroll bar
  scroll_arrow_height,  // of its arrow buttons
  frame_width,          // of a sizing frame
  caption_height,
  menu_height,          // of a one-line menu bar
};
int SystemMetric(Metric metric);

// Makes sure the application object exists (tests and main call it first).
void InitApplication(int argc, char** argv);

}  // namespace ui
