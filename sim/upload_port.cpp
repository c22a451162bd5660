#include "sim/upload_port.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr std::string_view header_start = "2002,";
constexpr std::size_t max_header = 32;
constexpr std::size_t max_trailer = 16;
constexpr int slow_period_ms = 100;
// The device's network stack has little room: a sender finds out soon when it is not read.
constexpr int receive_buffer = 4096;

}  // namespace

UploadPort::~UploadPort() {
  StopListening();
}

std::string UploadPort::Listen(std::uint16_t port) {
  StopListening();
  const std::string error = OpenTcpListener({ip_, port}, receive_buffer, &listener_, &port_);
  return error.empty() ? "" : "upload " + error;
}

void UploadPort::StopListening() {
  if (listener_ >= 0) close(listener_);
  listener_ = -1;
}

std::string UploadPort::Control(std::string_view action) {
  if (action == "close") {
    HangUp();
    return "";
  }
  if (action == "refuse") {
    HangUp();
    StopListening();
    mode_ = Mode::refuse;
    return "";
  }
  int bytes = 0;
  if (action.substr(0, 5) == "slow ") {
    const std::string_view number = action.substr(5);
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), bytes);
    if (error != std::errc() || end != number.data() + number.size() || bytes < 1)
      return "slow takes a byte count per 100 ms";
  } else if (action != "mute" && action != "normal") {
    return "upload takes normal, refuse, mute, slow BYTES or close";
  }
  if (mode_ == Mode::refuse) {
    const std::string error = Listen(port_);
    if (!error.empty()) return error;
  }
  mode_ = bytes > 0 ? Mode::slow : action == "mute" ? Mode::mute : Mode::normal;
  slow_bytes_ = bytes;
  return "";
}

std::string UploadPort::State() const {
  static const char* const mode_names[] = {"normal", "refuse", "mute", "slow"};
  return FormatEndpoint({ip_, port_}) + " " + mode_names[static_cast<int>(mode_)] +
         (connection_ ? " connected" : " waiting") + " uploads=" + std::to_string(uploads_) +
         " last=" + status_ + " header=" + Escaped(header_, true) + " name=" + Escaped(name_, true) +
         " count=" + std::to_string(body_.size()) + " trailer=" + Escaped(trailer_, true);
}

std::string UploadPort::File() const {
  return Escaped(file_);
}

void UploadPort::AddPollFds(std::vector<pollfd>* fds, Clock::time_point now) const {
  if (listener_ >= 0) fds->push_back({listener_, POLLIN, 0});
  if (!connection_ || mode_ == Mode::mute) return;
  if (mode_ == Mode::slow && now < next_read_) return;
  fds->push_back({connection_->Fd(), POLLIN, 0});
}

std::optional<Clock::time_point> UploadPort::NextWake() const {
  if (connection_ && mode_ == Mode::slow) return next_read_;
  return std::nullopt;
}

void UploadPort::Serve(const std::vector<pollfd>& fds, Clock::time_point now) {
  for (const pollfd& fd : fds) {
    if (fd.revents == 0) continue;
    if (fd.fd == listener_ && listener_ >= 0) {
      Accept();
      continue;
    }
    if (!connection_ || fd.fd != connection_->Fd()) continue;
    if (mode_ == Mode::slow) {
      std::string bytes(static_cast<std::size_t>(slow_bytes_), '\0');
      const ssize_t count = recv(fd.fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
      next_read_ = After(now, slow_period_ms);
      if (count > 0) {
        Take(std::string_view(bytes).substr(0, static_cast<std::size_t>(count)));
      } else if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        HangUp();
      }
      continue;
    }
    std::string bytes;
    const Transport::ReadResult result = connection_->Read(&bytes);
    Take(bytes);
    if (result == Transport::ReadResult::idle) HangUp();
  }
}

void UploadPort::Accept() {
  const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  if (connection_) {
    close(fd);
    return;
  }
  connection_ = std::make_unique<TcpConnection>(fd);
  ++uploads_;
  status_ = "header";
  header_.clear();
  name_.clear();
  count_ = -1;
  body_.clear();
  trailer_.clear();
}

void UploadPort::Take(std::string_view bytes) {
  while (!bytes.empty() && status_ != "bad-header") {
    if (count_ < 0) {
      const auto colon = bytes.find(':');
      header_.append(bytes.substr(0, colon == std::string_view::npos ? colon : colon + 1));
      bytes = colon == std::string_view::npos ? std::string_view() : bytes.substr(colon + 1);
      if (header_.size() > max_header ||
          header_.compare(0, header_start.size(), header_start, 0, header_.size()) != 0) {
        status_ = "bad-header";
        break;
      }
      if (colon == std::string_view::npos) break;
      const char* first = header_.data() + header_start.size();
      const char* last = header_.data() + header_.size() - 1;
      long count = 0;
      const auto [end, error] = std::from_chars(first, last, count);
      if (header_.size() < header_start.size() + 2 || error != std::errc() || end != last ||
          count < 0) {
        status_ = "bad-header";
        break;
      }
      count_ = count;
      status_ = "receiving";
    } else if (static_cast<long>(body_.size()) < count_) {
      const auto take = std::min<std::size_t>(bytes.size(), count_ - body_.size());
      body_.append(bytes.substr(0, take));
      bytes.remove_prefix(take);
    } else {
      const auto take =
          std::min(bytes.size(), max_trailer - std::min(max_trailer, trailer_.size()));
      trailer_.append(bytes.substr(0, take));
      bytes = {};
    }
    if (count_ >= 0 && status_ == "receiving" && static_cast<long>(body_.size()) == count_) {
      // The count covers the name, the ">" and the file.
      const auto end = body_.find('>');
      if (end == std::string::npos) {
        status_ = "no-name";
      } else {
        name_ = body_.substr(0, end);
        file_ = body_.substr(end + 1);
        status_ = device_.TakeUpload(name_, file_) ? "complete" : "unwanted";
      }
    }
  }
}

void UploadPort::HangUp() {
  if (status_ == "header" || status_ == "receiving") status_ = "short";
  connection_.reset();
}

}  // namespace sim
