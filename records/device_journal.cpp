#include "records/device_journal.h"

#include "records/event_journal.h"
#include "records/transitions.h"

namespace {

device_flags last_seen[device_count];

}  // namespace

void JournalTransitions(int address) {
  if (address < 0 || address >= device_count) return;
  const device_flags flags = FlagsOfDevice(address, last_seen[address]);
  const std::vector<std::string> kinds = Transitions(last_seen[address], flags);
  // Stored first: a listener that reads the flags back sees them current.
  last_seen[address] = flags;
  for (const std::string& kind : kinds)
    JournalAdd(address, kind, TransitionText(kind), TransitionIsAlert(kind));
}

void ForgetDeviceTransitions() {
  for (device_flags& flags : last_seen) flags = {};
}
