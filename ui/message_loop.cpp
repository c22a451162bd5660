// Posted messages and the loops that deliver them. Posts travel as Qt events
// to one dispatcher, so they keep their order and reach every nested loop.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "ui/application.h"
#include "ui/message_queue.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace ui::detail {

namespace {

const QEvent::Type posted_type = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedEvent : QEvent {
  PostedEvent() : QEvent(posted_type) {}
  Handle window = no_window;
  unsigned message = 0;
  WordParam word = 0;
  LongParam l = 0;
  std::function<void()> call;
};

// msg_quit, once it came, until the main loop takes it.
bool quit_pending = false;
int quit_code = 0;
QEventLoop* main_loop = nullptr;

class Dispatcher : public QObject {
 protected:
  void customEvent(QEvent* event) override {
    if (event->type() != posted_type) return;
    auto& posted = static_cast<PostedEvent&>(*event);
    if (posted.call) {
      posted.call();
    } else if (posted.message == msg_quit) {
      quit_pending = true;
      quit_code = static_cast<int>(posted.word);
      if (main_loop) main_loop->exit();
    } else {
      Send(posted.window, posted.message, posted.word, posted.l);
    }
  }
};

void Enqueue(PostedEvent* event) {
  EnsureApplication();
  static Dispatcher* dispatcher = new Dispatcher;
  QCoreApplication::postEvent(dispatcher, event);
}

bool TakeQuit() {
  const bool taken = quit_pending;
  quit_pending = false;
  return taken;
}

}  // namespace

void PostCall(std::function<void()> call) {
  auto* event = new PostedEvent;
  event->call = std::move(call);
  Enqueue(event);
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

void Post(Handle window, unsigned message, WordParam word, LongParam l) {
  if (!IsLive(window)) return;
  auto* event = new PostedEvent;
  event->window = window;
  event->message = message;
  event->word = word;
  event->l = l;
  Enqueue(event);
}

void PostQuit(int exit_code) {
  auto* event = new PostedEvent;
  event->message = msg_quit;
  event->word = static_cast<WordParam>(exit_code);
  Enqueue(event);
}

int RunMessageLoop() {
  EnsureApplication();
  if (!quit_pending) {
    QEventLoop loop;
    QEventLoop* outer = main_loop;
    main_loop = &loop;
    loop.exec();
    main_loop = outer;
  }
  TakeQuit();
  return quit_code;
}

bool ProcessNextMessage() {
  EnsureApplication();
  if (!quit_pending) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return !TakeQuit();
}

void RunFor(int milliseconds) {
  EnsureApplication();
  QEventLoop loop;
  QTimer::singleShot(std::max(milliseconds, 0), Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void ScriptedOperator::RunFor(int milliseconds) { ui::RunFor(milliseconds); }

bool ScriptedOperator::RunUntil(const std::function<bool()>& done, int timeout_ms) {
  EnsureApplication();
  const QDeadlineTimer deadline(std::max(timeout_ms, 0), Qt::PreciseTimer);
  // Wakes the wait below now and then, so that done is asked even when nothing happens.
  QTimer wake;
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(5);
  bool result = done();
  while (!result && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    result = done();
  }
  return result;
}

}  // namespace ui
