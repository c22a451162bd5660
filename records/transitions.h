// The changes of a device's state worth an event, found by comparing what a
// polling step left in the record with what the step before had left. The
// console's journal and the gateway's events come from the same detector.
#pragma once

#include <string>
#include <vector>

#include "records/device_records.h"

// The states whose changes are events. Lamps are only known while the device
// answers: they are compared with the last values seen in contact.
struct device_flags {
  bool contact = false;
  bool hv_on = false;
  bool alarm = false;
  bool fault = false;
  bool standby = false;
  bool remote = false;
};

// The flags after a polling step; out of contact, the lamps stay as last seen.
device_flags FlagsOf(const device_struct& record, bool contact, const device_flags& before);
// The same for an address: in contact while fewer than three polls in a row went unanswered.
device_flags FlagsOfDevice(int address, const device_flags& before);

// "fault_raised", "contact_lost", "hv_on", "standby_on", "remote"... for every
// change from before to after, in a fixed order. Losing contact reports only
// that: a silent device's lamps are unknown, not cleared.
std::vector<std::string> Transitions(const device_flags& before, const device_flags& after);

// What a transition means to people ("Fault raised"), and whether it asks
// for the operator's acknowledgement (a fault or alarm raised, contact lost).
std::string TransitionText(const std::string& kind);
bool TransitionIsAlert(const std::string& kind);
