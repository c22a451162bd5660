// Blocking exchanges: send a command and wait for its answer, with retries.
#pragma once

#include <cstdint>

// Failed tries inside DoCommand, for the firmware download's display.
extern std::int32_t retries;

// Sends the command and waits up to timeout ms per try for a valid answer;
// tries below 1 count as 1. Over TCP the frame itself also has timeout ms to
// go out whole. 1 on an answer (left in the device's capture
// buffer), 0 when every try failed. The wait sleeps in the port, never spins.
int DoCommand(int device, const char* command, int command_length, int timeout, int tries);
// DoCommand with polling switched off meanwhile, after taking up an answer to
// a poll that may still be on its way.
int LoneCommand(int device, const char* command, int command_length, int timeout, int tries);
