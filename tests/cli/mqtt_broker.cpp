#include "cli/mqtt_broker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/spawn_process.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

bool RunToEnd(std::vector<std::string> words) {
  pid_t pid = -1;
  int output = -1;
  std::string error;
  if (!SpawnWithOutput(std::move(words), &pid, &output, &error)) return false;
  close(output);
  int status = 0;
  return WaitExit(pid, 10000, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Listening(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

void End(pid_t* pid) {
  if (*pid <= 0) return;
  kill(*pid, SIGTERM);
  int status = 0;
  if (!WaitExit(*pid, 5000, &status)) {
    kill(*pid, SIGKILL);
    waitpid(*pid, &status, 0);
  }
  *pid = -1;
}

}  // namespace

std::string SystemProgram(const std::string& name) {
  for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
    const std::string path = folder + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return name;
}

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

bool WaitExit(pid_t pid, int timeout_ms, int* status) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Clock::now() < end) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

MqttBroker::MqttBroker() {
  char folder[] = "/tmp/corvane-broker-XXXXXX";
  if (mkdtemp(folder)) directory_ = folder;
}

MqttBroker::~MqttBroker() {
  Stop();
  if (!directory_.empty()) std::filesystem::remove_all(directory_);
}

bool MqttBroker::UseTls(std::string* error) {
  const std::string openssl = SystemProgram("openssl");
  const std::string d = directory_ + "/";
  std::ofstream(d + "server.ext") << "subjectAltName=IP:127.0.0.1\n";
  tls_ = RunToEnd({openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                   d + "ca.key", "-out", d + "ca.pem", "-days", "2", "-subj", "/CN=test-ca"}) &&
         RunToEnd({openssl, "req", "-newkey", "rsa:2048", "-nodes", "-keyout", d + "server.key",
                   "-out", d + "server.csr", "-subj", "/CN=127.0.0.1"}) &&
         RunToEnd({openssl, "x509", "-req", "-in", d + "server.csr", "-CA", d + "ca.pem", "-CAkey",
                   d + "ca.key", "-CAcreateserial", "-out", d + "server.pem", "-days", "2",
                   "-extfile", d + "server.ext"});
  if (!tls_ && error) *error = "openssl could not make the test certificates";
  return tls_;
}

bool MqttBroker::Start(const std::vector<mqtt_user>& users, std::string* error) {
  port_ = FreeLoopbackPort();
  std::ofstream config(directory_ + "/mosquitto.conf");
  // Run as whoever runs the test: as root, mosquitto would switch to its own
  // user, which cannot use the temporary folder.
  const passwd* account = getpwuid(geteuid());
  config << "listener " << port_ << " 127.0.0.1\n"
         << "user " << (account ? account->pw_name : "root") << "\n"
         << "persistence false\n"
         << (tls_ ? "cafile " + CaFile() + "\ncertfile " + directory_ + "/server.pem\nkeyfile " +
                        directory_ + "/server.key\n"
                  : "")
         << "log_dest file " << directory_ << "/mosquitto.log\n";
  if (users.empty()) {
    config << "allow_anonymous true\n";
  } else {
    const std::string passwords = directory_ + "/passwords";
    for (std::size_t n = 0; n < users.size(); ++n) {
      std::vector<std::string> words = {SystemProgram("mosquitto_passwd")};
      if (n == 0) words.push_back("-c");
      words.insert(words.end(), {"-b", passwords, users[n].name, users[n].password});
      if (!RunToEnd(words)) {
        if (error) *error = "mosquitto_passwd failed";
        return false;
      }
    }
    config << "allow_anonymous false\npassword_file " << passwords << "\n";
  }
  config.close();
  return Launch(error);
}

bool MqttBroker::Restart(std::string* error) {
  return Launch(error);
}

bool MqttBroker::Launch(std::string* error) {
  int output = -1;
  std::string reason;
  if (!SpawnWithOutput({SystemProgram("mosquitto"), "-c", directory_ + "/mosquitto.conf"}, &pid_,
                       &output, &reason)) {
    if (error) *error = reason;
    return false;
  }
  close(output);
  const auto end = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < end) {
    if (Listening(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (error) *error = "mosquitto did not listen on 127.0.0.1:" + std::to_string(port_);
  return false;
}

void MqttBroker::Stop() {
  End(&pid_);
}

MqttSubscriber::~MqttSubscriber() {
  Stop();
}

bool MqttSubscriber::Start(int port, const std::string& pattern, const mqtt_user& user,
                           const std::string& cafile) {
  // Line-buffered: mosquitto_sub would keep messages in its buffer while its
  // output is a pipe.
  std::vector<std::string> words = {SystemProgram("stdbuf"),
                                    "-oL",
                                    SystemProgram("mosquitto_sub"),
                                    "-h",
                                    "127.0.0.1",
                                    "-p",
                                    std::to_string(port),
                                    "-q",
                                    "1",
                                    "-t",
                                    pattern,
                                    "-F",
                                    "%r %t %p\\n"};
  if (!user.name.empty()) words.insert(words.end(), {"-u", user.name, "-P", user.password});
  if (!cafile.empty()) words.insert(words.end(), {"--cafile", cafile});
  std::string error;
  return SpawnWithOutput(words, &pid_, &output_, &error);
}

std::optional<mqtt_message> MqttSubscriber::WaitFor(
    const std::function<bool(const mqtt_message&)>& match, int timeout_ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t newline;
    while ((newline = pending_.find('\n')) != std::string::npos) {
      const std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      const std::size_t blank = line.find(' ', 2);
      if (line.size() < 3 || blank == std::string::npos) continue;
      mqtt_message message{line[0] == '1', line.substr(2, blank - 2), line.substr(blank + 1)};
      if (match(message)) return message;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (output_ < 0) return std::nullopt;
    pollfd wait{output_, POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) {
      if (left.count() <= 0) return std::nullopt;
      continue;
    }
    char buffer[4096];
    const ssize_t count = read(output_, buffer, sizeof buffer);
    if (count <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<std::size_t>(count));
  }
}

void MqttSubscriber::Stop() {
  End(&pid_);
  if (output_ >= 0) close(output_);
  output_ = -1;
}

bool MqttPublish(int port, const std::string& topic, const std::string& payload) {
  return RunToEnd({SystemProgram("mosquitto_pub"), "-h", "127.0.0.1", "-p", std::to_string(port),
                   "-q", "1", "-t", topic, "-m", payload});
}

}  // namespace test_support
