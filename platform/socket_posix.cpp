#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "platform/socket.h"

namespace platform {
namespace {

int last_error = 0;

int Fail(int platform_code) {
  last_error = WinsockCode(platform_code);
  return -1;
}

sockaddr_in Endpoint(Ipv4 address, std::uint16_t port) {
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_addr.s_addr = address;
  endpoint.sin_port = htons(port);
  return endpoint;
}

// poll on one socket; the events seen, 0 on time-out, -1 on an error.
int PollOne(SocketHandle socket, short events, int msec) {
  if (socket == invalid_socket) return Fail(EBADF);
  pollfd entry{socket, events, 0};
  int result;
  do {
    result = poll(&entry, 1, msec < 0 ? 0 : msec);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return Fail(errno);
  return result == 0 ? 0 : entry.revents;
}

// Takes the connection's pending error; 0 when there is none.
int PendingError(SocketHandle socket) {
  int code = 0;
  socklen_t length = sizeof code;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &code, &length) != 0) return errno;
  return code;
}

}  // namespace

bool ParseIpv4(const char* text, Ipv4* address) {
  unsigned parts[4];
  char tail;
  if (std::sscanf(text, "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) {
    return false;
  }
  // sscanf also takes signs and spaces: only digits and dots are an address.
  for (const char* c = text; *c; ++c) {
    if ((*c < '0' || *c > '9') && *c != '.') return false;
  }
  std::uint32_t host = 0;
  for (unsigned part : parts) {
    if (part > 255) return false;
    host = host << 8 | part;
  }
  *address = htonl(host);
  return true;
}

int LastSocketError() {
  return last_error;
}

int WinsockCode(int platform_code) {
  switch (platform_code) {
    case EINTR:
      return 10004;
    case EACCES:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
      return 10024;
    case EWOULDBLOCK:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EBADF:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return 10054;
    case EPIPE:
      return 10058;  // writing after the connection was shut down
    case ENOBUFS:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    case ENOTEMPTY:
      return 10066;
    case EUSERS:
      return 10068;
    case EDQUOT:
      return 10069;
    case ESTALE:
      return 10070;
    case EREMOTE:
      return 10071;
    default:
      return platform_code;
  }
}

SocketHandle OpenTcpSocket() {
  const int socket_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket_fd < 0) Fail(errno);
  return socket_fd < 0 ? invalid_socket : socket_fd;
}

void CloseSocket(SocketHandle socket) {
  if (socket != invalid_socket) close(socket);
}

bool SetNonBlocking(SocketHandle socket) {
  const int flags = fcntl(socket, F_GETFL);
  if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(errno), false;
  return true;
}

bool SetNoDelay(SocketHandle socket) {
  const int on = 1;
  if (setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) return Fail(errno), false;
  return true;
}

bool StartConnect(SocketHandle socket, Ipv4 address, std::uint16_t port) {
  const sockaddr_in endpoint = Endpoint(address, port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) == 0)
    return true;
  if (errno == EINPROGRESS) return true;
  return Fail(errno), false;
}

int ConnectResult(SocketHandle socket) {
  const int events = PollOne(socket, POLLOUT, 0);
  if (events < 0) return -1;
  if (events == 0) return 0;
  // Writable also means the attempt failed; the pending error tells which.
  const int code = PendingError(socket);
  if (code != 0) return Fail(code);
  return (events & (POLLERR | POLLHUP)) ? Fail(ECONNREFUSED) : 1;
}

int WaitSocketReadable(SocketHandle socket, int msec) {
  const int events = PollOne(socket, POLLIN, msec);
  return events > 0 ? 1 : 0;
}

int HasException(SocketHandle socket) {
  const int events = PollOne(socket, POLLPRI, 0);
  if (events <= 0) return 0;
  if (events & POLLERR) {
    Fail(PendingError(socket));
    return 1;
  }
  return (events & POLLPRI) ? 1 : 0;
}

int Receive(SocketHandle socket, unsigned char* bytes, int size) {
  const ssize_t count = recv(socket, bytes, static_cast<size_t>(size), MSG_DONTWAIT);
  if (count < 0) return Fail(errno);
  if (count == 0) last_error = socket_disconnected;
  return static_cast<int>(count);
}

int SendBytes(SocketHandle socket, const unsigned char* bytes, int count) {
  const ssize_t sent = send(socket, bytes, static_cast<size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
  return sent < 0 ? Fail(errno) : static_cast<int>(sent);
}

int WaitSocketWritable(SocketHandle socket, int msec) {
  const int events = PollOne(socket, POLLOUT, msec);
  return events > 0 ? 1 : events;
}

SocketHandle OpenUdpSocket() {
  const int socket_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_fd < 0) Fail(errno);
  return socket_fd < 0 ? invalid_socket : socket_fd;
}

bool SetBroadcast(SocketHandle socket) {
  const int on = 1;
  if (setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) return Fail(errno), false;
  return true;
}

bool BindSocket(SocketHandle socket, Ipv4 address, std::uint16_t port) {
  const sockaddr_in endpoint = Endpoint(address, port);
  if (bind(socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint) != 0) {
    return Fail(errno), false;
  }
  return true;
}

std::uint16_t LocalPort(SocketHandle socket) {
  sockaddr_in endpoint{};
  socklen_t length = sizeof endpoint;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&endpoint), &length) != 0) {
    return Fail(errno), 0;
  }
  return ntohs(endpoint.sin_port);
}

int SendTo(SocketHandle socket, const unsigned char* bytes, int count, Ipv4 address,
           std::uint16_t port) {
  const sockaddr_in endpoint = Endpoint(address, port);
  const ssize_t sent =
      sendto(socket, bytes, static_cast<size_t>(count), MSG_DONTWAIT | MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint);
  return sent < 0 ? Fail(errno) : static_cast<int>(sent);
}

int ReceiveFrom(SocketHandle socket, unsigned char* bytes, int size, int msec, Ipv4* from,
                std::uint16_t* from_port) {
  const int events = PollOne(socket, POLLIN, msec);
  if (events <= 0) return events;
  sockaddr_in endpoint{};
  socklen_t length = sizeof endpoint;
  const ssize_t count = recvfrom(socket, bytes, static_cast<size_t>(size), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&endpoint), &length);
  if (count < 0) return errno == EWOULDBLOCK ? 0 : Fail(errno);
  if (from) *from = endpoint.sin_addr.s_addr;
  if (from_port) *from_port = ntohs(endpoint.sin_port);
  return static_cast<int>(count);
}

}  // namespace platform
