// A command that reached the gateway over MQTT, checked before anything goes
// to a device: the topic must lie under the gateway's own prefix and name a
// device it serves, and the payload must be a key of that device's panel or
// an attenuation it can set.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "records/device_records.h"

// Payloads longer than this are refused unread.
constexpr std::size_t largest_command_payload = 64;

struct gateway_request {
  int address = -1;   // -1 when the topic names no device served
  std::string kind;   // "key" or "attenuation"
  std::string body;   // the command body to send; empty when refused
  std::string error;  // why it was refused
};

// The kind of a served device, or nothing for an address not served.
using ServedDevice = std::function<std::optional<device_enum>(int address)>;

// base is "PREFIX/SITE/"; topic is expected as base + "ADDR/cmd/KIND".
gateway_request ParseRequest(std::string_view base, std::string_view topic,
                             std::string_view payload, const ServedDevice& served);
