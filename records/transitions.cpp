#include "records/transitions.h"

namespace {

struct transition_name {
  const char* kind;
  const char* text;
  bool alert;
};

constexpr transition_name names[] = {
    {"contact_lost", "Contact lost", true}, {"contact_regained", "Contact regained", false},
    {"fault_raised", "Fault raised", true}, {"fault_cleared", "Fault cleared", false},
    {"alarm_raised", "Alarm raised", true}, {"alarm_cleared", "Alarm cleared", false},
    {"hv_on", "High voltage on", false},    {"hv_off", "High voltage off", false},
    {"standby_on", "Standby on", false},    {"standby_off", "Standby off", false},
    {"remote", "Remote control", false},    {"local", "Local control", false},
};

const transition_name* Find(const std::string& kind) {
  for (const transition_name& name : names)
    if (kind == name.kind) return &name;
  return nullptr;
}

}  // namespace

device_flags FlagsOf(const device_struct& record, bool contact, const device_flags& before) {
  if (!contact) {
    device_flags kept = before;
    kept.contact = false;
    return kept;
  }
  return {true,
          record.hv_on != 0,
          record.alarm != 0,
          record.fault != 0,
          record.standby != 0,
          record.remote != 0};
}

device_flags FlagsOfDevice(int address, const device_flags& before) {
  return FlagsOf(device_data[address], error_count[address] < 3, before);
}

std::vector<std::string> Transitions(const device_flags& before, const device_flags& after) {
  std::vector<std::string> events;
  if (before.contact != after.contact)
    events.push_back(after.contact ? "contact_regained" : "contact_lost");
  if (!after.contact) return events;
  if (before.fault != after.fault) events.push_back(after.fault ? "fault_raised" : "fault_cleared");
  if (before.alarm != after.alarm) events.push_back(after.alarm ? "alarm_raised" : "alarm_cleared");
  if (before.hv_on != after.hv_on) events.push_back(after.hv_on ? "hv_on" : "hv_off");
  if (before.standby != after.standby)
    events.push_back(after.standby ? "standby_on" : "standby_off");
  if (before.remote != after.remote) events.push_back(after.remote ? "remote" : "local");
  return events;
}

std::string TransitionText(const std::string& kind) {
  const transition_name* name = Find(kind);
  return name ? name->text : kind;
}

bool TransitionIsAlert(const std::string& kind) {
  const transition_name* name = Find(kind);
  return name && name->alert;
}
