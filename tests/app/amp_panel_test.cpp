#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/amp_panel_shared.h"
#include "app/polling.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "panel_test_support.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "records/window_seams.h"
#include "resources/panel_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/keys.h"

namespace {

using Op = ui::ScriptedOperator;
using Bodies = std::vector<std::string>;

class AmpPanel : public PanelTest {};

void SetRow(int address, int row, const char* text) {
  CopyField(device_data[address].screen[row], text);
}

TEST_F(AmpPanel, RowsLampsAndReadingsFollowTheRecord) {
  const ui::Handle panel = CreatePollDialog('A');
  ASSERT_NE(panel, ui::no_window);
  EXPECT_EQ(poll_dialog['A'], panel);
  EXPECT_EQ(ui::DialogName(panel), "1");
  EXPECT_EQ(ui::Title(panel), "Amplifier 'A'");
  EXPECT_EQ(ui::ControlText(panel, id_display_row0 + 1), "     No Status      ");
  EXPECT_EQ(ui::ControlText(panel, id_display_row0 + 2), "     Available      ");
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_power), ui::unchecked);

  device_struct& d = device_data['A'];
  SetRow('A', 0, "HPA 750W  ONLINE    ");
  SetRow('A', 3, "F1 F2 F3 F4  \xb0\xff   ");
  last_response['A'] = '?';
  d.hv_on = d.local = d.alarm = 1;
  CopyField(d.power_out, "45.3");
  CopyField(d.voltage, "10.2");
  CopyField(d.attenuation, "12.5");
  UpdatePopup('A');
  EXPECT_EQ(ui::ControlText(panel, id_display_row0), "HPA 750W  ONLINE    ");
  EXPECT_EQ(ui::ControlText(panel, id_display_row0 + 3), "F1 F2 F3 F4  \xb0\xff   ");
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_power), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_hv_on), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_ftd), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_local), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_alarm), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_fault), ui::unchecked);
  EXPECT_EQ(ui::ControlText(panel, id_power_out), "45.3");
  EXPECT_EQ(ui::ControlText(panel, id_voltage), "10.2");
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "12.5");
  EXPECT_EQ(ui::ScrollBarPosition(panel, id_attenuation_bar), 280);

  // A group none of whose states is set keeps its lamp; FTD wins over the rest.
  d.hv_on = d.local = 0;
  d.fault = 1;
  UpdatePopup('A');
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_hv_on), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_local), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_fault), ui::checked);
  d.ftd = d.standby = d.hv_on = d.remote = 1;
  UpdatePopup('A');
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_ftd), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_standby), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_hv_on), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_local), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_remote), ui::checked);
}

TEST_F(AmpPanel, RepaintsOnlyWhenTheRecordChanged) {
  const ui::Handle panel = CreatePollDialog('A');
  ui::SetControlText(panel, id_power_out, "mark");
  UpdatePopup('A');
  EXPECT_EQ(ui::ControlText(panel, id_power_out), "mark");
  // Any byte of the record counts, even one the panel does not show.
  device_data['A'].backrev = 1;
  UpdatePopup('A');
  EXPECT_EQ(ui::ControlText(panel, id_power_out), "00.0");
}

TEST_F(AmpPanel, RecordTextsWithoutTerminatorStayInsideTheirFields) {
  const ui::Handle panel = CreatePollDialog('A');
  device_struct& d = device_data['A'];
  std::memset(d.screen, 'x', sizeof d.screen);
  std::memset(d.power_out, '9', sizeof d.power_out);
  std::memset(d.attenuation, '9', sizeof d.attenuation);
  UpdatePopup('A');
  EXPECT_EQ(ui::ControlText(panel, id_display_row0), std::string(21, 'x'));
  EXPECT_EQ(ui::ControlText(panel, id_power_out), "999999");
  // 999999 dB whole is far beyond the bar; its range stays one a scroll message can carry.
  EXPECT_EQ(ui::ScrollBarPosition(panel, id_attenuation_bar), 0);
}

struct ColourCase {
  const char* what;
  char answered;
  char fault;
  int beam;
  int code;
};

TEST_F(AmpPanel, ColourFollowsFaultAndBeamHours) {
  const ui::Handle panel = CreatePollDialog('A');
  const ColourCase cases[] = {
      {"no answer yet", 0, 1, 5000, 0}, {"normal", '?', 0, 900, 0},
      {"within 18 h", '?', 0, 990, 3},  {"18 h before", '?', 0, 982, 3},
      {"19 h before", '?', 0, 981, 0},  {"at target", '?', 0, 1000, 1},
      {"past target", '?', 0, 1200, 1}, {"fault", '?', 1, 1000, 2},
  };
  const long pale[] = {0xAFAFAF, 0x7FDF7F, 0x7F7FDF, 0x7FDFDF};
  const long strong[] = {0x808080, 0x00FF00, 0x0000FF, 0x00FFFF};
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.what);
    device_data['A'].target_hours = 1000;
    device_data['A'].beam = c.beam;
    device_data['A'].fault = c.fault;
    last_response['A'] = c.answered;
    UpdatePopup('A');
    EXPECT_EQ(popup_color['A'], c.code);
    bright_color = 0;
    EXPECT_EQ(EraseColour(panel), pale[c.code]);
    EXPECT_EQ(StaticColour(panel, id_display_row0), pale[c.code]);
    bright_color = 1;
    EXPECT_EQ(EraseColour(panel), strong[c.code]);
    EXPECT_EQ(StaticColour(panel, id_voltage), strong[c.code]);
    bright_color = 0;
  }
  // A display without the pale tints gets the strong set.
  good_color = 0;
  EXPECT_EQ(EraseColour(panel), strong[2]);
}

TEST_F(AmpPanel, TitlesFollowIdentityLinkAndAddress) {
  logging_on = 1;
  CopyField(device_data['A'].part, "305-1234-567");
  CopyField(device_data['A'].serial, "12345");
  CopyField(device_data['A'].comments, "spare");
  const ui::Handle panel = CreatePollDialog('A');
  EXPECT_EQ(ui::Title(panel), "'A': 305-1234-567 12345 (spare)");
  device_data['A'].comments[0] = 0;
  SetPopupTitle('A');
  EXPECT_EQ(ui::Title(panel), "'A': 305-1234-567 12345");
  logging_on = 0;
  use_ethernet = 1;
  CopyField(default_ipaddress, "127.0.0.5");
  SetPopupTitle('A');
  EXPECT_EQ(ui::Title(panel), "Amplifier 127.0.0.5");
  use_ethernet = 0;
  EXPECT_EQ(ui::Title(CreatePollDialog(0x07)), "Amplifier '07h'");
}

TEST_F(AmpPanel, KeypadButtonsSendTheirKeys) {
  const ui::Handle panel = CreatePollDialog('A');
  const struct {
    int id;
    const char* body;
  } keys[] = {
      {id_key_digit0, "V0"}, {id_key_digit0 + 9, "V9"}, {id_key_point, "V."},
      {id_key_clear, "VC"},  {id_key_enter, "VF"},      {id_key_f1, "VW"},
      {id_key_f4, "VZ"},     {id_key_status1, "VH"},    {id_key_status2, "VG"},
      {id_key_setup, "VD"},  {id_key_hv_off, "VB"},     {id_key_hv_on, "VA"},
      {id_key_minus, "Vi"},  {id_key_plus, "Vj"},       {id_key_left, "Vk"},
      {id_key_right, "Vl"},
  };
  for (const auto& key : keys) {
    SCOPED_TRACE(key.body);
    Op::Press(panel, key.id);
    EXPECT_EQ(FrameBodies(line.Sent(), true), Bodies{std::string("A") + key.body});
  }
  // The disabled "Enable" sends nothing, and neither do the lamps, which keep what they show.
  EXPECT_FALSE(ui::IsControlEnabled(panel, id_key_enable));
  Op::Press(panel, id_key_enable);
  device_data['A'].hv_on = 1;
  last_response['A'] = '?';
  UpdatePopup('A');
  for (int id = id_lamp_power; id <= id_lamp_fault; ++id) Op::Press(panel, id);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_power), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_hv_on), ui::checked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_ftd), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_local), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_remote), ui::unchecked);
  EXPECT_EQ(ui::CheckStateOf(panel, id_lamp_fault), ui::unchecked);
}

TEST_F(AmpPanel, KeyboardKeysPressTheirButtons) {
  const ui::Handle panel = CreatePollDialog('A');
  Op::KeyDown(panel, ui::vk_f1);
  EXPECT_TRUE(ui::IsButtonPushed(panel, id_key_f1));
  EXPECT_EQ(Sent(), Bodies{"VW"});
  // Held F1 turns the next key into its shifted form.
  Op::KeyDown(panel, ui::vk_numpad0 + 5);
  EXPECT_EQ(Sent(), Bodies{"VW5"});
  Op::KeyUp(panel, ui::vk_numpad0 + 5);
  Op::KeyUp(panel, ui::vk_f1);
  EXPECT_FALSE(ui::IsButtonPushed(panel, id_key_f1));
  Op::KeyDown(panel, ui::vk_numpad0 + 5);
  Op::KeyUp(panel, ui::vk_numpad0 + 5);
  EXPECT_EQ(Sent(), Bodies{"V5"});

  // The keys that type "<" and ">" are the arrows; Page Down and Up too.
  for (const int key : {ui::VirtualKeyOfCharacter('<'), static_cast<int>(ui::vk_next)}) {
    Op::KeyDown(panel, key);
    EXPECT_TRUE(ui::IsButtonPushed(panel, id_key_left));
    Op::KeyUp(panel, key);
    EXPECT_FALSE(ui::IsButtonPushed(panel, id_key_left));
  }
  Op::KeyDown(panel, ui::VirtualKeyOfCharacter('>'));
  Op::KeyUp(panel, ui::VirtualKeyOfCharacter('>'));
  EXPECT_EQ(Sent(), (Bodies{"Vk", "Vk", "Vl"}));

  // Main keyboard digits and keys without a button send nothing.
  for (const int key : {int{'5'}, int{'A'}, ui::vk_f1 + 11, int{ui::vk_home}}) {
    Op::KeyDown(panel, key);
    Op::KeyUp(panel, key);
  }
  EXPECT_TRUE(Sent().empty());
}

TEST_F(AmpPanel, OnlyPlusAndMinusRepeatWhileHeld) {
  const ui::Handle panel = CreatePollDialog('A');
  Op::KeyDown(panel, ui::vk_add);
  Op::KeyDown(panel, ui::vk_add, true);
  Op::KeyDown(panel, ui::vk_add, true);
  Op::KeyUp(panel, ui::vk_add);
  EXPECT_EQ(Sent(), (Bodies{"Vj", "Vj", "Vj"}));
  Op::KeyDown(panel, ui::vk_subtract);
  Op::KeyDown(panel, ui::vk_subtract, true);
  Op::KeyUp(panel, ui::vk_subtract);
  EXPECT_EQ(Sent(), (Bodies{"Vi", "Vi"}));
  Op::KeyDown(panel, ui::vk_numpad0 + 5);
  Op::KeyDown(panel, ui::vk_numpad0 + 5, true);
  Op::KeyDown(panel, ui::vk_numpad0 + 5, true);
  EXPECT_EQ(Sent(), Bodies{"V5"});
  Op::KeyUp(panel, ui::vk_numpad0 + 5);
  Op::KeyDown(panel, ui::vk_numpad0 + 5);
  EXPECT_EQ(Sent(), Bodies{"V5"});
}

TEST_F(AmpPanel, AttenuationBarSetsTheAmplifier) {
  const ui::Handle panel = CreatePollDialog('A');
  CopyField(device_data['A'].attenuation, "12.5");
  UpdatePopup('A');
  EXPECT_EQ(ui::ScrollBarPosition(panel, id_attenuation_bar), 280);

  // Dragging shows whole dB and sends nothing; the poll must leave the value alone.
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_thumb_track, 125);
  EXPECT_STREQ(device_data['A'].attenuation, "27.0");
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "27.0");
  EXPECT_EQ(adjusting_attenuator['A'], 1);
  EXPECT_TRUE(Sent().empty());
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_thumb_position, 125);
  EXPECT_EQ(Sent(), Bodies{"K27.0!"});
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "27.0");
  EXPECT_EQ(adjusting_attenuator['A'], 0);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_thumb_position, 120);
  EXPECT_EQ(Sent(), Bodies{"K28.0!"});

  CopyField(device_data['A'].attenuation, "12.5");
  UpdatePopup('A');
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_line_up);
  EXPECT_EQ(Sent(), Bodies{"K12.6!"});
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "12.6");
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_line_down);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_page_up);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_page_down);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_page_down);
  EXPECT_EQ(Sent(), (Bodies{"K12.5!", "K13.5!", "K12.5!", "K11.5!"}));
  EXPECT_STREQ(device_data['A'].attenuation, "11.5");

  // Above 40 dB the bar grows, and the thumb counts from its real left end.
  CopyField(device_data['A'].attenuation, "55.0");
  UpdatePopup('A');
  EXPECT_EQ(ui::ScrollBarPosition(panel, id_attenuation_bar), 0);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_thumb_position, 105);
  EXPECT_EQ(Sent(), Bodies{"K44.0!"});
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "44.0");

  // A value no amplifier has is not stepped from, and the field stays whole.
  CopyField(device_data['A'].attenuation, "9e99");
  UpdatePopup('A');
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_page_up);
  EXPECT_TRUE(Sent().empty());
  CopyField(device_data['A'].attenuation, "999.5");
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_page_up);
  EXPECT_TRUE(Sent().empty());
  EXPECT_STREQ(device_data['A'].attenuation, "999.5");
}

TEST_F(AmpPanel, AttenuationKeepsItsPointUnderACommaLocale) {
  const ui::Handle panel = CreatePollDialog('A');
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << no_comma_locale;
  CopyField(device_data['A'].attenuation, "27.0");
  UpdatePopup('A');
  EXPECT_EQ(ui::ScrollBarPosition(panel, id_attenuation_bar), 130);
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_thumb_position, 125);
  EXPECT_EQ(Sent(), Bodies{"K27.0!"});
  EXPECT_EQ(ui::ControlText(panel, id_attenuation), "27.0");
  CopyField(device_data['A'].attenuation, "12.5");
  Op::Scroll(panel, id_attenuation_bar, ui::scroll_line_up);
  EXPECT_EQ(Sent(), Bodies{"K12.6!"});
  EXPECT_STREQ(device_data['A'].attenuation, "12.6");
  EXPECT_EQ(JournalEvents().back().text, "Attenuation set to 12.6 dB");
}

TEST_F(AmpPanel, PanelsCascadeAndTabCyclesThroughThem) {
  const ui::Handle a = CreatePollDialog('A');
  const ui::Handle b = CreatePollDialog('B');
  const ui::Handle f = CreatePollDialog('F');
  const ui::Handle k = CreatePollDialog('K');
  EXPECT_EQ(CreatePollDialog('A'), a);
  const ui::Rect first = ui::WindowRect(a);
  EXPECT_EQ(ui::WindowRect(b).top, first.top + 25);
  EXPECT_EQ(ui::WindowRect(f).top, first.top + 125);
  EXPECT_EQ(ui::WindowRect(f).left, first.left);
  EXPECT_EQ(ui::WindowRect(k).top, first.top);
  EXPECT_EQ(ui::WindowRect(k).left, first.left + 100);
  EXPECT_EQ(ui::WindowRect(k).Width(), first.Width());

  Op::KeyDown(a, ui::vk_tab);
  Op::KeyUp(a, ui::vk_tab);
  EXPECT_EQ(ui::ActiveWindow(), b);
  Op::KeyDown(k, ui::vk_tab);
  Op::KeyUp(k, ui::vk_tab);
  EXPECT_EQ(ui::ActiveWindow(), main_window);
  Op::KeyDown(f, ui::vk_shift);
  Op::KeyDown(f, ui::vk_tab);
  Op::KeyUp(f, ui::vk_tab);
  Op::KeyUp(f, ui::vk_shift);
  EXPECT_EQ(ui::ActiveWindow(), b);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(AmpPanel, FrequencyVariantAndClosing) {
  poll_frequency = 1;
  const ui::Handle panel = CreatePollDialog('A');
  EXPECT_EQ(ui::DialogName(panel), "13");
  EXPECT_EQ(device_data['A'].poll_frequency, 1);
  EXPECT_EQ(ui::ControlText(panel, id_amp_frequency), "XX.XX Ghz");
  EXPECT_NE(ui::Control(panel, id_amp_offset), ui::no_window);
  op.WhenDialogOpens("Amplifier Options",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  Op::Press(panel, id_amp_options);
  EXPECT_EQ(op.OpenedDialogs().back(), "Amplifier Options");
  EXPECT_TRUE(Sent().empty());

  logfile['A'] = std::tmpfile();
  ui::Send(panel, ui::msg_close);
  EXPECT_FALSE(IsOpen('A'));
  EXPECT_EQ(logfile['A'], nullptr);
  // Reopening starts from the reset record, in the plain variant now.
  poll_frequency = 0;
  device_data['A'].hv_on = 1;
  EXPECT_EQ(ui::DialogName(CreatePollDialog('A')), "1");
  EXPECT_EQ(device_data['A'].hv_on, 0);
  // Operations that close every panel close their logs too.
  CreatePollDialog('B');
  logfile['A'] = std::tmpfile();
  logfile['B'] = std::tmpfile();
  EXPECT_EQ(ClosePollWindows(), 'B');
  EXPECT_EQ(logfile['A'], nullptr);
  EXPECT_EQ(logfile['B'], nullptr);
}

TEST_F(AmpPanel, FollowsTheSimulatedAmplifierThroughThePollingEngine) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
  CloseSerial();
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1);
  polling_interval = 100;
  poll_timer.Reset(polling_interval);
  poll_frequency = 1;
  const ui::Handle panel = CreatePollDialog('A');
  const bool shown = Op::RunUntil(
      [&] {
        PollSequence(TrapResponse(0));
        return ui::CheckStateOf(panel, id_lamp_power) == ui::checked &&
               ui::ControlText(panel, id_display_row0 + 1) != "     No Status      ";
      },
      5000);
  EXPECT_TRUE(shown);
  EXPECT_EQ(device_prev['A'].power_out[0], device_data['A'].power_out[0]);
  EXPECT_EQ(ui::ControlText(panel, id_power_out), FieldText(device_data['A'].power_out));

  // The frequency button asks the amplifier for its offsets in a dialog of its own.
  op.WhenDialogOpens("Frequency Offsets",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  Op::Press(panel, id_amp_frequency);
  EXPECT_EQ(op.OpenedDialogs().back(), "Frequency Offsets");
  // An amplifier that did not answer would have been reported.
  EXPECT_TRUE(op.Boxes().empty());
  CloseSerial();
}

}  // namespace
