// The one QApplication, made on first need so that no caller has to remember.
#pragma once

namespace ui::detail {

void EnsureApplication();

}  // namespace ui::detail
