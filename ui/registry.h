// The registry behind the handles: one record per live window, dialog and
// control. Private to ui/; records are found again by handle after every call
// into a procedure, which may have destroyed anything.
#pragma once

#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/window.h"

class QAction;
class QButtonGroup;
class QEventLoop;
class QScrollBar;
class QTimer;
class QTreeWidgetItem;

namespace ui::detail {

enum class WindowKind { window, dialog, control };

// Range and position of a scroll bar or up-down control as the program set them.
struct RangeState {
  int minimum = 0;
  int maximum = 100;
  int page = 0;
  int position = 0;
};

struct ControlState {
  int id = 0;
  ControlKind kind = ControlKind::static_text;
  unsigned style = 0;
  std::string text;  // static texts: the caption as given, mnemonics included
  long text_colour = -1;
  long background_colour = -1;
  bool enabled_by_program = true;  // scroll bars also grey out when they cannot scroll
  RangeState range;
  std::map<TreeItem, QTreeWidgetItem*> tree_items;
  TreeItem next_tree_item = 1;
};

// Shared between RunModal and whoever ends the dialog.
struct ModalRun;

struct DialogState {
  std::string name;
  std::string caption;  // of the template
  bool class_procedure = false;
  std::vector<Handle> controls;  // template order
  ModalRun* modal = nullptr;
  int programmatic = 0;  // > 0 while the program changes controls: no notifications
};

struct WindowRecord {
  Handle handle = no_window;
  WindowKind kind = WindowKind::window;
  Procedure procedure = nullptr;
  Background background = Background::button_face;
  unsigned style = 0;
  Handle parent = no_window;
  int extra_bytes = 0;
  QPointer<QWidget> frame;   // what is moved and shown: the top-level widget, or the child itself
  QPointer<QWidget> client;  // whose events become messages and which is painted
  QPointer<QScrollBar> scroll_bar;  // style_vscroll
  RangeState scroll;
  std::map<int, LongParam> data;
  std::map<unsigned, QTimer*> timers;
  int menu = 0;
  std::map<int, QAction*> menu_actions;
  bool destroying = false;
  bool erase_requested = false;
  bool paint_without_erase = false;
  std::unique_ptr<DialogState> dialog;
  std::unique_ptr<ControlState> control;
};

WindowRecord* Find(Handle handle);
WindowRecord& AddRecord(WindowKind kind, Handle parent);
void RemoveRecord(Handle handle);
std::vector<Handle> ChildrenOf(Handle handle);

// Marks a widget as the given window's; HandleOf finds the window of a widget
// or of its nearest marked ancestor inside the same top-level window.
void Attach(QWidget* widget, Handle handle);
Handle HandleOf(const QWidget* widget);

const WindowClass* FindClass(const std::string& name);
QColor BackgroundColour(Background background);
// The top-level widget that owned windows, dialogs and boxes sit on.
QWidget* OwnerWidget(Handle owner);

// The active window as the program last made it or the platform reported it.
void NoteActive(Handle window);

// The control of a dialog by id, nullptr when either is missing.
WindowRecord* ControlRecord(Handle dialog, int id);

// Frame close button: msg_close, and for a dialog with its own procedure
// that leaves it alone, id_cancel.
void RequestClose(Handle window);

}  // namespace ui::detail
