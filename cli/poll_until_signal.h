// The polling tick on the event loop until the operator stops the program,
// for the subcommands that serve devices until then (watch, gateway).
#pragma once

#include "records/device_records.h"

// Polls the watched devices every interval_ms (0: the settings' interval),
// learning their kinds from their answers and telling hook of every record
// updated, until SIGINT or SIGTERM. false when
// the signals could not be watched (reported; nothing was polled).
bool PollUntilSignal(int interval_ms, DeviceUpdateListener hook);
