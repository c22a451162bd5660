// A plain event loop for programs without windows: one poll() over the
// descriptors watched and the timers, never spinning. The console's windows
// drive the same work from their own timers instead.
#pragma once

#include <functional>

namespace platform {

class EventLoop {
 public:
  // readable/writable say which of the wanted conditions hold (an error or
  // hang-up counts as readable).
  using FdCallback = std::function<void(bool readable, bool writable)>;
  using TimerCallback = std::function<void()>;

  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Returns an id for UpdateFd/Unwatch. Callbacks may add or remove watches
  // and timers, their own included.
  int WatchFd(int fd, bool want_read, bool want_write, FdCallback callback);
  void UpdateFd(int id, bool want_read, bool want_write);
  void Unwatch(int id);
  // Repeats every period_ms (at least 1) until removed; returns its id.
  int AddTimer(int period_ms, TimerCallback callback);
  void RemoveTimer(int id);

  // Runs until Stop, or until done returns true (tested after every wake-up);
  // with a limit, at most limit_ms. Returns true when stopped or done.
  bool Run(const std::function<bool()>& done = nullptr, int limit_ms = -1);
  void Stop();

 private:
  struct State;
  State* state_;
};

}  // namespace platform
