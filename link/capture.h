// Capturing a device's answer byte by byte, deciding when it is complete and
// whether it is valid. Over the serial port all devices share buffer 0; over
// Ethernet each address has its own.
#pragma once

#include <cstdint>

constexpr int response_buffer_size = 3000;

#pragma pack(push, 1)
struct protocol_struct {
  unsigned char response_buf[response_buffer_size];  // the frame's first byte at 0
  std::int32_t receive_count;
  std::int32_t got_start;      // Tessary: a start byte came since the last reset
  std::int32_t response_done;  // Tessary: 0 collecting, 1 ETX seen, 2 finished
};
#pragma pack(pop)

extern protocol_struct protocol_state[256];

// The buffer a device's answers land in.
protocol_struct& ProtocolBuffer(int device);

// Empties the device's buffer for a new answer (its bytes stay).
void ResetReceiver(int device);
// 1 when the last stored byte is not the XOR of the bytes before it.
int CheckSumError(int device);
// Takes what has arrived; 1 while a complete, valid answer is in the buffer.
// Never waits. Hands over to QuillonTrapResponse in the Quillon family.
int TrapResponse(int device);
int QuillonTrapResponse(int device);
// 1 once the device's capture can no longer change until ResetReceiver:
// waiting longer for it is pointless.
int CaptureFinished(int device);
// Appends raw bytes without framing; returns how many came in this call.
int ReadSerial(int device);
