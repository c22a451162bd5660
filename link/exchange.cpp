#include "link/exchange.h"

#include <cstring>

#include "records/program_state.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/ethernet_path.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "platform/counter.h"
#include "platform/link_clock.h"

std::int32_t retries = 0;

namespace {

void WaitForInput(int device, int msec) {
  if (use_ethernet && !quillon_protocol) {
    EthernetWaitReadable(device & 0xFF, msec);
  } else {
    SerialWaitReadable(msec);
  }
}

// Captures until a valid answer or until timeout ms have passed on the link
// timer. Between captures it sleeps in the port for at most the time left.
bool AwaitResponse(int device, int timeout) {
  while (!TrapResponse(device)) {
    // PastTime with 0 would restart the timer instead of testing it.
    if (timeout <= 0 || PastTime(timeout, pt_start_time.l.upper)) return false;
    int left = timeout - PastTimeExpiredMsec();
    if (left < 0) left = 0;
    if (CaptureFinished(device)) {
      // The verdict cannot change before the next reset: sit out the time.
      platform::SleepMsec(static_cast<unsigned>(left));
    } else {
      WaitForInput(device, left);
    }
  }
  return true;
}

}  // namespace

int DoCommand(int device, const char* command, int command_length, int timeout, int tries) {
  if (command_length == 0) command_length = static_cast<int>(std::strlen(command));
  if (tries < 1) tries = 1;
  for (int attempt = 1; attempt <= tries; ++attempt) {
    ResetReceiver(device);
    SendCommand(device, command, command_length, timeout);
    RestartLinkTimer();
    if (AwaitResponse(device, timeout)) return 1;
    if (attempt <= 3) {
      // A late answer may still arrive: give it a moment and take it up.
      platform::SleepMsec(100);
      TrapResponse(device);
      ++retries;
    }
  }
  return 0;
}

int LoneCommand(int device, const char* command, int command_length, int timeout, int tries) {
  polling_enabled = 0;
  platform::SleepMsec(200);
  TrapResponse(device);
  const int result = DoCommand(device, command, command_length, timeout, tries);
  polling_enabled = 1;
  return result;
}
