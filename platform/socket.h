// TCP and UDP sockets, thin: every call answers at once (or within the time
// limit it is given) and failures leave their code for LastSocketError.
// Codes are numbered as Winsock numbers them (10035 would block, 10054 reset,
// ...), whatever the platform's own numbers are, so that one table explains them.
#pragma once

#include <cstdint>

namespace platform {

using SocketHandle = int;
constexpr SocketHandle invalid_socket = -1;

// Winsock numbers of the codes the callers tell apart.
enum : int {
  socket_would_block = 10035,
  socket_connection_reset = 10054,
  socket_disconnected = 10101,  // the peer closed the connection in order
};

// An IPv4 address in network byte order, as inet_addr gives it.
using Ipv4 = std::uint32_t;
// Dotted decimal "A.B.C.D" only; false for anything else (names, "1.2.3").
bool ParseIpv4(const char* text, Ipv4* address);

// The code of the last failing call; 0 when none failed yet.
int LastSocketError();
// The platform's own code in Winsock numbering; a code without a Winsock
// counterpart stays as it is.
int WinsockCode(int platform_code);

// TCP.
SocketHandle OpenTcpSocket();
void CloseSocket(SocketHandle socket);
// Non-blocking mode; connects then only start.
bool SetNonBlocking(SocketHandle socket);
bool SetNoDelay(SocketHandle socket);
// Starts (non-blocking) or makes the connection; false when it failed at once
// (still in progress is not a failure).
bool StartConnect(SocketHandle socket, Ipv4 address, std::uint16_t port);
// 1 connected, -1 failed (the reason in LastSocketError), 0 still connecting.
int ConnectResult(SocketHandle socket);
// 1 when a byte can be read (or the peer has gone) within msec ms, else 0.
int WaitSocketReadable(SocketHandle socket, int msec);
// 1 when the connection has an error or urgent data pending now, else 0.
int HasException(SocketHandle socket);
// recv: the count, 0 when the peer closed (LastSocketError then says
// socket_disconnected), -1 on an error (socket_would_block when nothing waits).
int Receive(SocketHandle socket, unsigned char* bytes, int size);
// send without waiting and without a signal for a dead peer: the count
// taken, or -1 on an error.
int SendBytes(SocketHandle socket, const unsigned char* bytes, int count);
// 1 once a send would take bytes (or fail at once) within msec ms, 0 when
// not in time, -1 when the wait itself failed.
int WaitSocketWritable(SocketHandle socket, int msec);

// UDP.
SocketHandle OpenUdpSocket();
bool SetBroadcast(SocketHandle socket);
// Binds to address:port (0 for any); false on an error.
bool BindSocket(SocketHandle socket, Ipv4 address, std::uint16_t port);
// The port a socket is bound to (host order), 0 on an error.
std::uint16_t LocalPort(SocketHandle socket);
int SendTo(SocketHandle socket, const unsigned char* bytes, int count, Ipv4 address,
           std::uint16_t port);
// Waits at most msec ms for one datagram: its size (cut to size), 0 when none
// came in time, -1 on an error; from/from_port may be null.
int ReceiveFrom(SocketHandle socket, unsigned char* bytes, int size, int msec, Ipv4* from,
                std::uint16_t* from_port);

}  // namespace platform
