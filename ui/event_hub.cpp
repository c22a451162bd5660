#include "ui/event_hub.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "ui/registry.h"

namespace ui::detail {

namespace {

class EventHub : public QObject {
 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        NoteKeyEvent(static_cast<const QKeyEvent&>(*event));
        return HandleDialogKey(receiver, static_cast<const QKeyEvent&>(*event));
      case QEvent::KeyRelease:
        NoteKeyEvent(static_cast<const QKeyEvent&>(*event));
        return false;
      case QEvent::WindowActivate:
        if (auto* widget = qobject_cast<QWidget*>(receiver); widget && widget->isWindow()) {
          if (const Handle window = HandleOf(widget)) NoteActive(window);
        }
        return false;
      default:
        return false;
    }
  }
};

}  // namespace

void InstallEventHub() { QApplication::instance()->installEventFilter(new EventHub); }

}  // namespace ui::detail
