// The traffic console: every byte the link sends and receives, control bytes
// spelled out, sent and received bytes in different colours. While it is off
// the link pays one flag test per write.
#pragma once

extern int debug_console;  // 1 while the traffic console is shown

// Colour attributes, as the classic text console numbers them.
constexpr int console_sent = 0x07;      // light grey on black
constexpr int console_received = 0x70;  // black on light grey
constexpr int console_opened = 0x0F;    // bright white on black

// Switches the console on and shows its window.
void InitDebugConsole();
// Switches it off and takes its window down.
void CloseDebugConsole();

void RenderToConsole(int color, const unsigned char* data, int len);

// len bytes of data in the colour; a write of more than one byte starts on a
// new line, single bytes continue the current one; len of 0 or less counts as 1.
inline void Write2Console(int color, const void* data, int len) {
  if (!debug_console) return;
  RenderToConsole(color, static_cast<const unsigned char*>(data), len);
}
