// A scripted operator for tests: answers message boxes (recording each),
// acts on dialogs when they open, and runs the message loop for a while.
// While one exists no box is ever shown, so tests never block on a window.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/paint.h"
#include "ui/window.h"

namespace ui {

// The operator's answer to one print dialog: cancel it, or print to a PDF file
// (pdf_path) or to the named printer in its own format, copies times.
struct PrintDialogAnswer {
  bool cancel = false;
  std::string pdf_path;
  int copies = 1;
  std::string printer;
};

struct RecordedBox {
  Handle owner = no_window;
  std::string text;
  std::string caption;
  Buttons buttons = Buttons::ok;
  Icon icon = Icon::none;
  int answer = 0;
  std::string active_dialog;  // the innermost modal dialog when it appeared, named as in OpenedDialogs
};

// A window as it was drawn, for tests that sample colours.
class WindowImage {
 public:
  WindowImage() = default;
  WindowImage(int width, int height, std::vector<Colour> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The colour at a client pixel; 0xFFFFFFFF (no colour) outside the image.
  Colour At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<Colour> pixels_;
};

class ScriptedOperator {
 public:
  ScriptedOperator();   // installs itself; at most one at a time
  ~ScriptedOperator();  // uninstalls
  ScriptedOperator(const ScriptedOperator&) = delete;
  ScriptedOperator& operator=(const ScriptedOperator&) = delete;

  // Answers for the next boxes, in order; when none is queued: OK for an OK
  // box, otherwise default_answer (No unless changed).
  void Answer(int answer);
  void SetDefaultAnswer(int answer);
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  void ClearBoxes() { boxes_.clear(); }

  // When a dialog whose template name, template caption or title (as set by
  // msg_init_dialog) is name has been initialised, action runs from the
  // dialog's own loop. Each opening takes the first waiting registration that
  // matches, so registrations serve successive openings in order. A step may
  // call ui functions (Type, Press, RunFor, ...) and must not assume anything
  // after Press of a closing button.
  void WhenDialogOpens(const std::string& name, std::function<void(Handle dialog)> action);
  // The dialogs opened so far, in order, each by the title it showed after
  // msg_init_dialog (its template name when it has no title).
  const std::vector<std::string>& OpenedDialogs() const { return opened_; }

  // The answer of the next font chooser (ChooseFixedFont); without one, the
  // chooser is cancelled. Counts the choosers shown.
  void AnswerFontChooser(const FontSpec& font, int point_size_tenths);
  void CancelFontChooser() { font_answer_.reset(); }
  int FontChoosersShown() const { return font_choosers_; }

  // The answers of the next file dialogs (ChooseFile), in order; a dialog
  // with no answer left is cancelled. Every request is recorded.
  void AnswerFileDialog(const std::string& path) { file_answers_.push_back(path); }
  const std::vector<FileDialogRequest>& FileDialogs() const { return file_dialogs_; }

  // The answers of the next print dialogs (ChoosePrinter), in order; a dialog
  // with no answer left is cancelled. Counts the dialogs shown.
  void AnswerPrintDialog(const PrintDialogAnswer& answer) { print_answers_.push_back(answer); }
  int PrintDialogsShown() const { return print_dialogs_; }

  // Operator actions on dialog controls: they go through the same paths as
  // the real ones (text typed, button clicked), notifications included.
  static void Type(Handle dialog, int id, const std::string& text);  // replaces the field's text
  static void Press(Handle dialog, int id);                          // clicks a button, box or radio
  static void Choose(Handle dialog, int id, int index);              // picks a list/combo item
  static void ChooseText(Handle dialog, int id, const std::string& text);  // types into an editable combo
  static void KeyDown(Handle window, int virtual_key, bool repeat = false);
  static void KeyUp(Handle window, int virtual_key);
  static void Char(Handle window, int character);
  static void StepUpDown(Handle dialog, int id, bool up);  // clicks an up-down arrow
  // Acts on a scroll bar control (or, with id 0, on the window's own bar):
  // line/page codes click the arrows or the trough, scroll_thumb_track drags
  // the thumb to position, scroll_thumb_position drags it there and lets go.
  static void Scroll(Handle dialog, int id, unsigned scroll_code, int position = 0);

  // The mouse at client coordinates of a window, delivered as the pointer's
  // own events are (msg_set_cursor before every move). key_state holds the
  // buttons and keys held during the event (KeyState): a move with the left
  // button held carries key_state_left; a press adds the left button itself
  // and a release takes it away. A press gives the window the focus as a
  // click does.
  static void MouseDown(Handle window, int x, int y, unsigned key_state = 0);
  static void MouseUp(Handle window, int x, int y, unsigned key_state = 0);
  static void MouseMove(Handle window, int x, int y, unsigned key_state = 0);
  static void ClickAt(Handle window, int x, int y);  // press and release at one point
  // Draws the window's client area afresh (background, paint, children) and
  // returns the picture.
  static WindowImage Grab(Handle window);

  // Runs the message loop (timers and posts) for the time given, or until
  // done returns true; returns done's last value.
  static void RunFor(int milliseconds);
  static bool RunUntil(const std::function<bool()>& done, int timeout_ms);

  // Internal hooks used by the window system.
  int OnMessageBox(RecordedBox box);
  void OnDialogInitialised(Handle dialog, const std::string& name, const std::string& template_caption,
                           const std::string& title);
  bool OnFontChooser(FontSpec& font, int& point_size_tenths);
  bool OnFileDialog(const FileDialogRequest& request, std::string& path);
  PrintDialogAnswer OnPrintDialog();

 private:
  struct Pending {
    std::string name;
    std::function<void(Handle)> action;
  };
  std::deque<int> answers_;
  int default_answer_ = answer_no;
  std::vector<RecordedBox> boxes_;
  std::vector<Pending> pending_;
  std::vector<std::string> opened_;
  struct FontAnswer {
    FontSpec font;
    int point_size_tenths = 0;
  };
  std::optional<FontAnswer> font_answer_;
  int font_choosers_ = 0;
  std::deque<std::string> file_answers_;
  std::vector<FileDialogRequest> file_dialogs_;
  std::deque<PrintDialogAnswer> print_answers_;
  int print_dialogs_ = 0;
  ScriptedOperator* previous_ = nullptr;
  unsigned generation_ = 0;
};

// The installed operator, or nullptr.
ScriptedOperator* CurrentOperator();

}  // namespace ui
