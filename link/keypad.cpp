#include "link/keypad.h"

#include <cstring>

#include "config/settings.h"
#include "link/command_set.h"
#include "link/framing.h"
#include "records/device_records.h"
#include "records/program_state.h"

namespace {

constexpr int vk_f1 = 0x70;

}  // namespace

void KewCommand(int device, const char* command) {
  if (!mode_2wire) {
    SendCommand(device, command, 0);
    return;
  }
  CopyField(pending_command[device & 0xFF], command);
}

void SerialSendKey(int device, char key) {
  static constexpr char soft_keys[] = "WXYZ";
  int held = -1;
  if (key == 0 || std::strchr(soft_keys, key) == nullptr) {
    for (int n = 0; n < 4 && held < 0; ++n) {
      if (key_down[vk_f1 + n]) held = n;
    }
  }
  KewCommand(device, KeyCommand(key, held).text);
}
