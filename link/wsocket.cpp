#include "link/wsocket.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "link/ethernet_path.h"
#include "link/link_settings.h"
#include "link/serial_defaults.h"
#include "platform/counter.h"
#include "platform/link_clock.h"
#include "records/device_records.h"
#include "records/operator_report.h"

class_device_sock device_sock[256];

int socket_init = 0;
std::int32_t tcpip_port = 2000;
int use_default_port = 1;
std::int32_t socket_connect_timeout = 2000;

namespace {

constexpr std::uint16_t command_port = 2000;

// Bytes are taken from the connection in chunks and handed out one by one.
// A peer that streams without pause would otherwise keep a capture loop
// reading for as long as it streams: past read_budget bytes in one
// budget_window the connection counts as empty until the window ends,
// which is far above what any device sends.
constexpr int chunk_size = 512;
constexpr int read_budget = 3000;
constexpr auto budget_window = std::chrono::milliseconds(20);

struct receive_chunk {
  unsigned char bytes[chunk_size];
  int count = 0;
  int next = 0;
  int handed_out = 0;
  std::chrono::steady_clock::time_point window_start{};
};

receive_chunk chunks[device_count];

// Slots whose connect is waiting, and the socket each waits on: the
// console's wait runs its message loop, and a connect started from there
// must not take the slot from under it.
bool connecting[device_count];
platform::SocketHandle connecting_socket[device_count];

// Starts a new window when the last one is over; false while the budget of
// this one is spent.
bool WithinBudget(receive_chunk& chunk) {
  const auto now = std::chrono::steady_clock::now();
  if (now - chunk.window_start >= budget_window) {
    chunk.window_start = now;
    chunk.handed_out = 0;
  }
  return chunk.handed_out < read_budget;
}

int BudgetWaitMs(const receive_chunk& chunk) {
  const auto left = budget_window - (std::chrono::steady_clock::now() - chunk.window_start);
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

bool Live(int device) {
  return device >= 0 && device < device_count && socket_init && device_sock[device].good &&
         device_sock[device].socket != platform::invalid_socket;
}

int ConnectionGood(int device) {
  return Live(device) ? 1 : 0;
}

void ReportLost(int device, const char* reason) {
  class_device_sock& slot = device_sock[device];
  if (!slot.good) return;
  slot.good = 0;
  char text[320];
  std::snprintf(text, sizeof text, "Lost ethernet connection to %s, reason: %s", slot.address,
                reason);
  TellOperator(text, "Notice", ReportTone::information);
}

int MsecUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void ReportSendFailure(int device, int sent, int count) {
  char reason[160];
  std::snprintf(reason, sizeof reason, "Sending a frame failed after %d of %d bytes: %s", sent,
                count, SocketError2String());
  ReportLost(device, reason);
}

// A device reads frames whole: the rest of a frame waits for room for at
// most msec ms. A connection that fails or takes no more in that time is
// given up as lost, so nothing ever follows the part that went out.
void SendOnSocket(int device, const unsigned char* bytes, int count, int msec) {
  if (!Live(device)) return;
  const platform::SocketHandle socket = device_sock[device].socket;
  msec = std::max(msec, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msec);
  int sent = 0;
  while (sent < count) {
    const int taken = platform::SendBytes(socket, bytes + sent, count - sent);
    if (taken > 0) {
      sent += taken;
      continue;
    }
    if (taken < 0 && platform::LastSocketError() != platform::socket_would_block) {
      return ReportSendFailure(device, sent, count);
    }
    const int left = MsecUntil(deadline);
    const int ready = left > 0 ? platform::WaitSocketWritable(socket, left) : 0;
    if (ready < 0) return ReportSendFailure(device, sent, count);
    if (ready == 0) {
      char reason[160];
      std::snprintf(reason, sizeof reason,
                    "Sending a frame stopped after %d of %d bytes: no room within %d ms.", sent,
                    count, msec);
      return ReportLost(device, reason);
    }
  }
}

int WaitOnSocket(int device, int msec) {
  if (!Live(device)) {
    // Nothing can arrive: the wait is the whole time, not a spin.
    if (msec > 0) platform::SleepMsec(static_cast<unsigned>(msec));
    return 0;
  }
  receive_chunk& chunk = chunks[device];
  if (!WithinBudget(chunk)) {
    const int pause = std::min(msec, BudgetWaitMs(chunk));
    if (pause > 0) platform::SleepMsec(static_cast<unsigned>(pause));
    if (!WithinBudget(chunk)) return 0;
    msec -= pause;
  }
  if (chunk.next < chunk.count) return 1;
  return platform::WaitSocketReadable(device_sock[device].socket, msec);
}

const ethernet_path socket_path{ConnectionGood, SendOnSocket, ReadSocketChar, WaitOnSocket};

bool Taken(int device) {
  return device_sock[device].good || connecting[device];
}

// The slot a new connection goes into: never slot 0, never a live one.
int ChooseSlot(int device) {
  if (device > 0 && device < device_count && !Taken(device)) return device;
  const int next = NextAvailablePollAddress();
  if (!Taken(next)) return next;
  for (int address = 1; address < device_count; ++address) {
    if (!IsOpen(address) && !Taken(address)) return address;
  }
  return -1;
}

void CloseSlot(int device) {
  class_device_sock& slot = device_sock[device];
  platform::CloseSocket(slot.socket);
  slot.socket = platform::invalid_socket;
  slot.good = 0;
  chunks[device] = receive_chunk{};
}

}  // namespace

class_device_sock::class_device_sock()
    : address{}, addressn(0), socket(platform::invalid_socket), good(0) {}

int InitSocketDriver() {
  if (socket_init) return 1;
  socket_init = 1;
  SetEthernetPath(&socket_path);
  device_sock[0].socket = platform::OpenTcpSocket();
  if (device_sock[0].socket == platform::invalid_socket) {
    TellOperator("Can't initialize Windows Sockets.", "Bad News", ReportTone::error);
    return 0;
  }
  return 1;
}

int StartSocketConnect(int device, int* result) {
  device = ChooseSlot(device);
  if (device < 0) return -1;
  class_device_sock& slot = device_sock[device];
  CloseSlot(device);
  slot.socket = platform::OpenTcpSocket();
  CopyField(slot.address, default_ipaddress);
  // Anything but a dotted address is refused here: inet_addr would turn it
  // into the broadcast address.
  platform::Ipv4 address = 0;
  const bool valid = platform::ParseIpv4(slot.address, &address);
  slot.addressn = address;
  if (slot.socket == platform::invalid_socket || !valid || !platform::SetNonBlocking(slot.socket)) {
    CloseSlot(device);
    return -1;
  }
  const std::uint16_t port =
      use_default_port ? command_port : static_cast<std::uint16_t>(tcpip_port);
  // A connect refused at once needs no wait.
  *result = platform::StartConnect(slot.socket, slot.addressn, port) ? 0 : -1;
  connecting[device] = true;
  connecting_socket[device] = slot.socket;
  return device;
}

int SocketConnectResult(int device) {
  // The exit may have closed every socket meanwhile.
  const platform::SocketHandle socket = connecting_socket[device];
  return device_sock[device].socket == socket ? platform::ConnectResult(socket) : -1;
}

void FinishSocketConnect(int device, bool keep) {
  connecting[device] = false;
  if (!keep) return CloseSlot(device);
  platform::SetNoDelay(device_sock[device].socket);
  device_sock[device].good = 1;
}

int StartDeviceSocket(int device, const char* host, std::uint16_t port, std::string* error) {
  if (device <= 0 || device >= device_count) {
    *error = "no connection slot for poll address " + std::to_string(device);
    return -1;
  }
  // Installs the Ethernet path of framing and capture; it shows nothing
  // unless the sockets cannot be made at all.
  if (!socket_init) {
    socket_init = 1;
    SetEthernetPath(&socket_path);
  }
  class_device_sock& slot = device_sock[device];
  CloseSlot(device);
  CopyField(slot.address, host);
  platform::Ipv4 address = 0;
  if (!platform::ParseIpv4(host, &address)) {
    *error = "not a dotted IPv4 address";
    return -1;
  }
  slot.addressn = address;
  slot.socket = platform::OpenTcpSocket();
  if (slot.socket == platform::invalid_socket || !platform::SetNonBlocking(slot.socket) ||
      !platform::StartConnect(slot.socket, address, port)) {
    *error = SocketError2String();
    CloseSlot(device);
    return -1;
  }
  connecting[device] = true;
  connecting_socket[device] = slot.socket;
  const int result = SocketConnectResult(device);
  if (result != 0) {
    if (result < 0) *error = SocketError2String();
    FinishSocketConnect(device, result == 1);
  }
  return result;
}

bool ConnectDeviceSocket(int device, const char* host, std::uint16_t port, std::string* error) {
  int result = StartDeviceSocket(device, host, port, error);
  if (result == 0) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(socket_connect_timeout);
    for (int left = socket_connect_timeout; result == 0 && left > 0; left = MsecUntil(deadline)) {
      result = platform::WaitSocketWritable(device_sock[device].socket, left) < 0
                   ? -1
                   : SocketConnectResult(device);
    }
    if (result < 0) *error = SocketError2String();
    if (result == 0) *error = "no answer within " + std::to_string(socket_connect_timeout) + " ms";
    FinishSocketConnect(device, result == 1);
  }
  if (result != 1)
    *error = "connecting to " + std::string(host) + ":" + std::to_string(port) + ": " + *error;
  return result == 1;
}

int ReadSocketChar(unsigned char* ch, int device) {
  if (!Live(device)) return 0;
  receive_chunk& chunk = chunks[device];
  if (!WithinBudget(chunk)) return 0;
  if (chunk.next == chunk.count) {
    if (SocketDied(device)) return 0;
    const int count = platform::Receive(device_sock[device].socket, chunk.bytes, chunk_size);
    if (count <= 0) {
      if (count == 0 || platform::LastSocketError() != platform::socket_would_block) {
        ShowSocketDied(device);
      }
      return 0;
    }
    chunk.count = count;
    chunk.next = 0;
  }
  *ch = chunk.bytes[chunk.next++];
  ++chunk.handed_out;
  return 1;
}

void CloseDeviceSocket(int device) {
  if (device < 0 || device >= device_count) return;
  CloseSlot(device);
}

void CleanupSocketComm() {
  if (!socket_init) return;
  for (int device = 0; device < device_count; ++device) CloseSlot(device);
  SetEthernetPath(nullptr);
  socket_init = 0;
}

int SocketDied(int device) {
  if (device < 0 || device >= device_count ||
      device_sock[device].socket == platform::invalid_socket) {
    return 0;
  }
  if (!platform::HasException(device_sock[device].socket)) return 0;
  ShowSocketDied(device);
  return 1;
}

void ShowSocketDied(int device) {
  if (device < 0 || device >= device_count) return;
  ReportLost(device, SocketError2String());
}
