// The nested loop of one modal dialog.
#pragma once

#include <QEventLoop>

#include "ui/window.h"

namespace ui::detail {

struct ModalRun {
  QEventLoop loop;
  bool finished = false;
  Result result = 0;
};

inline void EndModalRun(ModalRun& run, Result result) {
  run.result = result;
  run.finished = true;
  run.loop.exit();
}

}  // namespace ui::detail
