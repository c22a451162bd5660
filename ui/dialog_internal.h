// Building and opening dialogs from templates.
#pragma once

#include <string>

#include "ui/dialog.h"

namespace ui::detail {

// Makes the dialog and its controls (msg_create first for a class-handled
// dialog); no_window when a class is unknown or there is no procedure.
Handle BuildDialog(const DialogTemplate& dialog, Handle owner, Procedure procedure, LongParam init);

// The innermost running modal dialog, no_window when none runs.
Handle InnermostModal();
// A dialog as the scripted operator names it: the title it shows, or its template name.
std::string DialogIdentity(Handle dialog);

}  // namespace ui::detail
