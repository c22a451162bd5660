#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/device_records.h"
#include "panel_test_support.h"
#include "resources/panel_ids.h"
#include "ui/dialog.h"
#include "ui/keys.h"

namespace {

using Op = ui::ScriptedOperator;
using Bodies = std::vector<std::string>;

constexpr long grey = 0xAFAFAF, green = 0x7FDF7F, red = 0x7F7FDF, yellow = 0x7FDFDF;

class OcontrolPanel : public PanelTest {
 protected:
  ui::Handle Open(int address) {
    device_type[address] = ocontrol_device;
    ZeroDeviceData(address);
    return CreateOcontrolDialog(address);
  }
};

TEST_F(OcontrolPanel, DisplayAndLampsFollowTheRecord) {
  const ui::Handle panel = Open('B');
  ASSERT_NE(panel, ui::no_window);
  EXPECT_EQ(ui::DialogName(panel), "8");
  EXPECT_EQ(ui::Title(panel), "Outdoor Controller B");
  EXPECT_EQ(CreateOcontrolDialog('B'), panel);
  UpdatePopup('B');
  EXPECT_EQ(ui::ControlText(panel, id_oc_display), "     No Status      ");
  for (int id = id_oc_lamp_power; id <= id_oc_lamp_standby; ++id)
    EXPECT_EQ(StaticColour(panel, id), grey) << id;

  device_struct& d = device_data['B'];
  CopyField(d.screen[0], "SYSTEM A ONLINE     ");
  last_response['B'] = '?';
  d.remote = d.twta_power = d.hstandby = d.hv_on = d.fault = d.ftd = d.standby = 1;
  UpdatePopup('B');
  EXPECT_EQ(ui::ControlText(panel, id_oc_display), "SYSTEM A ONLINE     ");
  const struct {
    int id;
    long colour;
  } lit[] = {{id_oc_lamp_power, green},      {id_oc_lamp_remote, green},
             {id_oc_lamp_twta_power, green}, {id_oc_lamp_heater_standby, green},
             {id_oc_lamp_hv, green},         {id_oc_lamp_fault, red},
             {id_oc_lamp_ftd, yellow},       {id_oc_lamp_standby, yellow}};
  for (const auto& lamp : lit) EXPECT_EQ(StaticColour(panel, lamp.id), lamp.colour) << lamp.id;

  // The controller reports power off: the parser clears the rest, the lamps go grey.
  d.twta_power = d.hstandby = d.hv_on = d.fault = d.ftd = d.standby = 0;
  UpdatePopup('B');
  for (const auto& lamp : lit) {
    if (lamp.id == id_oc_lamp_power || lamp.id == id_oc_lamp_remote) continue;
    EXPECT_EQ(StaticColour(panel, lamp.id), grey) << lamp.id;
  }
  // Labels and background stay grey whatever the state.
  EXPECT_EQ(StaticColour(panel, id_oc_display), grey);
  EXPECT_EQ(EraseColour(panel), grey);
}

TEST_F(OcontrolPanel, ButtonsKeysAndUpDownSendTheControllerKeys) {
  const ui::Handle panel = Open('B');
  for (const int id : {id_oc_key_twta_power, id_oc_key_heater_standby, id_oc_key_hv,
                       id_oc_key_fault_reset, id_oc_key_enter}) {
    Op::Press(panel, id);
  }
  EXPECT_EQ(FrameBodies(line.Sent(), true), (Bodies{"BVA", "BVH", "BV!", "BVF", "BVE"}));

  Op::KeyDown(panel, ui::vk_f1 + 7);
  EXPECT_TRUE(ui::IsButtonPushed(panel, id_oc_key_hv));
  Op::KeyUp(panel, ui::vk_f1 + 7);
  EXPECT_FALSE(ui::IsButtonPushed(panel, id_oc_key_hv));
  EXPECT_EQ(Sent(), Bodies{"V!"});

  // No key repeats, the arrows included.
  Op::KeyDown(panel, ui::vk_up);
  Op::KeyDown(panel, ui::vk_up, true);
  Op::KeyUp(panel, ui::vk_up);
  Op::KeyDown(panel, ui::vk_down);
  Op::KeyUp(panel, ui::vk_down);
  Op::KeyDown(panel, ui::vk_return);
  Op::KeyDown(panel, ui::vk_return, true);
  Op::KeyUp(panel, ui::vk_return);
  EXPECT_EQ(Sent(), (Bodies{"V8", "V2", "VE"}));

  Op::StepUpDown(panel, id_oc_up_down, true);
  Op::StepUpDown(panel, id_oc_up_down, false);
  Op::StepUpDown(panel, id_oc_up_down, false);
  EXPECT_EQ(Sent(), (Bodies{"V8", "V2", "V2"}));

  // Keys of the amplifier's keypad mean nothing here.
  for (const int key : {int{ui::vk_f1}, ui::vk_numpad0 + 5, int{ui::vk_add}, int{ui::vk_back}}) {
    Op::KeyDown(panel, key);
    Op::KeyUp(panel, key);
  }
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OcontrolPanel, NarrowScreensGetTheCompactTemplateAndTabReachesIt) {
  mini_ocontrol = 1;
  ASSERT_TRUE(RegisterPanelClasses());
  const ui::Handle amplifier = CreatePollDialog('A');
  const ui::Handle controller = Open('C');
  EXPECT_EQ(ui::DialogName(controller), "11");
  Op::KeyDown(amplifier, ui::vk_tab);
  Op::KeyUp(amplifier, ui::vk_tab);
  EXPECT_EQ(ui::ActiveWindow(), controller);
  Op::KeyDown(controller, ui::vk_shift);
  Op::KeyDown(controller, ui::vk_tab);
  Op::KeyUp(controller, ui::vk_tab);
  Op::KeyUp(controller, ui::vk_shift);
  EXPECT_EQ(ui::ActiveWindow(), amplifier);

  ui::Send(controller, ui::msg_close);
  EXPECT_FALSE(IsOpen('C'));
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
