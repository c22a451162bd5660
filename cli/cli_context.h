// What every corvane-cli subcommand shares: how it reaches the devices, how
// it names them, its exit codes and the event loop it runs on.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "records/device_records.h"

namespace CLI {
class App;
}
namespace platform {
class EventLoop;
}

enum cli_exit : int {
  exit_done = 0,
  exit_device = 1,  // a device did not answer or refused
  exit_usage = 2,
  exit_link = 3,  // the link could not be opened
};

// The link: by default from sdefault.txt and defaults.txt of the working
// directory; each option given overrides.
struct LinkOptions {
  std::string port;    // --port PATH
  long baud = 0;       // --baud N; 0: as the settings say
  std::string format;  // --format 8N1; empty: as the settings say
  bool quillon = false;
  // --host A.B.C.D[:PORT] for every device, --host ADDR=A.B.C.D[:PORT] for
  // one (each device has its own connection): Ethernet.
  std::vector<std::string> hosts;
};

void AddLinkOptions(CLI::App* command, LinkOptions* options);
// Opens the link; false with a message naming the port or host and what was
// tried.
bool OpenLink(const LinkOptions& options, std::string* error);
void CloseLink();
// Makes a device of this kind reachable and polled, its record starting
// afresh: over Ethernet its own connection to the host (false with a message
// naming host and port), then watched.
bool AttachDevice(int address, device_enum kind, std::string* error);
// Over Ethernet, where a device is reached; false when no host was named for
// it.
bool DeviceEndpoint(int address, std::string* host, std::uint16_t* port);
// The port, or the device's host:port, the link goes to, for messages;
// without an address every host named.
std::string LinkName(int address = -1);

// A poll address as the operator writes it: one character ("A" is 0x41) or
// two hexadecimal digits ("07").
bool ParseAddress(const std::string& text, int* address);
// The poll addresses of words, in order; false, the message given, when one
// is not an address.
bool ReadAddresses(const std::vector<std::string>& words, std::vector<int>* addresses);

// --controller ADDR: the device at ADDR is an outdoor controller (repeated,
// or ADDR,ADDR...); the others are taken for amplifiers until their answers
// tell otherwise.
void AddControllerOption(CLI::App* command, std::vector<std::string>* controllers);
// The controllers named, also added to addresses when not there yet; false
// as ReadAddresses.
bool ReadControllers(const std::vector<std::string>& words, std::vector<int>* addresses,
                     std::set<int>* controllers);

platform::EventLoop& Loop();

// A message for the operator on stderr, after the program's name.
void Report(const std::string& text);
