// The amplifier panel's procedure: keypad buttons and keyboard keys forwarded
// to the amplifier, the attenuation bar, colours and closing.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/amp_info_dialog.h"
#include "app/amp_panel_lamps.h"
#include "app/amp_panel_shared.h"
#include "app/frequency_dialog.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "app/trends_window.h"
#include "app/wlog.h"
#include "config/number_text.h"
#include "config/settings.h"
#include "link/command_set.h"
#include "link/keypad.h"
#include "link/wsocket.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/panel_ids.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/message_box.h"
#include "ui/paint.h"

namespace {

struct key_translation {
  int id;  // button id, the virtual-key code of its keyboard equivalent
  char key;
};

constexpr key_translation amp_keys[] = {
    {ui::vk_decimal, '.'},  {ui::vk_back, 'C'},   {ui::vk_return, 'F'}, {ui::vk_f1, 'W'},
    {ui::vk_f1 + 1, 'X'},   {ui::vk_f1 + 2, 'Y'}, {ui::vk_f1 + 3, 'Z'}, {ui::vk_f1 + 4, 'H'},
    {ui::vk_f1 + 5, 'G'},   {ui::vk_f1 + 6, 'D'}, {ui::vk_f1 + 7, 'B'}, {ui::vk_f1 + 8, 'A'},
    {ui::vk_subtract, 'i'}, {ui::vk_add, 'j'},    {ui::vk_next, 'k'},   {ui::vk_prior, 'l'},
};

// The bar's range when the panel has not set one yet.
constexpr int default_bar_maximum = 400;
// Steps that would leave any attenuation an amplifier has are not sent.
constexpr double largest_step_result = 1000.0;

char AmpKey(int id) {
  if (id >= ui::vk_numpad0 && id <= ui::vk_numpad0 + 9)
    return static_cast<char>('0' + id - ui::vk_numpad0);
  for (const key_translation& entry : amp_keys) {
    if (entry.id == id) return entry.key;
  }
  return 0;
}

void SendAttenuation(int address, double db) {
  KewCommand(address, AttenuationCommand(db).text);
  char shown[16];
  FormatFixed(shown, sizeof shown, db, 1, 1, false);
  JournalAdd(address, "attenuation_set", std::string("Attenuation set to ") + shown + " dB");
}

// "%4.1f", with a point whatever the locale.
void ShowAttenuation(int address, double db) {
  FormatFixed(device_data[address].attenuation, sizeof device_data[address].attenuation, db, 4, 1,
              false);
}

// Whole dB under the thumb, counted from the bar's left end, its maximum in
// tenths. Counting from the real maximum keeps attenuations above 40 dB
// right, where a fixed 40 dB end would send negative values.
int ThumbDb(ui::Handle panel, int position) {
  const int maximum = static_cast<int>(ui::WindowData(panel, bar_maximum_slot));
  const int tenths = (maximum > 0 ? maximum : default_bar_maximum) - position;
  return tenths > 0 ? tenths / 10 : 0;
}

void StepAttenuation(int address, double step) {
  const double db = LeadingNumber(FieldText(device_data[address].attenuation)) + step;
  if (!(std::fabs(db) < largest_step_result)) return;
  SendAttenuation(address, db);
  ShowAttenuation(address, db);
  UpdatePopup(address);
}

void OnAttenuationBar(ui::Handle panel, int address, unsigned code, int position) {
  switch (code) {
    case ui::scroll_line_up:
      StepAttenuation(address, 0.1);
      break;
    case ui::scroll_line_down:
      StepAttenuation(address, -0.1);
      break;
    case ui::scroll_page_up:
      StepAttenuation(address, 1.0);
      break;
    case ui::scroll_page_down:
      StepAttenuation(address, -1.0);
      break;
    case ui::scroll_thumb_track:
      // Shown only: the poll must not overwrite the value while it is dragged,
      // and the bar stays where the operator holds it.
      adjusting_attenuator[address] = 1;
      ShowAttenuation(address, ThumbDb(panel, position));
      ui::SetControlText(panel, id_attenuation, FieldText(device_data[address].attenuation));
      break;
    case ui::scroll_thumb_position:
      adjusting_attenuator[address] = 1;
      SendAttenuation(address, ThumbDb(panel, position));
      ShowAttenuation(address, ThumbDb(panel, position));
      UpdatePopup(address);
      break;
    case ui::scroll_end:
      adjusting_attenuator[address] = 0;
      break;
    default:
      break;
  }
}

void OnCommand(ui::Handle panel, int address, int id) {
  if (IsLamp(id)) {
    // Lamps only show the amplifier's state.
    RestoreLamps(panel);
    return;
  }
  ui::SetFocusTo(panel);
  if (id == id_amp_options) {
    RunAmpInfoDialog(panel, address);
  } else if (id == id_amp_frequency) {
    RunFrequencyDialog(panel, address);
  } else if (id == id_amp_trends) {
    OpenTrendsWindow(address);
  } else if (const char key = AmpKey(id & 0xFF)) {
    SerialSendKey(address, key);
  }
}

void OnKeyDown(ui::Handle panel, int address, int key) {
  // Only "+" and "-" repeat while held.
  if (key_down[key] && key != ui::vk_subtract && key != ui::vk_add) return;
  key_down[key] = 1;
  if (key == 'T' && ui::IsKeyHeld(ui::vk_control)) {
    OpenTrendsWindow(address);
    return;
  }
  key = MapAngleKeys(key);
  if (key == ui::vk_tab) NextWindow(address, key_down[ui::vk_shift]);
  if (!ui::Control(panel, key)) return;
  ui::SetButtonPushed(panel, key, true);
  OnCommand(panel, address, key);
}

// The log ends with the panel; the operator may print it first.
void ClosePanel(ui::Handle panel, int address) {
  CloseLog(address);
  if (logging_on && log_prompt) {
    const device_struct& record = device_data[address];
    char text[96];
    std::snprintf(text, sizeof text, "Print Status Log and Fault Log for Part %.*s, Serial %.*s?",
                  static_cast<int>(strnlen(record.part, sizeof record.part)), record.part,
                  static_cast<int>(strnlen(record.serial, sizeof record.serial)), record.serial);
    if (ui::ShowMessage(panel, text, "Confirm", ui::Buttons::yes_no, ui::Icon::question) ==
        ui::answer_yes)
      PrintLog(panel, address);
  }
  ui::Destroy(panel);
  ui::SetFocusTo(main_window);
}

}  // namespace

ui::Result PollCallBack(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  const int address = PanelAddress(window);
  switch (message) {
    case ui::msg_key_down:
      OnKeyDown(window, address, static_cast<int>(word & 0xFF));
      return 0;
    case ui::msg_key_up: {
      const int key = static_cast<int>(word & 0xFF);
      key_down[key] = 0;
      ui::SetButtonPushed(window, MapAngleKeys(key), false);
      return 0;
    }
    case ui::msg_command:
      OnCommand(window, address, ui::CommandId(word));
      return 0;
    case ui::msg_hscroll:
      if (l == id_attenuation_bar)
        OnAttenuationBar(window, address, ui::ScrollCodeOf(word), ui::ScrollPositionOf(word));
      return 0;
    case ui::msg_static_colour:
      return PanelColour(popup_color[address], PaleColours());
    case ui::msg_erase_background: {
      auto* context = reinterpret_cast<ui::PaintContext*>(l);
      context->FillRect(ui::ClientRect(window), PanelColour(popup_color[address], PaleColours()));
      return 1;
    }
    case ui::msg_close:
      ClosePanel(window, address);
      return 0;
    case ui::msg_destroy:
      // However the panel goes (the operator, the exit, an operation that
      // closes every panel), its log and its connection are closed with it.
      CloseLog(address);
      CloseDeviceSocket(address);
      CloseTrendsWindow(address);
      return ui::DefaultProcedure(window, message, word, l);
    default:
      return ui::DefaultProcedure(window, message, word, l);
  }
}
