// The menu bar of a window whose class names a menu resource.
#pragma once

#include "ui/registry.h"

class QMenuBar;

namespace ui::detail {

// nullptr when the class has no menu or the menu was never registered.
QMenuBar* BuildMenuBar(WindowRecord& record, QWidget* parent);

}  // namespace ui::detail
