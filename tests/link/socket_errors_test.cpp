// Socket error explanations: the platform's codes reach the texts by their
// meaning, so a Linux errno explains itself as its Winsock twin does.
#include <errno.h>
#include <gtest/gtest.h>

#include <string>

#include "link/wsocket.h"
#include "platform/socket.h"

namespace {

struct Row {
  int platform_code;
  int winsock_code;
  const char* text;
};

const Row rows[] = {
    {EINTR, 10004, "The (blocking) call was canceled using WSACancelBlockingCall."},
    {EACCES, 10013,
     "The requested address is a broadcast address, but the appropriate flag was not set."},
    {EFAULT, 10014, "The namelen argument is incorrect."},
    {EINVAL, 10022, "The socket is not already bound to an address."},
    {EMFILE, 10024, "No more file descriptors are available."},
    {EWOULDBLOCK, 10035, ""},
    {EINPROGRESS, 10036, "A blocking Windows Sockets call is in progress."},
    {EALREADY, 10037, "The descriptor is not a socket."},
    {ENOTSOCK, 10038, "The descriptor is not a socket."},
    {EDESTADDRREQ, 10039, "Destination address required."},
    {EMSGSIZE, 10040, "Datagram was too big for specified buffer, and was truncated."},
    {EPROTOTYPE, 10041, "Specified protocol is the wrong type for this socket."},
    {ENOPROTOOPT, 10042, "Unsupported socket option."},
    {EPROTONOSUPPORT, 10043, "Specified protocol is unsupported."},
    {ESOCKTNOSUPPORT, 10044, "Specified socket type is not supported in this address family."},
    {EOPNOTSUPP, 10045, "Socket does not support connection-oriented service."},
    {EPFNOSUPPORT, 10046, "Socket error: PFNOSUPPORT."},
    {EAFNOSUPPORT, 10047, "Addresses in the specified family cannot be used with this socket."},
    {EADDRINUSE, 10048, "The specified address is already in use."},
    {EADDRNOTAVAIL, 10049, "The specified address is not available from the local computer."},
    {ENETDOWN, 10050,
     "The Windows Sockets implementation has detected that the network subsystem has failed."},
    {ENETUNREACH, 10051, "The network can't be reached from this host at this time."},
    {ENETRESET, 10052,
     "The connection must be reset because the Windows Sockets implementation dropped it."},
    {ECONNABORTED, 10053, "The virtual circuit was aborted due to timeout or other failure."},
    {ECONNRESET, 10054, "The virtual circuit was reset by the remote side."},
    {ENOBUFS, 10055, "No buffer space is available. The socket cannot be connected."},
    {EISCONN, 10056, "The socket is already connected."},
    {ENOTCONN, 10057, "The socket is not connected."},
    {ESHUTDOWN, 10058, "The socket has been shut down."},
    {EPIPE, 10058, "The socket has been shut down."},
    {ETOOMANYREFS, 10059, "Socket error: TOOMANYREFS."},
    {ETIMEDOUT, 10060, "Attempt to connect timed out without establishing a connection."},
    {ECONNREFUSED, 10061, "The attempt to connect was forcefully rejected."},
    {ELOOP, 10062, "Socket error: LOOP."},
    {ENAMETOOLONG, 10063, "Socket error: NAMETOOLONG."},
    {EHOSTDOWN, 10064, "Socket error: HOSTDOWN."},
    {EHOSTUNREACH, 10065, "Socket error: HOSTUNREACH."},
    {ENOTEMPTY, 10066, "Socket error: NOTEMPTY."},
    {EUSERS, 10068, "Socket error: USERS."},
    {EDQUOT, 10069, "Socket error: DQUOT."},
    {ESTALE, 10070, "Socket error: STALE."},
    {EREMOTE, 10071, "Socket error: REMOTE."},
};

}  // namespace

TEST(SocketErrors, PlatformCodesExplainThemselvesByTheirWinsockMeaning) {
  for (const Row& row : rows) {
    EXPECT_EQ(platform::WinsockCode(row.platform_code), row.winsock_code) << row.platform_code;
    EXPECT_EQ(std::string(SocketErrorText(row.winsock_code)), row.text) << row.winsock_code;
  }
}

TEST(SocketErrors, CodesWithoutAPlatformTwinStillHaveTheirTexts) {
  EXPECT_STREQ(SocketErrorText(10067), "Socket error: PROCLIM.");
  EXPECT_STREQ(SocketErrorText(10093),
               "A successful WSAStartup must occur before using this function.");
  EXPECT_STREQ(SocketErrorText(10101), "Graceful Disconnect.");
}

TEST(SocketErrors, AnyOtherCodeIsShownAsItsNumber) {
  EXPECT_STREQ(SocketErrorText(10034), "Socket error 10034");
  EXPECT_STREQ(SocketErrorText(0), "Socket error 0");
  EXPECT_STREQ(SocketErrorText(-7), "Socket error -7");
}

TEST(SocketErrors, OnlyDottedIpv4IsAnAddress) {
  platform::Ipv4 address = 0;
  ASSERT_TRUE(platform::ParseIpv4("127.0.0.10", &address));
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
  EXPECT_EQ(bytes[0], 127);
  EXPECT_EQ(bytes[3], 10);
  for (const char* text : {"", "localhost", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4 ",
                           " 1.2.3.4", "+1.2.3.4", "1.2.3.-4", "1..2.3"}) {
    EXPECT_FALSE(platform::ParseIpv4(text, &address)) << '"' << text << '"';
  }
}
