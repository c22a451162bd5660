// Outdoor controller panels: a one-line display, state lamps, and the
// controller's own keys forwarded to it.
#include <cstdio>

#include "app/amp_panel_shared.h"
#include "app/events_alerts.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "link/keypad.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/panel_ids.h"
#include "resources/panel_templates.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/paint.h"

namespace {

struct key_translation {
  int id;
  char key;
};

constexpr key_translation controller_keys[] = {
    {id_oc_key_twta_power, 'A'},  {id_oc_key_heater_standby, 'H'}, {id_oc_key_hv, '!'},
    {id_oc_key_fault_reset, 'F'}, {id_oc_key_enter, 'E'},          {ui::vk_up, '8'},
    {ui::vk_down, '2'},
};

// Chosen when the first controller panel of the run is created, then kept.
int controller_pale = -1;

char ControllerKey(int id) {
  for (const key_translation& entry : controller_keys) {
    if (entry.id == id) return entry.key;
  }
  return 0;
}

ui::Colour Lamp(bool lit, int lit_colour) {
  return PanelColour(lit ? lit_colour : colour_normal, controller_pale == 1);
}

ui::Colour ControlColour(int address, int id) {
  const device_struct& d = device_data[address];
  switch (id) {
    case id_oc_lamp_power:
      return Lamp(last_response[address] != 0, colour_target_reached);
    case id_oc_lamp_remote:
      return Lamp(d.remote, colour_target_reached);
    case id_oc_lamp_twta_power:
      return Lamp(d.twta_power, colour_target_reached);
    case id_oc_lamp_heater_standby:
      return Lamp(d.hstandby, colour_target_reached);
    case id_oc_lamp_hv:
      return Lamp(d.hv_on, colour_target_reached);
    case id_oc_lamp_fault:
      return Lamp(d.fault, colour_fault);
    case id_oc_lamp_ftd:
      return Lamp(d.ftd, colour_near_target);
    case id_oc_lamp_standby:
      return Lamp(d.standby, colour_near_target);
    default:
      return PanelColour(popup_color[address], controller_pale == 1);
  }
}

void OnCommand(ui::Handle panel, int address, ui::WordParam word, ui::LongParam l) {
  const int id = ui::CommandId(word);
  if (id == id_oc_up_down && ui::CommandNotification(word) == ui::notify_delta_pos) {
    SerialSendKey(address, l < 0 ? '8' : '2');
    return;
  }
  ui::SetFocusTo(panel);
  if (const char key = ControllerKey(id)) SerialSendKey(address, key);
}

void OnKeyDown(ui::Handle panel, int address, int key) {
  // No key of the controller repeats while held.
  if (key_down[key]) return;
  key_down[key] = 1;
  if (key == ui::vk_tab) NextWindow(address, key_down[ui::vk_shift]);
  if (ui::Control(panel, key)) {
    ui::SetButtonPushed(panel, key, true);
  } else if (key != ui::vk_up && key != ui::vk_down) {
    return;
  }
  OnCommand(panel, address, ui::MakeCommand(key, ui::notify_clicked), 0);
}

}  // namespace

ui::Handle CreateOcontrolDialog(int address) {
  if (address < 0 || address >= device_count) return ui::no_window;
  if (PanelLives(address)) {
    ui::BringToFront(poll_dialog[address]);
    return poll_dialog[address];
  }
  const ui::DialogTemplate& panel_template =
      mini_ocontrol ? MiniOcontrolPanelTemplate() : OcontrolPanelTemplate();
  const ui::Handle panel = ui::CreateModeless(panel_template, main_window, nullptr);
  if (!panel) return ui::no_window;
  poll_dialog[address] = panel;
  char title[32];
  std::snprintf(title, sizeof title, "Outdoor Controller %c", address);
  ui::SetTitle(panel, AlertMark(address) + title);
  device_data[address].redisplay = !device_data[address].redisplay;
  ui::Show(panel);
  popup_color[address] = popup_color0[address] = colour_normal;
  return panel;
}

ui::Result oControlPollCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                                ui::LongParam l) {
  const int address = PanelAddress(window);
  switch (message) {
    case ui::msg_create:
      if (controller_pale < 0) controller_pale = PaleColours() ? 1 : 0;
      return 0;
    case ui::msg_key_down:
      OnKeyDown(window, address, static_cast<int>(word & 0xFF));
      return 0;
    case ui::msg_key_up: {
      const int key = static_cast<int>(word & 0xFF);
      key_down[key] = 0;
      ui::SetButtonPushed(window, key, false);
      return 0;
    }
    case ui::msg_command:
      OnCommand(window, address, word, l);
      return 0;
    case ui::msg_static_colour:
      return ControlColour(address, static_cast<int>(l));
    case ui::msg_erase_background: {
      auto* context = reinterpret_cast<ui::PaintContext*>(l);
      context->FillRect(ui::ClientRect(window),
                        PanelColour(popup_color[address], controller_pale == 1));
      return 1;
    }
    case ui::msg_close:
      ui::Destroy(window);
      ui::SetFocusTo(main_window);
      return 0;
    default:
      return ui::DefaultProcedure(window, message, word, l);
  }
}
