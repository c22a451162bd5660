// Devices served until the operator stops the program (watch, gateway) stay
// connected over TCP: one that hangs up, or cannot be reached at the start,
// is shown out of contact and connected again in the background, the waits
// growing from 1 s, doubled after each failure, to 30 s. The polling of the
// others goes on meanwhile; contact comes back when the device answers.
#pragma once

#include <map>
#include <string>

#include "records/device_records.h"

namespace platform {
class EventLoop;
}

class kept_connections {
 public:
  explicit kept_connections(platform::EventLoop& loop);
  ~kept_connections();
  kept_connections(const kept_connections&) = delete;
  kept_connections& operator=(const kept_connections&) = delete;

  // As AttachDevice; over TCP a device that cannot be reached now is
  // reported and watched anyway. False only when it cannot be attached at
  // all (no host named, a serial link that failed).
  bool Attach(int address, device_enum kind, std::string* error);
  // After every update of a record: a lost connection is noticed here.
  void Updated(int address);

 private:
  struct kept {
    int delay_ms;
    bool lost = false;  // waiting for the next try, or connecting
    int timer = -1;
    int watch = -1;
  };

  void Lose(int address);
  void Schedule(int address);
  void Connect(int address);
  void Finish(int address);
  void Failed(int address, const std::string& text);
  void Adopt(int address);
  void Abandon(kept& device);

  platform::EventLoop& loop_;
  std::map<int, kept> devices_;
};
