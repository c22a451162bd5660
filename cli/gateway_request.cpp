#include "cli/gateway_request.h"

#include <charconv>
#include <cstring>

#include "cli/gateway_state.h"
#include "link/command_set.h"

namespace {

// The keys of each panel: the amplifier's keypad and soft keys, the outdoor
// controller's buttons and arrows.
constexpr const char* amplifier_keys = "0123456789.CFWXYZHGDBAijkl";
constexpr const char* controller_keys = "AH!FE82";

// The attenuations the command's "%04.1f" carries.
constexpr double largest_attenuation = 99.9;

bool Printable(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::string KeyBody(std::string_view payload, device_enum kind, std::string* error) {
  const char* keys = kind == twta_device       ? amplifier_keys
                     : kind == ocontrol_device ? controller_keys
                                               : "";
  if (payload.size() != 1 || std::strchr(keys, payload[0]) == nullptr) {
    *error = "a key is one of \"" + std::string(keys) + "\"";
    return {};
  }
  return KeyCommand(payload[0]).text;
}

std::string AttenuationBody(std::string_view payload, device_enum kind, std::string* error) {
  if (kind != twta_device) {
    *error = "only an amplifier takes an attenuation";
    return {};
  }
  double db = -1;
  const auto [end, failure] = std::from_chars(payload.data(), payload.data() + payload.size(), db);
  if (payload.empty() || failure != std::errc() || end != payload.data() + payload.size() ||
      !(db >= 0 && db <= largest_attenuation)) {
    *error = "an attenuation is a number of dB from 0 to 99.9";
    return {};
  }
  return AttenuationCommand(db).text;
}

}  // namespace

gateway_request ParseRequest(std::string_view base, std::string_view topic,
                             std::string_view payload, const ServedDevice& served) {
  gateway_request request;
  if (topic.substr(0, base.size()) != base) {
    request.error = "not under this gateway's prefix";
    return request;
  }
  topic.remove_prefix(base.size());
  const std::size_t slash = topic.find('/');
  const std::string_view level = topic.substr(0, slash);
  const std::string_view rest = slash == std::string_view::npos ? "" : topic.substr(slash);
  if (rest != "/cmd/key" && rest != "/cmd/attenuation") {
    request.error = "unknown command topic";
    return request;
  }
  request.kind = rest.substr(5);
  const std::optional<int> address = ParseTopicAddress(level);
  const std::optional<device_enum> kind = address ? served(*address) : std::nullopt;
  if (!kind) {
    request.error = "no device served at \"" + std::string(level) + "\"";
    return request;
  }
  request.address = *address;
  if (payload.size() > largest_command_payload) {
    request.error = "payload of " + std::to_string(payload.size()) + " bytes, at most " +
                    std::to_string(largest_command_payload);
    return request;
  }
  payload = Trimmed(payload);
  if (!Printable(payload)) {
    request.error = "payload is not printable text";
    return request;
  }
  request.body = request.kind == "key" ? KeyBody(payload, *kind, &request.error)
                                       : AttenuationBody(payload, *kind, &request.error);
  return request;
}
