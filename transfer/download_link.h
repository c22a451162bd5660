// What the firmware download needs of the link: the exchanges, the answer's
// fields, the local port's rate and short pauses. Tests put a fake in place.
#pragma once

#include <cstdint>

class DownloadLink {
 public:
  virtual ~DownloadLink() = default;
  // The serial line is in use: the download changes its rate around the chunks.
  virtual bool Serial() = 0;
  // Sends the body to the device and waits up to timeout ms per try for a
  // valid answer; length 0: up to the terminating zero.
  virtual bool Command(int device, const char* body, int length, int timeout, int tries) = 0;
  // The byte of the last answer at its place in a Tessary answer frame, or -1.
  virtual int ReplyByte(int device, int tessary_offset) = 0;
  // The device can still be reached (a TCP connection still stands).
  virtual bool Connected(int device) = 0;
  // Reconfigures the open local port (the link settings' parity and stop codes).
  virtual bool SetLine(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
                       std::uint8_t stop) = 0;
  // Reopens the local port at the console's own settings.
  virtual bool Reopen() = 0;
  virtual void Pause(int msec) = 0;
};

// The console's link, unless a test has put its own in place.
DownloadLink& CurrentDownloadLink();
// nullptr puts the console's link back.
void UseDownloadLink(DownloadLink* link);
