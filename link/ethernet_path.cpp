#include "link/ethernet_path.h"

#include "platform/counter.h"

namespace {
const ethernet_path* installed = nullptr;
}

void SetEthernetPath(const ethernet_path* path) { installed = path; }

int EthernetConnectionGood(int device) {
  return installed ? installed->connection_good(device) : 0;
}

void EthernetSend(int device, const unsigned char* bytes, int count, int msec) {
  if (installed) installed->send(device, bytes, count, msec);
}

int EthernetReadChar(unsigned char* ch, int device) {
  return installed ? installed->read_char(ch, device) : 0;
}

int EthernetWaitReadable(int device, int msec) {
  if (installed) return installed->wait_readable(device, msec);
  // Nothing can arrive: the wait is the whole time, not a spin.
  if (msec > 0) platform::SleepMsec(static_cast<unsigned>(msec));
  return 0;
}
