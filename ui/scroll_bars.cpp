#include "ui/scroll_bars.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

namespace ui::detail {

namespace {

struct ScrollTarget {
  Handle target = no_window;
  unsigned message = msg_vscroll;
  LongParam l = 0;
  const RangeState* range = nullptr;
  QScrollBar* bar = nullptr;
};

bool Resolve(Handle owner, ScrollTarget& target) {
  WindowRecord* record = Find(owner);
  if (!record) return false;
  if (record->control) {
    target.target = record->parent;
    target.message = record->control->kind == ControlKind::horizontal_scroll ? msg_hscroll : msg_vscroll;
    target.l = record->control->id;
    target.range = &record->control->range;
    target.bar = qobject_cast<QScrollBar*>(record->client.data());
  } else {
    target.target = owner;
    target.range = &record->scroll;
    target.bar = record->scroll_bar;
  }
  return target.bar != nullptr;
}

void SendScroll(Handle owner, unsigned code, int position) {
  ScrollTarget target;
  if (Resolve(owner, target)) Send(target.target, target.message, MakeScroll(code, position), target.l);
}

// After the procedure had its say the bar shows what the program set
// (setValue, which unlike setSliderPosition never triggers an action).
void ShowProgramPosition(Handle owner) {
  ScrollTarget target;
  if (Resolve(owner, target)) target.bar->setValue(ClampedPosition(*target.range, target.range->position));
}

int Top(const RangeState& range) { return std::max(range.minimum, range.maximum - std::max(range.page - 1, 0)); }

void OnAction(Handle owner, int action) {
  ScrollTarget target;
  if (!Resolve(owner, target)) return;
  unsigned code = 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = scroll_line_up;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = scroll_line_down;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = scroll_page_up;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = scroll_page_down;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = scroll_top;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = scroll_bottom;
      break;
    case QAbstractSlider::SliderMove:
      // The thumb follows the pointer while it is dragged.
      SendScroll(owner, scroll_thumb_track, target.bar->sliderPosition());
      return;
    default:
      return;
  }
  const int position = target.range->position;
  SendScroll(owner, code, position);
  ShowProgramPosition(owner);
}

void OnThumbReleased(Handle owner) {
  ScrollTarget target;
  if (!Resolve(owner, target)) return;
  SendScroll(owner, scroll_thumb_position, target.bar->sliderPosition());
  ShowProgramPosition(owner);
  SendScroll(owner, scroll_end, 0);
}

// A click on an arrow or the trough ends with scroll_end when the button comes up.
class ReleaseWatcher : public QObject {
 public:
  explicit ReleaseWatcher(Handle owner, QObject* parent) : QObject(parent), owner_(owner) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease && !static_cast<QScrollBar*>(watched)->isSliderDown())
      SendScroll(owner_, scroll_end, 0);
    return false;
  }

 private:
  Handle owner_;
};

}  // namespace

int ClampedPosition(const RangeState& range, int position) { return std::clamp(position, range.minimum, Top(range)); }

void ApplyRange(QScrollBar* bar, const RangeState& range, bool enabled_by_program) {
  const int top = Top(range);
  bar->setRange(range.minimum, top);
  bar->setPageStep(std::max(range.page, 1));
  bar->setValue(ClampedPosition(range, range.position));
  bar->setEnabled(enabled_by_program && top > range.minimum);
}

void WireScrollBar(QScrollBar* bar, Handle owner) {
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [owner](int action) { OnAction(owner, action); });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [owner] { OnThumbReleased(owner); });
  bar->installEventFilter(new ReleaseWatcher(owner, bar));
}

void ScrollAction(Handle owner, unsigned scroll_code, int position) {
  ScrollTarget target;
  if (!Resolve(owner, target) || !target.bar->isEnabled()) return;
  QScrollBar* bar = target.bar;
  switch (scroll_code) {
    case scroll_line_up:
      bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
      break;
    case scroll_line_down:
      bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
      break;
    case scroll_page_up:
      bar->triggerAction(QAbstractSlider::SliderPageStepSub);
      break;
    case scroll_page_down:
      bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
      break;
    case scroll_thumb_track:
    case scroll_thumb_position:
      bar->setSliderDown(true);
      bar->setSliderPosition(position);
      if (scroll_code == scroll_thumb_position) bar->setSliderDown(false);
      return;
    default:
      return;
  }
  SendScroll(owner, scroll_end, 0);
}

}  // namespace ui::detail
