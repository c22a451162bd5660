// Dialogs built from templates (plain data in resources/) whose controls are
// addressed by number, modal and modeless, and control access by id.
#pragma once

#include <string>
#include <vector>

#include "ui/paint.h"
#include "ui/window.h"

namespace ui {

enum class ControlKind {
  push_button,       // notify_clicked
  default_button,    // push button that Enter presses
  check_box,         // auto check box; notify_clicked
  three_state_box,   // check box with a third (grey) state, not toggled by itself:
                     // the procedure sets the state on notify_clicked
  radio_button,      // auto radio; a radio with style_group starts a new group
  group_box,         // frame with caption; not a parent of the controls inside it
  static_text,       // label (left aligned unless style_centre/style_right)
  edit,              // one-line edit; notify_edit_change
  multiline_edit,    // multi-line edit, read-only with style_read_only
  list_box,          // notify_selection_change, notify_double_click
  combo_list,        // drop-down list, not editable; notify_selection_change
  combo_edit,        // editable drop-down; notify_selection_change, notify_combo_edit_change
  horizontal_scroll, // msg_hscroll to the parent, long = id
  vertical_scroll,   // msg_vscroll to the parent, long = id
  progress_bar,
  tree_view,         // items with a value; notify_selection_change, notify_double_click, notify_key_down
  up_down,           // arrows; msg_command with notify_delta_pos and the step (up arrow: towards the
                     // maximum; the default range is 100 down to 0, so there the up arrow steps -1),
                     // then msg_vscroll to the parent with scroll_thumb_position and the new position
  custom,            // a child window of the registered class named in class_name
};

enum ControlStyle : unsigned {
  style_group = 1u << 0,       // starts a new radio group / tab group
  style_tab_stop = 1u << 1,
  style_disabled = 1u << 2,
  style_hidden = 1u << 3,
  style_read_only = 1u << 4,
  style_centre = 1u << 5,      // centred text
  style_right = 1u << 6,       // right-aligned text
  style_number = 1u << 7,      // edit accepts digits only
  style_sunken = 1u << 8,      // sunken frame (static, custom)
  style_owner_draw = 1u << 9,  // button painted by its parent (msg_paint to parent, word = id)
  style_sort = 1u << 10,       // list/combo keeps its items sorted
  style_password = 1u << 11,
};

// Geometry in dialog units: horizontal unit = average character width / 4,
// vertical unit = character height / 8 of the template's font.
struct ControlTemplate {
  int id = 0;  // -1 for labels nobody addresses
  ControlKind kind = ControlKind::static_text;
  std::string caption;
  int x = 0, y = 0, width = 0, height = 0;
  unsigned style = 0;
  std::string class_name;  // ControlKind::custom only
};

struct DialogTemplate {
  std::string name;  // resource name ("ScanIp") or number as text ("3")
  std::string caption;
  int width = 0, height = 0;  // dialog units
  std::string font_face = "MS Sans Serif";
  int font_points = 8;
  // A template that names a registered class is handled by that class's
  // procedure (the panels); otherwise by the procedure given at creation.
  std::string class_name;
  unsigned style = style_popup | style_caption | style_system_menu;
  std::vector<ControlTemplate> controls;
};

// Modal: builds the dialog, sends msg_init_dialog, runs a nested loop (timers,
// posts and other windows keep working; windows outside the dialog take no
// input) until FinishDialog, destroys the dialog and returns the result. Returns
// -1 when the dialog could not be built.
// A dialog handled by a class procedure (a panel) gets msg_create before its
// controls exist and every key as msg_key_down/msg_char (Tab included); a
// dialog with its own procedure gets the dialog keys instead: Tab moves the
// focus, Enter is msg_command for the default button (id_ok when there is
// none, the focused push button when one has the focus), Escape msg_command
// id_cancel, and msg_close left at 0 by the procedure becomes id_cancel too.
// msg_init_dialog returning non-zero puts the focus on the first tab stop.
// The dialog is centred on its owner; modeless ones appear when the template
// has style_visible or on Show.
Result RunModal(const DialogTemplate& dialog, Handle owner, Procedure procedure, LongParam init = 0);
// Modeless: returns the dialog's handle, or no_window.
Handle CreateModeless(const DialogTemplate& dialog, Handle owner, Procedure procedure, LongParam init = 0);
// Ends the modal loop of the dialog with a result (the dialog closes when the
// procedure returns to the loop). For a modeless dialog: destroys it.
void FinishDialog(Handle dialog, Result result);
// The modal dialog whose loop runs innermost, or no_window.
Handle InnermostModalDialog();
// The dialog's template name, for the scripted operator and diagnostics.
std::string DialogName(Handle dialog);

// Standard ids.
constexpr int id_ok = 1;
constexpr int id_cancel = 2;

// Controls by id. Every call on a missing id or a dead dialog does nothing and
// returns the empty value.
Handle Control(Handle dialog, int id);  // the control as a window (for custom controls)
std::string ControlText(Handle dialog, int id, int max_chars = 1 << 20);  // at most max_chars characters
void SetControlText(Handle dialog, int id, const std::string& text);
int ControlInt(Handle dialog, int id, bool* ok = nullptr);  // decimal text
void SetControlInt(Handle dialog, int id, long value);
void SetTextLimit(Handle dialog, int id, int max_chars);  // edits refuse typing beyond it
// An edit shows echo for every character (a password field); 0 shows the text again.
void SetPasswordCharacter(Handle dialog, int id, char echo);
// The text as the edit shows it (echo characters for a password field).
std::string ShownText(Handle dialog, int id);

enum CheckState { unchecked = 0, checked = 1, indeterminate = 2 };
int CheckStateOf(Handle dialog, int id);
void SetCheck(Handle dialog, int id, int state);

void EnableControl(Handle dialog, int id, bool enabled);
bool IsControlEnabled(Handle dialog, int id);
void ShowControl(Handle dialog, int id, bool visible);
void FocusControl(Handle dialog, int id);
int FocusedControl(Handle dialog);  // id of the control with the focus, 0 if none
void SetControlFont(Handle dialog, int id, const FontSpec& font);
// Colours used when painting a static control or button; -1 keeps the default.
void SetControlColours(Handle dialog, int id, long text, long background);
// Shows a push button pushed in (or released) without clicking it.
void SetButtonPushed(Handle dialog, int id, bool pushed);
bool IsButtonPushed(Handle dialog, int id);

// List boxes and both combo kinds.
void ClearItems(Handle dialog, int id);
int AddItem(Handle dialog, int id, const std::string& text);  // returns the index
int ItemCount(Handle dialog, int id);
std::string ItemText(Handle dialog, int id, int index);
int Selection(Handle dialog, int id);  // -1 for none
void Select(Handle dialog, int id, int index);
int FindItem(Handle dialog, int id, const std::string& text);  // exact, case-insensitive; -1

// Scroll bars.
void SetScrollBarRange(Handle dialog, int id, int minimum, int maximum, int page = 0);
void SetScrollBarPosition(Handle dialog, int id, int position);
int ScrollBarPosition(Handle dialog, int id);

// Progress bar.
void SetProgressRange(Handle dialog, int id, int minimum, int maximum);
void SetProgress(Handle dialog, int id, int value);
int Progress(Handle dialog, int id);

// Tree view: flat or nested items, each with a value.
using TreeItem = std::uintptr_t;  // 0 = root / none
TreeItem AddTreeItem(Handle dialog, int id, TreeItem parent, const std::string& text, LongParam value);
void ClearTree(Handle dialog, int id);
TreeItem SelectedTreeItem(Handle dialog, int id);
void SelectTreeItem(Handle dialog, int id, TreeItem item);
std::string TreeItemText(Handle dialog, int id, TreeItem item);
LongParam TreeItemValue(Handle dialog, int id, TreeItem item);
std::vector<TreeItem> TreeItems(Handle dialog, int id, TreeItem parent = 0);

// Up-down control.
void SetUpDownRange(Handle dialog, int id, int minimum, int maximum);
void SetUpDownPosition(Handle dialog, int id, int position);
int UpDownPosition(Handle dialog, int id);

}  // namespace ui
