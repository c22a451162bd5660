// Finding devices on the network: one UDP request to the discovery port, and
// the replies, each naming its sender by its source address.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct UDP_DBG_HEADER {
  std::uint8_t cmd;  // 1 = discovery request
  std::uint8_t status;
  std::uint16_t length;  // 0 in the request
  std::uint32_t address;
  char data[256];  // in a reply: the device's description
};
#pragma pack(pop)
static_assert(sizeof(UDP_DBG_HEADER) == 264);

constexpr int discovery_request_size = 8;
constexpr int discovery_port = 2000;
constexpr int discovery_wait_ms = 500;

// What the next Ethernet connection is for; openers other than the default
// set it first and put it back when they end.
enum ethernet_action_enum {
  ETHERNET_DEFAULT = 0,
  ETHERNET_DOWNLOAD = 1,
  ETHERNET_GETMODEL = 2,
  ETHERNET_SENDMODEL = 3,
  ETHERNET_EDITMODEL = 4,
};
extern ethernet_action_enum ethernet_action;

// The one datagram buffer for both directions.
extern UDP_DBG_HEADER udp_info;

// Where requests go: 255.255.255.255 port 2000 unless the environment variable
// CORVANE_DISCOVERY_ADDRESS names "A.B.C.D" or "A.B.C.D:PORT". Addresses are
// in network order, ports in host order. 0 when the variable is set but is
// not such an address: then nothing must be sent at all.
int DiscoveryDestination(std::uint32_t* address, int* port);
// The override as set, "" without one.
const char* DiscoveryOverrideText();

// One search's socket. Every call on a closed search does nothing.
// 1 when a non-blocking broadcast-capable UDP socket is open.
int OpenDiscoverySocket();
// Sends the request from udp_info (cmd 1, length 0) to the destination; 0 on
// failure (the reason in LastSocketError), -1 when the override is unusable.
int SendDiscoveryRequest();
// Waits for the next reply until deadline_ms of the search's 500 ms have
// passed since the request, never spinning. Returns the datagram's length
// (bytes beyond the buffer are dropped) with its bytes in udp_info and its
// source address (network order) in source; 0 when nothing more came in time
// or an empty datagram came; -1 on a receive failure (LastSocketError).
int ReadDiscoveryReply(std::uint32_t* source);
void CloseDiscoverySocket();

// The description a reply of length bytes carries, ending at its first zero
// byte or at the end of what arrived, whichever comes first.
int ReplyDescriptionLength(int length);
