// A mosquitto broker of the test's own on a free loopback port, with its
// configuration in a temporary folder, and mosquitto_sub/mosquitto_pub
// running against it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

struct mqtt_user {
  std::string name;
  std::string password;
};

class MqttBroker {
 public:
  MqttBroker();
  ~MqttBroker();
  MqttBroker(const MqttBroker&) = delete;
  MqttBroker& operator=(const MqttBroker&) = delete;

  // Without users anyone may connect; with users, only they.
  // Makes the next Start listen with TLS only, under a certificate for
  // 127.0.0.1 from an authority of its own (CaFile).
  bool UseTls(std::string* error = nullptr);
  std::string CaFile() const { return directory_ + "/ca.pem"; }
  bool Start(const std::vector<mqtt_user>& users = {}, std::string* error = nullptr);
  // The same broker on the same port again, after Stop.
  bool Restart(std::string* error = nullptr);
  void Stop();
  int Port() const { return port_; }
  const std::string& Directory() const { return directory_; }

 private:
  bool Launch(std::string* error);

  std::string directory_;
  bool tls_ = false;
  int port_ = 0;
  pid_t pid_ = -1;
};

// One message as mosquitto_sub printed it.
struct mqtt_message {
  bool retained = false;
  std::string topic;
  std::string payload;
};

class MqttSubscriber {
 public:
  ~MqttSubscriber();
  bool Start(int port, const std::string& pattern, const mqtt_user& user = {},
             const std::string& cafile = "");
  // The next message that matches, waiting at most timeout_ms.
  std::optional<mqtt_message> WaitFor(const std::function<bool(const mqtt_message&)>& match,
                                      int timeout_ms);
  void Stop();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string pending_;
};

// Publishes one message with mosquitto_pub and waits for it to finish.
bool MqttPublish(int port, const std::string& topic, const std::string& payload);

// A program of the system by name, from the usual folders.
std::string SystemProgram(const std::string& name);
// A loopback TCP port nobody listens on just now.
int FreeLoopbackPort();
// Waits for a process to end, at most timeout_ms; true with its exit status.
bool WaitExit(pid_t pid, int timeout_ms, int* status);

}  // namespace test_support
