#include "sim/tcp_device.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

TcpConnection::~TcpConnection() {
  close(fd_);
}

Transport::ReadResult TcpConnection::Read(std::string* bytes) {
  char buffer[512];
  // Bounded, so that an endless stream still lets the rest of the loop run.
  for (int reads = 0; reads < 64; ++reads) {
    const ssize_t count = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count > 0) {
      bytes->append(buffer, static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ReadResult::open;
    return ReadResult::idle;
  }
  return ReadResult::open;
}

std::size_t TcpConnection::Write(std::string_view bytes) {
  const ssize_t count = send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  return count > 0 ? static_cast<std::size_t>(count) : 0;
}

TcpDevice::TcpDevice(Device& device, std::uint32_t ip, CodecMaker make_codec, FaultInjector& faults)
    : device_(device), ip_(ip), make_codec_(std::move(make_codec)), faults_(faults) {}

TcpDevice::~TcpDevice() {
  StopListening();
}

std::string TcpDevice::Listen(std::uint16_t port) {
  StopListening();
  return OpenTcpListener({ip_, port}, 0, &listener_, &port_);
}

void TcpDevice::StopListening() {
  if (listener_ >= 0) close(listener_);
  listener_ = -1;
}

std::string TcpDevice::Control(std::string_view action) {
  if (action == "close") {
    HangUp();
    return "";
  }
  if (action == "refuse") {
    // Without a listener the system answers every connection attempt with a reset.
    HangUp();
    StopListening();
    mode_ = Mode::refuse;
    return "";
  }
  if (action != "mute" && action != "normal") return "tcp takes close, refuse, mute or normal";
  if (mode_ == Mode::refuse) {
    const std::string error = Listen(port_);
    if (!error.empty()) return error;
  }
  if (action == "mute") {
    mode_ = Mode::mute;
    link_.reset();
    return "";
  }
  mode_ = Mode::normal;
  if (connection_ && !link_)
    link_ = std::make_unique<Link>(*connection_, make_codec_(), device_, faults_);
  return "";
}

std::string TcpDevice::State() const {
  static const char* const mode_names[] = {"normal", "refuse", "mute"};
  return FormatEndpoint(Where()) + " " + mode_names[static_cast<int>(mode_)] +
         (connection_ ? " connected" : " waiting");
}

void TcpDevice::AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const {
  if (listener_ >= 0) fds->push_back({listener_, POLLIN, 0});
  if (!connection_) return;
  // A due answer still queued after Send is one the connection could not take yet.
  const auto due = NextDue();
  fds->push_back(
      {connection_->Fd(), static_cast<short>(due && *due <= now ? POLLIN | POLLOUT : POLLIN), 0});
}

void TcpDevice::Serve(const std::vector<pollfd>& fds, Clock::time_point now) {
  for (const pollfd& fd : fds) {
    if (fd.revents == 0) continue;
    if (fd.fd == listener_ && listener_ >= 0) {
      Accept();
    } else if (connection_ && fd.fd == connection_->Fd() &&
               (fd.revents & (POLLIN | POLLHUP | POLLERR))) {
      Transport::ReadResult result;
      if (link_) {
        result = link_->Receive(now);
      } else {
        std::string ignored;
        result = connection_->Read(&ignored);
      }
      if (result == Transport::ReadResult::idle) HangUp();
    }
  }
}

void TcpDevice::Accept() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  // One connection at a time, as the device's own network port allows: a second caller
  // is hung up on at once.
  if (connection_) {
    close(fd);
    return;
  }
  connection_ = std::make_unique<TcpConnection>(fd);
  if (mode_ == Mode::normal)
    link_ = std::make_unique<Link>(*connection_, make_codec_(), device_, faults_);
}

void TcpDevice::HangUp() {
  link_.reset();
  connection_.reset();
}

void TcpDevice::Send(Clock::time_point now) {
  if (link_) link_->Send(now);
}

std::optional<Clock::time_point> TcpDevice::NextDue() const {
  return link_ ? link_->NextDue() : std::nullopt;
}

}  // namespace sim
