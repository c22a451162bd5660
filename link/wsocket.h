// Devices over Ethernet: one TCP connection per poll address, opened to the
// address the operator entered, read a byte at a time without waiting, and
// reported once when it dies.
#pragma once

#include <cstdint>
#include <string>

#include "platform/socket.h"

#pragma pack(push, 1)
class class_device_sock {
 public:
  class_device_sock();
  char address[40];               // dotted IPv4 text as entered
  std::uint32_t addressn;         // network byte order
  platform::SocketHandle socket;  // invalid_socket when none (0 is a socket)
  std::int32_t good;              // 1 while connected and usable
};
#pragma pack(pop)

extern class_device_sock device_sock[256];

extern int socket_init;                      // the sockets library has been started
extern std::int32_t tcpip_port;              // used when use_default_port is 0
extern int use_default_port;                 // 1: always port 2000
extern std::int32_t socket_connect_timeout;  // ms to wait for a connection

// 1 when the library is (or already was) started; also installs the Ethernet
// path of framing and capture.
int InitSocketDriver();
// Connecting to default_ipaddress in steps, for a caller that waits in its
// own way: the slot taken for the poll address (or another free one) and in
// result 0 while the connect is under way or -1 when it was refused at once;
// -1 when no slot or no socket could be had. Then SocketConnectResult until
// it is not 0 (1 connected, -1 failed), then FinishSocketConnect, which keeps
// the connection or closes the slot.
int StartSocketConnect(int device, int* result);
int SocketConnectResult(int device);
void FinishSocketConnect(int device, bool keep);
// Starts connecting the slot of the poll address to host:port without
// waiting: 1 connected, 0 under way (then SocketConnectResult and
// FinishSocketConnect as above), -1 failed, with the reason in error (the
// caller names the host).
int StartDeviceSocket(int device, const char* host, std::uint16_t port, std::string* error);
// Connects the slot of the poll address to host:port without any window,
// waiting at most socket_connect_timeout. False with the reason, naming the
// host and port.
bool ConnectDeviceSocket(int device, const char* host, std::uint16_t port, std::string* error);
// 1 and the byte when one was waiting, else 0 at once.
int ReadSocketChar(unsigned char* ch, int device);
void CloseDeviceSocket(int device);
void CleanupSocketComm();
// 1 when the connection shows an error condition (it has then been reported).
int SocketDied(int device);
// Reports the loss of a connection once.
void ShowSocketDied(int device);
// The explanation of the last socket error; the buffer is reused by the next call.
const char* SocketError2String();
// The explanation of one error code in Winsock numbering.
const char* SocketErrorText(int code);
