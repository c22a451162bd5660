// Creating, destroying and calling windows.
#include "ui/window.h"

#include <QGridLayout>
#include <QScrollBar>
#include <QTimer>

#include "ui/application.h"
#include "ui/menu_bar.h"
#include "ui/modal_run.h"
#include "ui/paint.h"
#include "ui/registry.h"
#include "ui/scroll_bars.h"
#include "ui/text.h"
#include "ui/window_widget.h"

namespace ui::detail {

namespace {

Qt::WindowFlags TopLevelFlags(unsigned style) {
  Qt::WindowFlags flags = style & style_tool_window ? Qt::Tool : Qt::Window;
  if ((style & style_popup) && !(style & style_caption)) flags |= Qt::FramelessWindowHint;
  return flags;
}

// A child window lives in its parent's client area; anything else is a
// top-level frame, owned by the parent's window when there is one.
void BuildWidgets(WindowRecord& record, const std::string& title, int x, int y, int width, int height) {
  const WindowRecord* parent = Find(record.parent);
  const bool child = (record.style & style_child) && parent;
  QScrollBar* bar = record.style & style_vscroll ? new QScrollBar(Qt::Vertical) : nullptr;
  QMenuBar* menu_bar = nullptr;
  QWidget* frame = nullptr;
  WindowWidget* client = nullptr;
  if (child && !bar) {
    client = new WindowWidget(record.handle, parent->client);
    frame = client;
  } else {
    auto* framed = new FrameWidget(record.handle, child ? parent->client.data() : OwnerWidget(record.parent),
                                   child ? Qt::Widget : TopLevelFlags(record.style));
    client = new WindowWidget(record.handle, framed);
    if (!child) menu_bar = BuildMenuBar(record, framed);
    framed->Arrange(client, menu_bar, bar);
    frame = framed;
  }
  record.frame = frame;
  record.client = client;
  record.scroll_bar = bar;
  if (bar) {
    WireScrollBar(bar, record.handle);
    ApplyRange(bar, record.scroll, true);
  }
  frame->setWindowTitle(ToQt(title));
  if (child) {
    frame->setGeometry(x, y, width, height);
  } else {
    frame->move(x, y);
    frame->resize(width, height);
  }
  // Lay the client out now, so that ClientRect is right before the first show.
  if (frame->layout()) frame->layout()->activate();
}

void StopTimers(WindowRecord& record) {
  for (auto& [id, timer] : record.timers) {
    timer->stop();
    timer->deleteLater();
  }
  record.timers.clear();
}

void DestroyTree(Handle window, bool hide_widget) {
  WindowRecord* record = Find(window);
  if (!record || record->destroying) return;
  record->destroying = true;
  Send(window, msg_destroy);
  for (Handle child : ChildrenOf(window)) {
    const WindowRecord* child_record = Find(child);
    // Owned top-level windows are Qt children too, but must vanish now.
    DestroyTree(child, child_record && child_record->frame && child_record->frame->isWindow());
  }
  record = Find(window);
  StopTimers(*record);
  if (record->dialog && record->dialog->modal) EndModalRun(*record->dialog->modal, record->dialog->modal->result);
  const QPointer<QWidget> frame = record->frame;
  RemoveRecord(window);
  // Later, because the widget may be in the middle of delivering one of its events.
  if (frame && hide_widget) {
    frame->hide();
    frame->deleteLater();
  }
}

}  // namespace

void RequestClose(Handle window) {
  const Result result = Send(window, msg_close);
  const WindowRecord* record = Find(window);
  if (result == 0 && record && record->dialog && !record->dialog->class_procedure)
    Send(window, msg_command, MakeCommand(id_cancel, notify_clicked));
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

Handle CreateWindowOf(const std::string& class_name, const std::string& title, unsigned style, int x, int y,
                      int width, int height, Handle parent, LongParam create_parameter) {
  const WindowClass* window_class = FindClass(class_name);
  if (!window_class || (parent != no_window && !IsLive(parent))) return no_window;
  EnsureApplication();
  WindowRecord& record = AddRecord(WindowKind::window, parent);
  record.procedure = window_class->procedure;
  record.background = window_class->background;
  record.style = style;
  record.extra_bytes = window_class->extra_bytes;
  record.menu = window_class->menu;
  const Handle window = record.handle;
  BuildWidgets(record, title, x, y, width, height);
  if (Send(window, msg_create, 0, create_parameter) == -1) Destroy(window);
  if (!IsLive(window)) return no_window;
  if (style & style_visible) Show(window, true);
  return window;
}

void Destroy(Handle window) { DestroyTree(window, true); }

Result Send(Handle window, unsigned message, WordParam word, LongParam l) {
  const WindowRecord* record = Find(window);
  if (!record || !record->procedure) return 0;
  return record->procedure(window, message, word, l);
}

Result DefaultProcedure(Handle window, unsigned message, WordParam word, LongParam l) {
  switch (message) {
    case msg_close:
      Destroy(window);
      return 0;
    case msg_erase_background: {
      const WindowRecord* record = Find(window);
      if (!record || !l) return 0;
      auto& context = *reinterpret_cast<PaintContext*>(l);
      context.FillRect(ClientRect(window), FromQColor(BackgroundColour(record->background)));
      return 1;
    }
    case msg_static_colour:
      return -1;
    case msg_left_double:
      // Classes do not ask for double clicks: the second click is a click.
      return Send(window, msg_left_down, word, l);
    default:
      return 0;
  }
}

unsigned StartTimer(Handle window, unsigned id, int period_ms) {
  WindowRecord* record = Find(window);
  if (!record) return 0;
  EnsureApplication();
  if (id == 0) {
    id = 1;
    while (record->timers.count(id)) ++id;
  }
  QTimer*& timer = record->timers[id];
  if (!timer) {
    timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [window, id] { Send(window, msg_timer, id); });
  }
  // A zero period would fire on every pass of the loop and spin a core.
  timer->start(std::max(period_ms, 1));
  return id;
}

void StopTimer(Handle window, unsigned id) {
  WindowRecord* record = Find(window);
  if (!record) return;
  const auto found = record->timers.find(id);
  if (found == record->timers.end()) return;
  found->second->stop();
  found->second->deleteLater();
  record->timers.erase(found);
}

}  // namespace ui
