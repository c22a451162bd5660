#include "bus_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace sim_test {

namespace {

constexpr char stx = 0x02, etx = 0x03, ack = 0x06, nak = 0x15;

char Xor(std::string_view bytes) {
  char sum = 0;
  for (char byte : bytes) sum ^= byte;
  return sum;
}

char Sum(std::string_view bytes) {
  unsigned sum = 0;
  for (unsigned char byte : bytes) sum += byte;
  return static_cast<char>(sum);
}

}  // namespace

std::string Frame(Family family, std::uint8_t address, std::string_view body) {
  std::string frame(1, stx);
  if (family == Family::tessary) {
    frame.push_back(static_cast<char>(address));
    frame += body;
    frame.push_back(etx);
    frame.push_back(Xor(frame));
    return frame;
  }
  frame.push_back(static_cast<char>(body.size() + 5));
  frame.push_back(static_cast<char>(address));
  frame += body;
  frame.push_back(Sum(std::string_view(frame).substr(2)));
  frame.push_back(etx);
  return frame;
}

int ConnectTcp(const std::string& ip, int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
  }
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

BusClient::BusClient(const std::string& path, Family family) : family_(family) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

BusClient::~BusClient() {
  if (fd_ >= 0) close(fd_);
}

void BusClient::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = write(fd_, bytes.data(), bytes.size());
    if (count > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(count));
    } else {
      pollfd room = {fd_, POLLOUT, 0};
      if (poll(&room, 1, 1000) <= 0) return;
    }
  }
}

bool BusClient::ReadByte(int timeout_ms, char* byte) {
  // A raw line reads 0 bytes when it has none; after poll said ready, 0 is the far end gone.
  for (bool ready = false;; ready = true) {
    const ssize_t count = read(fd_, byte, 1);
    if (count == 1) return true;
    if (count == 0 && ready) return false;
    pollfd wait = {fd_, POLLIN, 0};
    if (poll(&wait, 1, timeout_ms) <= 0) return false;
  }
}

std::optional<Reply> BusClient::Read(int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  auto left = [&] {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return ms > 0 ? static_cast<int>(ms) : 0;
  };
  Reply reply;
  skipped_.clear();
  char byte;
  const std::string starts = family_ == Family::tessary ? std::string{ack, nak} : std::string{stx};
  do {
    if (!ReadByte(left(), &byte)) return std::nullopt;
    if (starts.find(byte) == std::string::npos) skipped_.push_back(byte);
  } while (starts.find(byte) == std::string::npos);
  reply.raw.push_back(byte);
  if (family_ == Family::tessary) {
    // Up to ETX, then the checksum byte whatever it is.
    do {
      if (!ReadByte(left(), &byte)) return std::nullopt;
      reply.raw.push_back(byte);
    } while (byte != etx);
    if (!ReadByte(left(), &byte)) return std::nullopt;
    reply.raw.push_back(byte);
    const std::string& raw = reply.raw;
    reply.refused = raw[0] == nak;
    reply.address = static_cast<std::uint8_t>(raw[1]);
    reply.body = raw.substr(2, raw.size() - 4);
    reply.checksum_ok = Xor(std::string_view(raw).substr(0, raw.size() - 1)) == raw.back();
    return reply;
  }
  if (!ReadByte(left(), &byte)) return std::nullopt;
  reply.raw.push_back(byte);
  const std::size_t length = static_cast<unsigned char>(byte);
  while (reply.raw.size() < length) {
    if (!ReadByte(left(), &byte)) return std::nullopt;
    reply.raw.push_back(byte);
  }
  const std::string& raw = reply.raw;
  if (length < 5) return reply;
  reply.address = static_cast<std::uint8_t>(raw[2]);
  reply.body = raw.substr(3, length - 5);
  reply.checksum_ok =
      raw.back() == etx && Sum(std::string_view(raw).substr(2, length - 4)) == raw[length - 2];
  return reply;
}

std::optional<Reply> BusClient::Ask(std::uint8_t address, std::string_view body, int timeout_ms) {
  Write(Frame(family_, address, body));
  return Read(timeout_ms);
}

std::string BusClient::Drain(int msec) {
  std::string bytes;
  char byte;
  while (ReadByte(msec, &byte)) bytes.push_back(byte);
  return bytes;
}

}  // namespace sim_test
