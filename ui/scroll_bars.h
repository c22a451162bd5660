// Scroll bars that report to a procedure and show the position the program
// set, never one of their own: controls (to the dialog, long = id) and the
// bar of a style_vscroll window (to the window, long = 0).
#pragma once

#include "ui/registry.h"

class QScrollBar;

namespace ui::detail {

void WireScrollBar(QScrollBar* bar, Handle owner);
// Puts the program's range and position on the bar; it greys out when it cannot scroll.
void ApplyRange(QScrollBar* bar, const RangeState& range, bool enabled_by_program);
int ClampedPosition(const RangeState& range, int position);

// The operator's scroll actions (scripted_operator.cpp).
void ScrollAction(Handle owner, unsigned scroll_code, int position);

}  // namespace ui::detail
