// The one QApplication, made on first need so that no caller has to remember.
#pragma once

namespace ui::detail {

void EnsureApplication();
// From now on EnsureApplication ends the program instead of making one.
void ForbidApplication();

}  // namespace ui::detail
