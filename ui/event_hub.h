// One application-wide event filter: the held-key table, the dialog keys
// (Enter, Escape) and the active window see every event before its widget.
#pragma once

class QKeyEvent;
class QObject;

namespace ui::detail {

void InstallEventHub();

// keys.cpp: keeps the held-key table.
void NoteKeyEvent(const QKeyEvent& event);
// dialog_keys.cpp: Enter and Escape in a dialog with its own procedure;
// true when the key was used.
bool HandleDialogKey(QObject* receiver, const QKeyEvent& event);

}  // namespace ui::detail
