#include "app/main_tick.h"

#include "app/polling.h"
#include "app/wlog.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"

void MainTick() {
  if (!polling_enabled) return;
  if (use_ethernet) {
    PollEthernet();
  } else if (SerialPortIsOpen()) {
    PollSequence(TrapResponse(0));
  }
  UpdateLogFiles(0);
}
