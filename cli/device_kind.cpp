#include "cli/device_kind.h"

#include <string>

#include "app/identification.h"
#include "link/capture.h"
#include "link/reply_fields.h"
#include "records/device_records.h"

namespace {

// The place in a frame of the last byte of the shortest amplifier status
// body (status bytes, attenuation, heater and beam hours, power, voltage),
// which follows the kind letter at 2; a controller's ends well before it.
constexpr int amplifier_status_end = 2 + (2 + 4 + 6 + 6 + 4 + 4);
constexpr int identification_dash = 7;

void OnDeviceUpdated(int address) {
  // Only a parsed answer leaves the count at 0; the frame is still in its buffer.
  if (error_count[address] != 0) return;
  const protocol_struct& reply = ProtocolBuffer(address);
  if (LearnKind(address, reply)) {
    NotifyDeviceUpdated(address);
  } else if (last_response[address] == '0') {
    ReadControllerIdentity(address, reply);
  }
}

}  // namespace

bool LearnKind(int address, const protocol_struct& reply) {
  device_enum kind = device_type[address];
  if (kind == twta_device && last_response[address] == '?' &&
      ReplyByte(reply, amplifier_status_end) < 0) {
    kind = ocontrol_device;
  } else if (kind == ocontrol_device && last_response[address] == '0' &&
             ReplyByte(reply, identification_dash) == '-') {
    kind = twta_device;
  }
  if (kind == device_type[address]) return false;
  device_type[address] = kind;
  ZeroDeviceData(address);
  return true;
}

void ReadControllerIdentity(int address, const protocol_struct& reply) {
  std::string part, serial, message;
  if (device_type[address] != ocontrol_device ||
      !ReadIdentification(reply, &part, &serial, &message))
    return;
  CopyField(device_data[address].part, part.c_str());
  // Controllers carry no serial number.
  CopyField(device_data[address].serial, "");
}

void FollowDeviceKinds(bool on) {
  if (on) {
    AddDeviceUpdateListener(OnDeviceUpdated);
  } else {
    RemoveDeviceUpdateListener(OnDeviceUpdated);
  }
}
