#include "modelcfg/cfg_upload.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "link/wsocket.h"
#include "platform/socket.h"

std::int32_t upload_port = 2003;

namespace {

constexpr const char* cfg_name = "Model.cfg";
constexpr std::size_t upload_piece = 500;
// A device that takes no byte of the upload for this long is given up.
constexpr int stall_limit_ms = 5000;

std::string Decimal(long long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::string(digits, end);
}

// Sends all count bytes unless the connection fails or takes nothing for
// stall_limit_ms; returns how many went out and, short of all, why not.
std::size_t SendWhole(platform::SocketHandle socket, const char* bytes, std::size_t count,
                      std::string& reason) {
  std::size_t sent = 0;
  while (sent < count) {
    const int taken =
        platform::SendBytes(socket, reinterpret_cast<const unsigned char*>(bytes + sent),
                            static_cast<int>(count - sent));
    if (taken > 0) {
      sent += static_cast<std::size_t>(taken);
      continue;
    }
    if (taken < 0 && platform::LastSocketError() != platform::socket_would_block) {
      reason = SocketError2String();
      return sent;
    }
    const int ready = platform::WaitSocketWritable(socket, stall_limit_ms);
    if (ready < 0) {
      reason = SocketError2String();
      return sent;
    }
    if (ready == 0) {
      reason = "the device took nothing for " + Decimal(stall_limit_ms) + " ms";
      return sent;
    }
  }
  return sent;
}

// Takes up whatever the device said on the upload connection first: closing
// with unread bytes would reset the connection and lose the file's tail.
void CloseUploadConnection(int slot) {
  unsigned char discard[256];
  while (platform::Receive(device_sock[slot].socket, discard, sizeof discard) > 0) {
  }
  CloseDeviceSocket(slot);
}

}  // namespace

std::string EndpointText(const char* host, long port) {
  return std::string(host) + " port " + Decimal(port);
}

std::string SendUpload(int slot, const std::string& content, const std::string& where) {
  const platform::SocketHandle socket = device_sock[slot].socket;
  const std::string header =
      "2002," + Decimal(static_cast<long long>(content.size() + std::strlen(cfg_name) + 1)) + ":" +
      cfg_name + ">";
  const std::size_t total = header.size() + content.size() + 2;
  std::size_t done = 0;
  std::string reason;
  auto send = [&](const char* bytes, std::size_t count) {
    const std::size_t sent = SendWhole(socket, bytes, count, reason);
    done += sent;
    return sent == count;
  };
  bool whole = send(header.data(), header.size());
  for (std::size_t at = 0; whole && at < content.size(); at += upload_piece)
    whole = send(content.data() + at, std::min(upload_piece, content.size() - at));
  if (whole) whole = send("\r\n", 2);
  CloseUploadConnection(slot);
  if (whole) return {};
  return "Sending " + std::string(cfg_name) + " to " + where + " stopped after " + Decimal(done) +
         " of " + Decimal(total) + " bytes: " + reason;
}
