// Opening and ending dialogs.
#include "ui/dialog.h"

#include <QWidget>
#include <vector>

#include "ui/dialog_internal.h"
#include "ui/modal_run.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

std::vector<Handle> modal_stack;

Handle FirstTabStop(Handle dialog) {
  const WindowRecord* record = Find(dialog);
  if (!record || !record->dialog) return no_window;
  for (Handle control : record->dialog->controls) {
    const WindowRecord* found = Find(control);
    if (found && (found->control->style & style_tab_stop) && !(found->control->style & (style_disabled | style_hidden)))
      return control;
  }
  return no_window;
}

// msg_init_dialog, the focus, then the scripted operator's turn.
void InitialiseDialog(Handle dialog, LongParam init) {
  const Handle first = FirstTabStop(dialog);
  const Result focus_first = Send(dialog, msg_init_dialog, first, init);
  if (focus_first && Find(first)) Find(first)->client->setFocus(Qt::TabFocusReason);
  const WindowRecord* record = Find(dialog);
  if (!record) return;
  if (ScriptedOperator* scripted = CurrentOperator())
    scripted->OnDialogInitialised(dialog, record->dialog->name, record->dialog->caption, Title(dialog));
}

void Present(Handle dialog) {
  QWidget* widget = Find(dialog)->frame;
  widget->show();
  widget->raise();
  widget->activateWindow();
  NoteActive(dialog);
}

}  // namespace

Handle InnermostModal() { return modal_stack.empty() ? no_window : modal_stack.back(); }

std::string DialogIdentity(Handle dialog) {
  const std::string title = Title(dialog);
  if (!title.empty()) return title;
  const WindowRecord* record = Find(dialog);
  return record && record->dialog ? record->dialog->name : std::string();
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

Result RunModal(const DialogTemplate& dialog_template, Handle owner, Procedure procedure, LongParam init) {
  const Handle dialog = BuildDialog(dialog_template, owner, procedure, init);
  if (!dialog) return -1;
  ModalRun run;
  WindowRecord* record = Find(dialog);
  record->dialog->modal = &run;
  record->frame->setWindowModality(Qt::ApplicationModal);
  modal_stack.push_back(dialog);
  InitialiseDialog(dialog, init);
  if (!run.finished && IsLive(dialog)) {
    Present(dialog);
    run.loop.exec();
  }
  std::erase(modal_stack, dialog);
  if (WindowRecord* still = Find(dialog)) {
    still->dialog->modal = nullptr;
    Destroy(dialog);
  }
  return run.result;
}

Handle CreateModeless(const DialogTemplate& dialog_template, Handle owner, Procedure procedure, LongParam init) {
  const Handle dialog = BuildDialog(dialog_template, owner, procedure, init);
  if (!dialog) return no_window;
  InitialiseDialog(dialog, init);
  if (!IsLive(dialog)) return no_window;
  if (dialog_template.style & style_visible) Present(dialog);
  return dialog;
}

Handle InnermostModalDialog() {
  return InnermostModal();
}

void FinishDialog(Handle dialog, Result result) {
  const WindowRecord* record = Find(dialog);
  if (!record || !record->dialog) return;
  if (record->dialog->modal) {
    EndModalRun(*record->dialog->modal, result);
  } else {
    Destroy(dialog);
  }
}

std::string DialogName(Handle dialog) {
  const WindowRecord* record = Find(dialog);
  return record && record->dialog ? record->dialog->name : std::string();
}

}  // namespace ui
