// Entry points of the polling engine, called from the main tick.
#pragma once

// One polling step on the shared serial bus.
void PollSequence();
// One polling step for every device on its own TCP connection.
void PollEthernet();
