#include <poll.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <vector>

#include "platform/event_loop.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

struct FdWatch {
  int fd;
  bool want_read;
  bool want_write;
  EventLoop::FdCallback callback;
};

struct Timer {
  int period_ms;
  Clock::time_point due;
  EventLoop::TimerCallback callback;
};

int MsUntil(Clock::time_point when, Clock::time_point now) {
  if (when <= now) return 0;
  // Rounded up: waking a little early would only loop back into poll().
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - now).count();
  return left > 1000000 ? 1000000 : static_cast<int>(left);
}

}  // namespace

struct EventLoop::State {
  // Ordered maps: ids grow, so watches and timers run in the order added,
  // and entries removed from inside a callback are simply not found later.
  std::map<int, FdWatch> watches;
  std::map<int, Timer> timers;
  int next_id = 1;
  bool stopped = false;
};

EventLoop::EventLoop() : state_(new State) {}
EventLoop::~EventLoop() {
  delete state_;
}

int EventLoop::WatchFd(int fd, bool want_read, bool want_write, FdCallback callback) {
  const int id = state_->next_id++;
  state_->watches[id] = FdWatch{fd, want_read, want_write, std::move(callback)};
  return id;
}

void EventLoop::UpdateFd(int id, bool want_read, bool want_write) {
  const auto found = state_->watches.find(id);
  if (found == state_->watches.end()) return;
  found->second.want_read = want_read;
  found->second.want_write = want_write;
}

void EventLoop::Unwatch(int id) {
  state_->watches.erase(id);
}

int EventLoop::AddTimer(int period_ms, TimerCallback callback) {
  if (period_ms < 1) period_ms = 1;
  const int id = state_->next_id++;
  state_->timers[id] =
      Timer{period_ms, Clock::now() + std::chrono::milliseconds(period_ms), std::move(callback)};
  return id;
}

void EventLoop::RemoveTimer(int id) {
  state_->timers.erase(id);
}

void EventLoop::Stop() {
  state_->stopped = true;
}

bool EventLoop::Run(const std::function<bool()>& done, int limit_ms) {
  State& s = *state_;
  s.stopped = false;
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(limit_ms < 0 ? 0 : limit_ms);
  std::vector<pollfd> fds;
  std::vector<int> ids;
  for (;;) {
    if (s.stopped || (done && done())) return true;
    Clock::time_point now = Clock::now();
    if (limit_ms >= 0 && now >= deadline) return false;

    int wait_ms = -1;
    for (const auto& [id, timer] : s.timers) {
      const int left = MsUntil(timer.due, now);
      if (wait_ms < 0 || left < wait_ms) wait_ms = left;
    }
    if (limit_ms >= 0) {
      const int left = MsUntil(deadline, now);
      if (wait_ms < 0 || left < wait_ms) wait_ms = left;
    }

    fds.clear();
    ids.clear();
    for (const auto& [id, watch] : s.watches) {
      short events = 0;
      if (watch.want_read) events |= POLLIN;
      if (watch.want_write) events |= POLLOUT;
      if (!events) continue;
      fds.push_back(pollfd{watch.fd, events, 0});
      ids.push_back(id);
    }
    // With nothing to wait for and no limit this would block for good.
    if (fds.empty() && wait_ms < 0) return false;

    const int ready = ::poll(fds.data(), fds.size(), wait_ms);
    if (ready < 0 && errno != EINTR) return false;
    for (std::size_t i = 0; ready > 0 && i < fds.size(); ++i) {
      const short revents = fds[i].revents;
      if (!revents) continue;
      const auto found = s.watches.find(ids[i]);
      if (found == s.watches.end()) continue;  // removed by an earlier callback
      const bool readable = revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL);
      const bool writable = revents & POLLOUT;
      // A copy: the callback may unwatch itself.
      const FdCallback callback = found->second.callback;
      callback(readable, writable);
      if (s.stopped) return true;
    }

    now = Clock::now();
    std::vector<int> due;
    for (const auto& [id, timer] : s.timers) {
      if (timer.due <= now) due.push_back(id);
    }
    for (const int id : due) {
      const auto found = s.timers.find(id);
      if (found == s.timers.end()) continue;
      Timer& timer = found->second;
      // The next due time keeps the period's rhythm, but a timer that fell
      // behind does not fire a burst to catch up.
      timer.due += std::chrono::milliseconds(timer.period_ms);
      if (timer.due <= now) timer.due = now + std::chrono::milliseconds(timer.period_ms);
      const TimerCallback callback = timer.callback;
      callback();
      if (s.stopped) return true;
    }
  }
}

}  // namespace platform
