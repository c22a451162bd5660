#include "cli/gateway_mqtt.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/event_loop.h"

namespace {

constexpr int first_retry_ms = 500;
constexpr int last_retry_ms = 30000;
constexpr int misc_period_ms = 1000;
// Every message at least once: a state lost in the broker's queue would stay
// wrong until the device changes again.
constexpr int qos = 1;

void LibraryInit() {
  static const bool done = [] {
    mosquitto_lib_init();
    return true;
  }();
  (void)done;
}

const char* Nonempty(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

MqttSession::MqttSession(platform::EventLoop& loop, mqtt_settings settings)
    : loop_(loop),
      settings_(std::move(settings)),
      broker_(settings_.host + ":" + std::to_string(settings_.port)) {}

MqttSession::~MqttSession() {
  if (watch_ >= 0) loop_.Unwatch(watch_);
  if (keepalive_timer_ >= 0) loop_.RemoveTimer(keepalive_timer_);
  if (retry_timer_ >= 0) loop_.RemoveTimer(retry_timer_);
  if (client_) mosquitto_destroy(client_);
}

bool MqttSession::Start(std::string* error) {
  LibraryInit();
  client_ = mosquitto_new(Nonempty(settings_.client_id), true, this);
  if (!client_) {
    *error = "broker " + broker_ + ": cannot create an MQTT client";
    return false;
  }
  int rc = MOSQ_ERR_SUCCESS;
  if (!settings_.username.empty())
    rc = mosquitto_username_pw_set(client_, settings_.username.c_str(),
                                   Nonempty(settings_.password));
  if (rc == MOSQ_ERR_SUCCESS &&
      !(settings_.cafile.empty() && settings_.cert.empty() && settings_.key.empty())) {
    rc = mosquitto_tls_set(client_, Nonempty(settings_.cafile), nullptr, Nonempty(settings_.cert),
                           Nonempty(settings_.key), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      *error = "broker " + broker_ + ": cannot use the TLS files (--cafile '" + settings_.cafile +
               "', --cert '" + settings_.cert + "', --key '" + settings_.key +
               "'): each must be readable, --cafile is needed, --cert and --key go together";
      return false;
    }
  }
  if (rc == MOSQ_ERR_SUCCESS)
    rc = mosquitto_will_set(client_, settings_.status_topic.c_str(), 7, "offline", qos, true);
  if (rc != MOSQ_ERR_SUCCESS) {
    *error = "broker " + broker_ + ": " + mosquitto_strerror(rc);
    return false;
  }
  mosquitto_connect_callback_set(client_, ConnectCallback);
  mosquitto_message_callback_set(client_, MessageArrived);
  keepalive_timer_ = loop_.AddTimer(misc_period_ms, [this] {
    if (!client_ || watch_ < 0) return;
    const int result = mosquitto_loop_misc(client_);
    if (result != MOSQ_ERR_SUCCESS) return Lost("keeping alive", result);
    WatchSocket();
  });
  Connect();
  return true;
}

void MqttSession::Stop() {
  stopping_ = true;
  if (!client_) return;
  if (connected_) {
    mosquitto_publish(client_, nullptr, settings_.status_topic.c_str(), 7, "offline", qos, true);
    mosquitto_disconnect(client_);
    // One write, without waiting: a broker that does not take it publishes
    // the will instead.
    mosquitto_loop_write(client_, 4);
  }
  connected_ = false;
}

void MqttSession::Publish(const std::string& topic, const std::string& payload, bool retain) {
  if (!connected_) return;
  const int rc = mosquitto_publish(client_, nullptr, topic.c_str(),
                                   static_cast<int>(payload.size()), payload.data(), qos, retain);
  if (rc != MOSQ_ERR_SUCCESS) return Lost("publishing", rc);
  WatchSocket();
}

void MqttSession::Subscribe(const std::string& pattern) {
  if (!connected_) return;
  mosquitto_subscribe(client_, nullptr, pattern.c_str(), qos);
  WatchSocket();
}

void MqttSession::Connect() {
  const int rc = mosquitto_connect_async(client_, settings_.host.c_str(), settings_.port,
                                         settings_.keepalive_s);
  if (rc != MOSQ_ERR_SUCCESS) return Lost("connecting", rc);
  WatchSocket();
}

void MqttSession::ConnectCallback(mosquitto*, void* self, int rc) {
  auto* session = static_cast<MqttSession*>(self);
  if (rc != 0) {
    // The library drops the connection after a refusal; Lost follows from the read.
    std::fprintf(stderr, "corvane-cli: broker %s refused the connection: %s\n",
                 session->broker_.c_str(), mosquitto_connack_string(rc));
    return;
  }
  std::fprintf(stderr, "corvane-cli: broker %s: connected\n", session->broker_.c_str());
  session->connected_ = true;
  session->retry_ms_ = 0;
  session->Publish(session->settings_.status_topic, "online", true);
  if (session->on_connected_) session->on_connected_();
}

void MqttSession::MessageArrived(mosquitto*, void* self, const mosquitto_message* message) {
  auto* session = static_cast<MqttSession*>(self);
  if (!session->on_message_ || !message->topic) return;
  const char* bytes = static_cast<const char*>(message->payload);
  session->on_message_(message->topic, std::string(bytes ? bytes : "",
                                                   static_cast<std::size_t>(message->payloadlen)));
}

void MqttSession::Service(bool readable, bool writable) {
  if (readable) {
    const int rc = mosquitto_loop_read(client_, 1);
    if (rc != MOSQ_ERR_SUCCESS) return Lost("reading", rc);
  }
  if (writable) {
    const int rc = mosquitto_loop_write(client_, 1);
    if (rc != MOSQ_ERR_SUCCESS) return Lost("writing", rc);
  }
  WatchSocket();
}

void MqttSession::WatchSocket() {
  const int fd = mosquitto_socket(client_);
  if (fd != watched_fd_ && watch_ >= 0) {
    loop_.Unwatch(watch_);
    watch_ = -1;
  }
  watched_fd_ = fd;
  if (fd < 0) return;
  const bool want_write = mosquitto_want_write(client_);
  if (watch_ >= 0) {
    loop_.UpdateFd(watch_, true, want_write);
  } else {
    watch_ = loop_.WatchFd(fd, true, want_write,
                           [this](bool readable, bool writable) { Service(readable, writable); });
  }
}

void MqttSession::Lost(const char* what, int rc) {
  if (watch_ >= 0) loop_.Unwatch(watch_);
  watch_ = -1;
  watched_fd_ = -1;
  // Said once per outage, not on every try.
  if (connected_ || retry_ms_ == 0) {
    std::fprintf(stderr, "corvane-cli: broker %s: %s failed: %s; trying again\n", broker_.c_str(),
                 what, rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc));
  }
  connected_ = false;
  mosquitto_disconnect(client_);
  if (!stopping_) ScheduleRetry();
}

void MqttSession::ScheduleRetry() {
  if (retry_timer_ >= 0) return;
  retry_ms_ = retry_ms_ == 0 ? first_retry_ms : std::min(retry_ms_ * 2, last_retry_ms);
  retry_timer_ = loop_.AddTimer(retry_ms_, [this] {
    loop_.RemoveTimer(retry_timer_);
    retry_timer_ = -1;
    Connect();
  });
}
