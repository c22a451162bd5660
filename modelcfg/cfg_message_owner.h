// The window that owns the line table's message boxes.
#pragma once

#include "ui/window.h"

// The editor window while it is open, else no window.
ui::Handle CfgMessageOwner();
