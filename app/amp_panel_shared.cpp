#include "app/amp_panel_shared.h"

#include "config/settings.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/keys.h"

namespace {

struct colour_pair {
  ui::Colour strong;
  ui::Colour pale;
};

// Indexed by panel_colour_code: grey, green, red, yellow.
const colour_pair panel_colours[] = {
    {ui::MakeColour(128, 128, 128), ui::MakeColour(175, 175, 175)},
    {ui::MakeColour(0, 255, 0), ui::MakeColour(127, 223, 127)},
    {ui::MakeColour(255, 0, 0), ui::MakeColour(223, 127, 127)},
    {ui::MakeColour(255, 255, 0), ui::MakeColour(223, 223, 127)},
};

}  // namespace

int PanelAddress(ui::Handle window) {
  for (int address = 0; address < device_count; ++address) {
    if (poll_dialog[address] == window && window != ui::no_window) return address;
  }
  return 0;
}

bool PaleColours() {
  return good_color && !bright_color;
}

ui::Colour PanelColour(int code, bool pale) {
  const colour_pair& pair =
      panel_colours[code >= colour_normal && code <= colour_near_target ? code : 0];
  return pale ? pair.pale : pair.strong;
}

int MapAngleKeys(int key) {
  if (key == ui::VirtualKeyOfCharacter('<')) return ui::vk_next;
  if (key == ui::VirtualKeyOfCharacter('>')) return ui::vk_prior;
  return key;
}
