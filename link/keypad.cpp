#include "link/keypad.h"

#include <cstdio>
#include <cstring>

#include "records/device_records.h"
#include "records/program_state.h"
#include "config/settings.h"
#include "link/command_set.h"
#include "link/framing.h"

namespace {

constexpr int vk_f1 = 0x70;

}  // namespace

void KewCommand(int device, const char* command) {
  if (!mode_2wire) {
    SendCommand(device, command, 0);
    return;
  }
  char* pending = pending_command[device & 0xFF];
  // A command too long to wait here is dropped, never sent cut short.
  if (std::snprintf(pending, sizeof pending_command[0], "%s", command) >=
      static_cast<int>(sizeof pending_command[0]))
    pending[0] = 0;
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
