#include "ui/control_widgets.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/controls.h"
#include "ui/qt_paint_context.h"
#include "ui/registry.h"
#include "ui/text.h"

namespace ui::detail {

namespace {

bool TakesStaticColour(ControlKind kind) {
  switch (kind) {
    case ControlKind::static_text:
    case ControlKind::check_box:
    case ControlKind::three_state_box:
    case ControlKind::radio_button:
    case ControlKind::group_box:
      return true;
    default:
      return false;
  }
}

void SetRoleColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget.palette();
  // Only a change is set, so the repaint it causes finds nothing more to do.
  if (palette.color(role) == colour) return;
  palette.setColor(role, colour);
  widget.setPalette(palette);
}

void ApplyColours(QWidget& widget, Handle control) {
  const WindowRecord* record = Find(control);
  if (!record || !record->control) return;
  long background = record->control->background_colour;
  if (TakesStaticColour(record->control->kind)) {
    const Result brush = Send(record->parent, msg_static_colour, 0, record->control->id);
    record = Find(control);
    if (!record) return;
    if (brush != -1 && brush != 0) background = static_cast<long>(brush & 0xFFFFFF);
  }
  const long text = record->control->text_colour;
  const bool button = qobject_cast<QPushButton*>(&widget) != nullptr;
  const QPalette standard = QApplication::palette(&widget);
  const QPalette::ColorRole text_role = button ? QPalette::ButtonText : QPalette::WindowText;
  SetRoleColour(widget, text_role, text != -1 ? ToQColor(static_cast<Colour>(text)) : standard.color(text_role));
  if (button) {
    SetRoleColour(widget, QPalette::Button,
                  background != -1 ? ToQColor(static_cast<Colour>(background)) : standard.color(QPalette::Button));
  } else if (background != -1) {
    QPainter(&widget).fillRect(widget.rect(), ToQColor(static_cast<Colour>(background)));
  }
}

class ColourWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* widget = static_cast<QWidget*>(watched);
      ApplyColours(*widget, HandleOf(widget));
    }
    return false;
  }
};

class FocusWatcher : public QObject {
 public:
  FocusWatcher(Handle control, QObject* parent) : QObject(parent), control_(control) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) Notify(control_, notify_set_focus, false);
    if (event->type() == QEvent::FocusOut) Notify(control_, notify_kill_focus, false);
    return false;
  }

 private:
  Handle control_;
};

class KeyWatcher : public QObject {
 public:
  KeyWatcher(Handle control, QObject* parent) : QObject(parent), control_(control) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) Notify(control_, notify_key_down, false);
    return false;
  }

 private:
  Handle control_;
};

}  // namespace

OwnerDrawButton::OwnerDrawButton(Handle control, QWidget* parent) : QPushButton(parent), control_(control) {}

void OwnerDrawButton::paintEvent(QPaintEvent* event) {
  const WindowRecord* record = Find(control_);
  if (!record || !record->control) return;
  QPainter painter(this);
  QtPaintContext context(painter, event->rect());
  Send(record->parent, msg_paint, static_cast<WordParam>(record->control->id),
       reinterpret_cast<LongParam>(static_cast<PaintContext*>(&context)));
}

UpDownWidget::UpDownWidget(Handle control, QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (const bool up : {true, false}) {
    auto* arrow = new QToolButton(this);
    arrow->setArrowType(up ? Qt::UpArrow : Qt::DownArrow);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    arrow->setObjectName(up ? QStringLiteral("up") : QStringLiteral("down"));
    connect(arrow, &QToolButton::clicked, this, [control, up] { StepUpDown(control, up); });
    layout->addWidget(arrow);
  }
}

void WatchColours(QWidget* widget) {
  static auto* watcher = new ColourWatcher;
  widget->installEventFilter(watcher);
}

void WatchFocus(QWidget* widget, Handle control) { widget->installEventFilter(new FocusWatcher(control, widget)); }

void WatchKeys(QWidget* widget, Handle control) { widget->installEventFilter(new KeyWatcher(control, widget)); }

}  // namespace ui::detail
