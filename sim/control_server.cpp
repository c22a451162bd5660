#include "sim/control_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace sim {

namespace {

// Room for a whole Model.cfg with every byte escaped.
constexpr std::size_t max_line = 64 * 1024;
constexpr std::size_t max_clients = 16;

// How long a client that does not read may hold up the simulator.
constexpr int send_timeout_ms = 1000;

void SendLine(int fd, std::string line) {
  line.push_back('\n');
  // Most answers fit the socket's buffer at once; a long one (recorded lines, a file) waits
  // for the client to read, but not for one that stopped.
  std::string_view rest(line);
  while (!rest.empty()) {
    const ssize_t count = send(fd, rest.data(), rest.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count > 0) {
      rest.remove_prefix(static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    pollfd room = {fd, POLLOUT, 0};
    if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) ||
        poll(&room, 1, send_timeout_ms) <= 0)
      return;
  }
}

}  // namespace

ControlServer::~ControlServer() {
  for (const Client& client : clients_) close(client.fd);
  if (listener_ >= 0) {
    close(listener_);
    unlink(path_.c_str());
  }
}

std::string ControlServer::Listen(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return "control path too long: " + path;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return std::string("socket: ") + std::strerror(errno);
  unlink(path.c_str());
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 4) != 0) {
    const std::string error = std::string("control socket ") + path + ": " + std::strerror(errno);
    close(listener_);
    listener_ = -1;
    return error;
  }
  path_ = path;
  return "";
}

void ControlServer::AddPollFds(std::vector<pollfd>* fds) const {
  if (listener_ >= 0) fds->push_back({listener_, POLLIN, 0});
  for (const Client& client : clients_) fds->push_back({client.fd, POLLIN, 0});
}

void ControlServer::Serve(const std::vector<pollfd>& fds) {
  for (const pollfd& fd : fds) {
    if (fd.revents == 0) continue;
    if (fd.fd == listener_) {
      const int client = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (client < 0) continue;
      if (clients_.size() >= max_clients) {
        SendLine(client, "error too many control connections");
        close(client);
        continue;
      }
      clients_.push_back({client, {}});
      continue;
    }
    for (Client& client : clients_) {
      if (client.fd == fd.fd) ServeClient(client);
    }
  }
  // Clients found closed were marked with fd -1.
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                [](const Client& client) { return client.fd < 0; }),
                 clients_.end());
}

void ControlServer::ServeClient(Client& client) {
  char buffer[1024];
  const ssize_t count = recv(client.fd, buffer, sizeof buffer, 0);
  if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (count <= 0) {
    close(client.fd);
    client.fd = -1;
    return;
  }
  client.pending.append(buffer, static_cast<std::size_t>(count));
  std::size_t end;
  while ((end = client.pending.find('\n')) != std::string::npos) {
    std::string line = client.pending.substr(0, end);
    client.pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    SendLine(client.fd, handler_(line));
  }
  if (client.pending.size() > max_line) {
    SendLine(client.fd, "error line too long");
    client.pending.clear();
  }
}

}  // namespace sim
