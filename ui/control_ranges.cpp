// Scroll bars, progress bars and up-down controls: each keeps the range and
// position the program gave it.
#include <QProgressBar>
#include <QScrollBar>
#include <algorithm>

#include "ui/controls.h"
#include "ui/scroll_bars.h"

namespace ui::detail {

namespace {

// An up-down position lies between the two ends, whichever is the larger.
void ClampUpDown(RangeState& range) {
  range.position =
      std::clamp(range.position, std::min(range.minimum, range.maximum), std::max(range.minimum, range.maximum));
}

}  // namespace

void StepUpDown(Handle control, bool up) {
  const WindowRecord* record = Find(control);
  if (!record || !record->control) return;
  const Handle dialog = record->parent;
  const int id = record->control->id;
  // The up arrow steps towards the maximum, which may lie below the minimum.
  const int towards_maximum = record->control->range.maximum >= record->control->range.minimum ? 1 : -1;
  const int step = up ? towards_maximum : -towards_maximum;
  Send(dialog, msg_command, MakeCommand(id, notify_delta_pos), step);
  WindowRecord* still = Find(control);
  if (!still) return;
  RangeState& range = still->control->range;
  range.position += step;
  ClampUpDown(range);
  Send(dialog, msg_vscroll, MakeScroll(scroll_thumb_position, range.position), id);
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

namespace {

WindowRecord* ScrollRecord(Handle dialog, int id, QScrollBar*& bar) {
  WindowRecord* record = ControlRecord(dialog, id);
  bar = record ? qobject_cast<QScrollBar*>(record->client.data()) : nullptr;
  return bar ? record : nullptr;
}

WindowRecord* ProgressRecord(Handle dialog, int id, QProgressBar*& bar) {
  WindowRecord* record = ControlRecord(dialog, id);
  bar = record ? qobject_cast<QProgressBar*>(record->client.data()) : nullptr;
  return bar ? record : nullptr;
}

WindowRecord* UpDownRecord(Handle dialog, int id) {
  WindowRecord* record = ControlRecord(dialog, id);
  return record && record->control->kind == ControlKind::up_down ? record : nullptr;
}

}  // namespace

void SetScrollBarRange(Handle dialog, int id, int minimum, int maximum, int page) {
  QScrollBar* bar = nullptr;
  WindowRecord* record = ScrollRecord(dialog, id, bar);
  if (!record) return;
  RangeState& range = record->control->range;
  range = {minimum, std::max(minimum, maximum), std::max(page, 0), range.position};
  range.position = ClampedPosition(range, range.position);
  ApplyRange(bar, range, record->control->enabled_by_program);
}

void SetScrollBarPosition(Handle dialog, int id, int position) {
  QScrollBar* bar = nullptr;
  WindowRecord* record = ScrollRecord(dialog, id, bar);
  if (!record) return;
  record->control->range.position = ClampedPosition(record->control->range, position);
  ApplyRange(bar, record->control->range, record->control->enabled_by_program);
}

int ScrollBarPosition(Handle dialog, int id) {
  QScrollBar* bar = nullptr;
  const WindowRecord* record = ScrollRecord(dialog, id, bar);
  return record ? record->control->range.position : 0;
}

void SetProgressRange(Handle dialog, int id, int minimum, int maximum) {
  QProgressBar* bar = nullptr;
  WindowRecord* record = ProgressRecord(dialog, id, bar);
  if (!record) return;
  RangeState& range = record->control->range;
  range.minimum = minimum;
  range.maximum = std::max(minimum, maximum);
  range.position = std::clamp(range.position, range.minimum, range.maximum);
  bar->setRange(range.minimum, range.maximum);
  bar->setValue(range.position);
}

void SetProgress(Handle dialog, int id, int value) {
  QProgressBar* bar = nullptr;
  WindowRecord* record = ProgressRecord(dialog, id, bar);
  if (!record) return;
  RangeState& range = record->control->range;
  range.position = std::clamp(value, range.minimum, range.maximum);
  bar->setValue(range.position);
}

int Progress(Handle dialog, int id) {
  QProgressBar* bar = nullptr;
  const WindowRecord* record = ProgressRecord(dialog, id, bar);
  return record ? record->control->range.position : 0;
}

void SetUpDownRange(Handle dialog, int id, int minimum, int maximum) {
  WindowRecord* record = UpDownRecord(dialog, id);
  if (!record) return;
  record->control->range.minimum = minimum;
  record->control->range.maximum = maximum;
  ClampUpDown(record->control->range);
}

void SetUpDownPosition(Handle dialog, int id, int position) {
  WindowRecord* record = UpDownRecord(dialog, id);
  if (!record) return;
  record->control->range.position = position;
  ClampUpDown(record->control->range);
}

int UpDownPosition(Handle dialog, int id) {
  const WindowRecord* record = UpDownRecord(dialog, id);
  return record ? record->control->range.position : 0;
}

}  // namespace ui
