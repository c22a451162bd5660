// The window's own menu (the system menu): items a program adds beside the
// frame's standard ones. The operator opens it with a right click on the
// window; choosing an item posts msg_command with MakeCommand(id,
// notify_clicked), and ChooseMenuItem chooses it as it chooses bar items.
#pragma once

#include <string>

#include "ui/window.h"

namespace ui {

// Adds an item at the end of the window's menu; "&" marks the mnemonic and a
// tab separates the caption from the shortcut shown beside it.
void AddSystemMenuItem(Handle window, int id, const std::string& caption);

}  // namespace ui
