#include <cstdio>

#include "link/wsocket.h"
#include "platform/socket.h"

namespace {

struct error_text {
  int code;
  const char* text;
};

// Would-block has an empty text: callers show a message only for a real error.
constexpr error_text error_texts[] = {
    {10004, "The (blocking) call was canceled using WSACancelBlockingCall."},
    {10013, "The requested address is a broadcast address, but the appropriate flag was not set."},
    {10014, "The namelen argument is incorrect."},
    {10022, "The socket is not already bound to an address."},
    {10024, "No more file descriptors are available."},
    {10035, ""},
    {10036, "A blocking Windows Sockets call is in progress."},
    {10037, "The descriptor is not a socket."},
    {10038, "The descriptor is not a socket."},
    {10039, "Destination address required."},
    {10040, "Datagram was too big for specified buffer, and was truncated."},
    {10041, "Specified protocol is the wrong type for this socket."},
    {10042, "Unsupported socket option."},
    {10043, "Specified protocol is unsupported."},
    {10044, "Specified socket type is not supported in this address family."},
    {10045, "Socket does not support connection-oriented service."},
    {10046, "Socket error: PFNOSUPPORT."},
    {10047, "Addresses in the specified family cannot be used with this socket."},
    {10048, "The specified address is already in use."},
    {10049, "The specified address is not available from the local computer."},
    {10050,
     "The Windows Sockets implementation has detected that the network subsystem has failed."},
    {10051, "The network can't be reached from this host at this time."},
    {10052, "The connection must be reset because the Windows Sockets implementation dropped it."},
    {10053, "The virtual circuit was aborted due to timeout or other failure."},
    {10054, "The virtual circuit was reset by the remote side."},
    {10055, "No buffer space is available. The socket cannot be connected."},
    {10056, "The socket is already connected."},
    {10057, "The socket is not connected."},
    {10058, "The socket has been shut down."},
    {10059, "Socket error: TOOMANYREFS."},
    {10060, "Attempt to connect timed out without establishing a connection."},
    {10061, "The attempt to connect was forcefully rejected."},
    {10062, "Socket error: LOOP."},
    {10063, "Socket error: NAMETOOLONG."},
    {10064, "Socket error: HOSTDOWN."},
    {10065, "Socket error: HOSTUNREACH."},
    {10066, "Socket error: NOTEMPTY."},
    {10067, "Socket error: PROCLIM."},
    {10068, "Socket error: USERS."},
    {10069, "Socket error: DQUOT."},
    {10070, "Socket error: STALE."},
    {10071, "Socket error: REMOTE."},
    {10093, "A successful WSAStartup must occur before using this function."},
    {10101, "Graceful Disconnect."},
};

char error_buffer[128];

}  // namespace

const char* SocketErrorText(int code) {
  for (const error_text& entry : error_texts) {
    if (entry.code == code) {
      std::snprintf(error_buffer, sizeof error_buffer, "%s", entry.text);
      return error_buffer;
    }
  }
  std::snprintf(error_buffer, sizeof error_buffer, "Socket error %d", code);
  return error_buffer;
}

const char* SocketError2String() {
  return SocketErrorText(platform::LastSocketError());
}
