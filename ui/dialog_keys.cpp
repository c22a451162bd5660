// The keys a dialog with its own procedure keeps from its controls, as the
// desktop's dialog manager does: Enter presses a button, Escape cancels.
#include <QAbstractButton>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "ui/event_hub.h"
#include "ui/registry.h"

namespace ui::detail {

namespace {

// The default button's id (id_ok when the template has none), 0 when it is disabled.
int DefaultButton(const WindowRecord& dialog) {
  for (Handle control : dialog.dialog->controls) {
    const WindowRecord* record = Find(control);
    if (record && record->control->kind == ControlKind::default_button)
      return record->client && record->client->isEnabled() ? record->control->id : 0;
  }
  return id_ok;
}

}  // namespace

bool HandleDialogKey(QObject* receiver, const QKeyEvent& event) {
  const int key = event.key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape) return false;
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (!widget) return false;
  const Handle dialog = HandleOf(widget->window());
  const WindowRecord* record = Find(dialog);
  if (!record || !record->dialog || record->dialog->class_procedure) return false;
  if (key == Qt::Key_Escape) {
    Send(dialog, msg_command, MakeCommand(id_cancel, notify_clicked));
    return true;
  }
  if (const WindowRecord* control = Find(HandleOf(widget)); control && control->control) {
    const ControlKind kind = control->control->kind;
    if (kind == ControlKind::multiline_edit && !static_cast<QPlainTextEdit*>(control->client.data())->isReadOnly())
      return false;
    if (kind == ControlKind::push_button || kind == ControlKind::default_button) {
      static_cast<QAbstractButton*>(control->client.data())->click();
      return true;
    }
  }
  if (const int id = DefaultButton(*record)) Send(dialog, msg_command, MakeCommand(id, notify_clicked));
  return true;
}

}  // namespace ui::detail
