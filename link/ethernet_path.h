// The Ethernet side of framing and capture: the TCP transport installs its
// operations here. Until it does, no device is connected: nothing is sent and
// nothing arrives.
#pragma once

struct ethernet_path {
  int (*connection_good)(int device);  // 1 while the device's connection is usable
  // The whole frame within msec ms, or the connection is given up as lost.
  void (*send)(int device, const unsigned char* bytes, int count, int msec);
  int (*read_char)(unsigned char* ch, int device);  // 1 and a byte, or 0 at once
  int (*wait_readable)(int device, int msec);       // 1 once a byte can be read
};

// nullptr takes the transport out again.
void SetEthernetPath(const ethernet_path* path);

int EthernetConnectionGood(int device);
void EthernetSend(int device, const unsigned char* bytes, int count, int msec);
int EthernetReadChar(unsigned char* ch, int device);
int EthernetWaitReadable(int device, int msec);
