// A context that measures text as the screen would show it and draws nothing,
// for sizing where no window is being painted.
#pragma once

#include "ui/paint.h"

namespace ui {

// The one measuring context of the run, made on first use; its font starts as
// the one windows paint with and follows SetFont.
PaintContext& ScreenMeasuringContext();

}  // namespace ui
