// A scripted operator for tests: answers message boxes (recording each),
// acts on dialogs when they open, and runs the message loop for a while.
// While one exists no box is ever shown, so tests never block on a window.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/message_box.h"
#include "ui/window.h"

namespace ui {

struct RecordedBox {
  Handle owner = no_window;
  std::string text;
  std::string caption;
  Buttons buttons = Buttons::ok;
  Icon icon = Icon::none;
  int answer = 0;
  std::string active_dialog;  // name of the innermost modal dialog when it appeared
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

  // When a dialog whose template name (or caption) is name has been
  // initialised, action runs from the dialog's own modal loop, once per
  // registration, in registration order. A step may call ui functions
  // (SetField, Press, RunFor, ...) and must not assume anything after Press
  // of a closing button.
  void WhenDialogOpens(const std::string& name, std::function<void(Handle dialog)> action);
  // Names of the dialogs opened so far, in order.
  const std::vector<std::string>& OpenedDialogs() const { return opened_; }

  // Operator actions on dialog controls: they go through the same paths as
  // the real ones (text typed, button clicked), notifications included.
  static void Type(Handle dialog, int id, const std::string& text);  // replaces the field's text
  static void Press(Handle dialog, int id);                          // clicks a button, box or radio
  static void Choose(Handle dialog, int id, int index);              // picks a list/combo item
  static void ChooseText(Handle dialog, int id, const std::string& text);  // types into an editable combo
  static void KeyDown(Handle window, int virtual_key, bool repeat = false);
  static void KeyUp(Handle window, int virtual_key);
  static void Char(Handle window, int character);

  // Runs the message loop (timers and posts) for the time given, or until
  // done returns true; returns done's last value.
  static void RunFor(int milliseconds);
  static bool RunUntil(const std::function<bool()>& done, int timeout_ms);

  // Internal hooks used by the window system.
  int OnMessageBox(RecordedBox box);
  void OnDialogInitialised(Handle dialog, const std::string& name, const std::string& caption);

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
};

// The installed operator, or nullptr.
ScriptedOperator* CurrentOperator();

}  // namespace ui
