#include "app/polling.h"

#include <cstdio>

#include "app/wparse.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/framing.h"
#include "records/device_records.h"

namespace {

constexpr int command_size = 80;

// Over Ethernet every device polled in a step has its own answer outstanding;
// the single response_pending would let a miss be charged to only one of them.
// Each entry names the panel the poll was sent for, so a panel opened since
// (no two panels share an identity) owes nothing yet; a device watched
// without a panel owes from its first poll on.
struct outstanding_poll {
  bool sent;
  std::uint32_t panel;
};
outstanding_poll ethernet_outstanding[device_count];

bool OwesAnswer(int address) {
  const outstanding_poll& poll = ethernet_outstanding[address];
  return poll.sent && poll.panel == PanelIdentity(address);
}

void Answered(int address) {
  if (address < 0 || address >= device_count) return;
  error_count[address] = 0;
  NotifyDeviceUpdated(address);
}

// The status poll of an amplifier, with the letters of the logged readings.
void AmplifierPoll(int address, char* command) {
  const command_id id = device_data[address].poll_frequency ? command_id::status_poll_frequency
                                                            : command_id::status_poll;
  int length = std::snprintf(command, command_size, "%s", Command(id).body);
  if (!logging_on) return;
  for (const log_parm_struct& parameter : log_parameter) {
    if (parameter.enabled && length + 1 < command_size) command[length++] = parameter.letter[0];
  }
  command[length] = 0;
}

// The outstanding poll's answer was shown on the tick it came in, before its
// polling step: that step then owes no miss.
bool answer_shown = false;

// Every complete answer waiting in the serial receiver goes to its panel.
void ShowAnswers(int status) {
  while (status == 1) {
    Answered(ParseResponse(0));
    ResetReceiver(0);
    status = TrapResponse(0);
  }
}

}  // namespace

void PollSequence(int status) {
  const int previous = response_pending;
  if (poll_timer.Waiting()) {
    // Shown at once rather than at the next step; what goes on the line and
    // when stays the same.
    if (status == 1) {
      ShowAnswers(status);
      answer_shown = true;
    }
    return;
  }
  int from = previous;
  if (status == 1) {
    ShowAnswers(status);
  } else if (answer_shown) {
    ResetReceiver(0);
  } else {
    if (from < 0) from = response_pending;
    if (from < 0) from = 'A';
    NoResponse(from);
    ResetReceiver(0);
  }
  answer_shown = false;
  for (int step = 1; step <= device_count; ++step) {
    const int address = (from + step) & 0xFF;
    if (IsOpen(address)) {
      PollDevice(address);
      break;
    }
  }
  poll_timer.Reset(0);
}

void PollEthernet() {
  if (poll_timer.Waiting()) return;
  for (int address = 0; address < device_count; ++address) {
    if (!IsOpen(address)) continue;
    int status = TrapResponse(address);
    if (!status) {
      if (OwesAnswer(address)) {
        response_pending = address;
        NoResponse(address);
      }
      ResetReceiver(address);
    }
    while (status == 1) {
      Answered(ParseResponse(address));
      ResetReceiver(address);
      status = TrapResponse(address);
    }
    PollDevice(address);
    ethernet_outstanding[address] = {true, PanelIdentity(address)};
  }
  poll_timer.Reset(0);
}

void PollDevice(int address) {
  if (address < 0 || address >= device_count) return;
  char command[command_size] = {};
  const device_enum kind = device_type[address];
  if (kind == ocontrol_device && error_count[address] >= 3) {
    CopyField(command, Command(command_id::identify).body);
  } else if (pending_command[address][0]) {
    CopyField(command, pending_command[address]);
    pending_command[address][0] = 0;
  } else if (last_response[address] == '?') {
    CopyField(command, Command(command_id::screen).body);
  } else if (kind == twta_device) {
    AmplifierPoll(address, command);
  } else if (kind == ocontrol_device) {
    const command_id id = device_data[address].backrev ? command_id::controller_status_old
                                                       : command_id::controller_status;
    CopyField(command, Command(id).body);
  } else {
    return;  // the other kinds have no poll
  }
  SendCommand(address, command, 0);
}

void NoResponse(int address) {
  if (address < 0) address = response_pending;
  if (response_pending < 0) return;
  if (address >= 0 && address < device_count) {
    ethernet_outstanding[address].sent = false;
    if (++error_count[address] > 3) {
      error_count[address] = 3;
      ZeroDeviceData(address);
    }
    NotifyDeviceUpdated(address);
  }
  response_pending = -1;
}
