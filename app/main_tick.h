// The console's tick: the GUI's main timer and the loop of a program without
// windows both drive it.
#pragma once

constexpr int main_tick_ms = 56;

// What every tick does: a polling step, then the logs.
void MainTick();
