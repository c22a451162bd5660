// The gateway's connection to its MQTT broker, driven by the event loop: the
// client's socket is watched for reading and, while it has bytes queued, for
// writing; a timer keeps it alive. Nothing here ever waits for the broker, so
// polling goes on while the broker is slow, refuses or is gone; a lost or
// refused connection is tried again with a growing pause.
#pragma once

#include <functional>
#include <string>

struct mosquitto;
struct mosquitto_message;
namespace platform {
class EventLoop;
}

struct mqtt_settings {
  std::string host = "127.0.0.1";
  int port = 1883;
  std::string client_id;
  std::string username;  // empty: none
  std::string password;
  std::string cafile;  // any of the three set: TLS
  std::string cert;
  std::string key;
  int keepalive_s = 30;
  // Published retained when connected; the broker publishes the will
  // instead when the connection dies without a goodbye.
  std::string status_topic;
};

class MqttSession {
 public:
  using ConnectedCallback = std::function<void()>;
  using MessageCallback = std::function<void(const std::string& topic, const std::string& payload)>;

  MqttSession(platform::EventLoop& loop, mqtt_settings settings);
  ~MqttSession();
  MqttSession(const MqttSession&) = delete;
  MqttSession& operator=(const MqttSession&) = delete;

  // False with a message naming the broker when the client cannot be set
  // up (TLS files, say); a broker that is not there yet is no failure.
  bool Start(std::string* error);
  // Publishes "offline" and says goodbye, without waiting for the broker.
  void Stop();

  // Called on every (re)connection, after "online" is published.
  void OnConnected(ConnectedCallback callback) { on_connected_ = std::move(callback); }
  void OnMessage(MessageCallback callback) { on_message_ = std::move(callback); }

  bool Connected() const { return connected_; }
  // Dropped while not connected: the state is published again on reconnection.
  void Publish(const std::string& topic, const std::string& payload, bool retain);
  void Subscribe(const std::string& pattern);
  const std::string& Broker() const { return broker_; }

 private:
  static void ConnectCallback(mosquitto*, void* self, int rc);
  static void MessageArrived(mosquitto*, void* self, const mosquitto_message* message);
  void Connect();
  void Lost(const char* what, int rc);
  void WatchSocket();
  void Service(bool readable, bool writable);
  void ScheduleRetry();

  platform::EventLoop& loop_;
  mqtt_settings settings_;
  std::string broker_;  // "host:port", for messages
  mosquitto* client_ = nullptr;
  int watch_ = -1;
  int watched_fd_ = -1;
  int keepalive_timer_ = -1;
  int retry_timer_ = -1;
  int retry_ms_ = 0;
  bool connected_ = false;
  bool stopping_ = false;
  ConnectedCallback on_connected_;
  MessageCallback on_message_;
};
