// Feeds the journal from the polling engine: one event for every change of a
// device's state (see transitions.h), registered as a device-update listener.
#pragma once

void JournalTransitions(int address);
// Forgets what was last seen of every device: the next update of each
// compares with a device never heard from.
void ForgetDeviceTransitions();
