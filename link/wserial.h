// The local serial port: its rate table, opening and reconfiguring it from the
// link settings, raw sending and one-byte receiving. Timing lives in
// platform/link_clock.h.
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

struct baud_struct {
  std::int32_t baud;
  const char* string;
};

constexpr int baud_table_size = 8;
extern baud_struct baud_table[baud_table_size];

extern platform::PortHandle serial_device;  // platform::no_port while closed
// Non-zero while the remote console transfer's sequence timer runs (set by
// that transfer); the port then keeps RTS asserted instead of toggling it.
extern unsigned xmodem_timer;

void InitBaudTable();
// Opens and configures the port from the link settings, closing an earlier
// handle first. 0 with Ethernet in use (nothing opened) or on any failure,
// which leaves the port closed.
int InitSerial();
// Reconfigures the open port: rate, parity code, data bits, stop-bit code
// (the link settings' codes). Parity checking is switched on.
int SetupSerial(std::int32_t baud, std::uint8_t parity, std::uint8_t data, std::uint8_t stop);
// Why the last InitSerial or SetupSerial failed, naming the port and the
// setting ("/dev/ttyUSB0: the driver refused 14400 baud"); empty after success.
const char* SerialErrorText();
void CloseSerial();
int SerialPortIsOpen();

// Writes count bytes to the port and the byte tap; nothing else. false when
// they could not be sent within their time limit.
bool SerialWriteBytes(const unsigned char* bytes, int count);
// Returns when the bytes written have left the port; false when they did not
// within their time limit.
bool SerialFlush();
// Restarts the shared link timer, as every transmission does.
void RestartLinkTimer();

// Writes count bytes (negative: up to the terminating zero), shows them on the
// traffic console, waits until they have left the port and restarts the link
// timer. false when the bytes could not be sent, for callers that wait for an
// answer; polling ignores it (a lost device shows as missing answers).
bool SerialSendRaw(const char* string, int count);
// One byte, shown on the traffic console, not waited for; restarts the link timer.
void SerialSendChar(unsigned char ch);
// 1 and the next byte that has arrived, or 0 at once when there is none.
int ReadSerialChar(unsigned char* ch);
// 1 as soon as a byte can be read, 0 after msec milliseconds without one.
int SerialWaitReadable(int msec);
