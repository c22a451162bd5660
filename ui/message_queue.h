// Queued work for the message loop beyond window messages.
#pragma once

#include <functional>

namespace ui::detail {

// Runs call from the loop, after what is queued already.
void PostCall(std::function<void()> call);

}  // namespace ui::detail
