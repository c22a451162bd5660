// The polling engine: on the main tick, paced by poll_timer, every open
// device is sent a poll, its answer is decoded into its record, and missed
// answers are counted until the device is shown as out of contact.
#pragma once

// One step on the shared serial bus; status is TrapResponse(0) of this tick.
// Consumes the answers waiting, or charges a miss, then polls the next open
// address after the one asked last.
void PollSequence(int status);
// One step for every open device, each on its own connection and buffer.
void PollEthernet();
// Sends the address its next command: identification, a queued key, the
// screen request or a status poll.
void PollDevice(int address);
// Charges a missed answer; a negative address stands for response_pending.
// The fourth miss in a row resets the record.
void NoResponse(int address);
