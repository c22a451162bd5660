// Asking the operator to look: the window system's alert on a window (a
// flashing task-bar entry) and the desktop's beep.
#pragma once

#include "ui/window.h"

namespace ui {

void RequestAttention(Handle window);
void Beep();

// How often attention was asked for the window and beeps were sounded in this
// run, for the checks of the programs that ask.
int AttentionRequests(Handle window);
int Beeps();

}  // namespace ui
