#include "cli/poll_until_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "app/main_tick.h"
#include "cli/cli_context.h"
#include "cli/device_kind.h"
#include "config/settings.h"
#include "platform/event_loop.h"
#include "records/program_state.h"

namespace {

// A signal only writes a byte: the loop wakes and stops between two steps.
int signal_pipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
}

}  // namespace

bool PollUntilSignal(int interval_ms, DeviceUpdateListener hook) {
  if (signal_pipe[0] < 0 && pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::fprintf(stderr, "corvane-cli: cannot make a pipe for the signals\n");
    return false;
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  if (interval_ms > 0) polling_interval = static_cast<std::uint32_t>(interval_ms);
  poll_timer.Reset(static_cast<std::int32_t>(polling_interval));
  polling_enabled = 1;
  FollowDeviceKinds(true);
  AddDeviceUpdateListener(hook);
  platform::EventLoop& loop = Loop();
  const int signals =
      loop.WatchFd(signal_pipe[0], true, false, [&loop](bool, bool) { loop.Stop(); });
  const int tick = loop.AddTimer(main_tick_ms, MainTick);
  loop.Run();
  loop.RemoveTimer(tick);
  loop.Unwatch(signals);
  RemoveDeviceUpdateListener(hook);
  FollowDeviceKinds(false);
  return true;
}
