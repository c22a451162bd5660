#include "ui/fd_watch.h"

#include <QSocketNotifier>
#include <map>

#include "ui/application.h"

namespace ui {

namespace {

std::map<unsigned, QSocketNotifier*> watches;
unsigned last_watch = 0;

}  // namespace

unsigned WatchReadable(int fd, Handle window, unsigned message) {
  detail::EnsureApplication();
  const unsigned id = ++last_watch;
  auto* notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [id, window, message] {
    const auto found = watches.find(id);
    if (found == watches.end()) return;
    found->second->setEnabled(false);
    if (IsLive(window)) {
      Post(window, message, id);
    } else {
      StopWatch(id);
    }
  });
  watches[id] = notifier;
  return id;
}

void RearmWatch(unsigned watch) {
  const auto found = watches.find(watch);
  if (found != watches.end()) found->second->setEnabled(true);
}

void StopWatch(unsigned watch) {
  const auto found = watches.find(watch);
  if (found == watches.end()) return;
  found->second->setEnabled(false);
  found->second->deleteLater();
  watches.erase(found);
}

}  // namespace ui
