// The control channel's socket: a Unix stream socket taking one text command per line and
// giving one line back for each.
#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

namespace sim {

class ControlServer {
 public:
  using Handler = std::function<std::string(const std::string& line)>;

  explicit ControlServer(Handler handler) : handler_(std::move(handler)) {}
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;
  ~ControlServer();
  // An error text, empty on success. A stale socket file at path is replaced.
  std::string Listen(const std::string& path);
  // The descriptors to wait on, appended to `fds`.
  void AddPollFds(std::vector<pollfd>* fds) const;
  // Accepts, reads and answers whatever the descriptors in `fds` report.
  void Serve(const std::vector<pollfd>& fds);

 private:
  struct Client {
    int fd;
    std::string pending;
  };
  void ServeClient(Client& client);

  Handler handler_;
  int listener_ = -1;
  std::string path_;
  std::vector<Client> clients_;
};

}  // namespace sim
