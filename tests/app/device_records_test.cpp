#include "records/device_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/log_parameters.h"
#include "config/settings.h"
#include "records/window_seams.h"
#include "ui/window.h"

namespace {

class DeviceRecords : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::RegisterWindowClass({"RecordsTestPanel", ui::DefaultProcedure, 0, ui::Background::button_face, 0, 0});
  }
  void TearDown() override {
    for (ui::Handle& window : poll_dialog) {
      if (window) ui::Destroy(window);
      window = ui::no_window;
    }
  }
  void Open(int address) {
    poll_dialog[address] = ui::CreateWindowOf("RecordsTestPanel", "", ui::style_child, 0, 0, 1, 1, ui::no_window);
  }
};

TEST_F(DeviceRecords, ResetGivesTheNoStatusContentsByKind) {
  SetLogParameterDefaults();
  device_type[7] = twta_device;
  device_data[7].hv_on = device_data[7].fault = 1;
  CopyField(device_data[7].part, "305-1234-567");
  CopyField(pending_command[7], "V1");
  error_count[7] = 0;
  ZeroDeviceData(7);
  EXPECT_STREQ(device_data[7].screen[0], "                    ");
  EXPECT_STREQ(device_data[7].screen[1], "     No Status      ");
  EXPECT_STREQ(device_data[7].screen[2], "     Available      ");
  EXPECT_STREQ(device_data[7].screen[3], "                    ");
  EXPECT_EQ(device_data[7].hv_on, 0);
  EXPECT_EQ(device_data[7].fault, 0);
  EXPECT_EQ(device_data[7].wg1, 'A');
  EXPECT_EQ(static_cast<int>(device_data[7].heater), -1);
  EXPECT_EQ(static_cast<int>(device_data[7].beam), -1);
  EXPECT_STREQ(device_data[7].attenuation, "00.0");
  EXPECT_EQ(error_count[7], 3);
  EXPECT_STREQ(pending_command[7], "");
  EXPECT_STREQ(log_parameter[0].response[7], "????");
  EXPECT_STREQ(log_parameter[8].response[7], "????");
  // The identity survives a reset.
  EXPECT_STREQ(device_data[7].part, "305-1234-567");

  device_type[8] = ocontrol_device;
  ZeroDeviceData(8);
  EXPECT_STREQ(device_data[8].screen[0], "     No Status      ");
  EXPECT_STREQ(device_data[8].screen[1], "                    ");
  device_type[8] = twta_device;
}

TEST_F(DeviceRecords, IdentityResetWritesTheTargetOnlyWhileLoggingIsOff) {
  device_data[9].target_hours = 1234;
  logging_on = 1;
  ZeroDeviceComments(9);
  EXPECT_EQ(static_cast<int>(device_data[9].target_hours), 1234);
  EXPECT_STREQ(device_data[9].part, "000-0000-000");
  EXPECT_STREQ(device_data[9].serial, "0000");
  EXPECT_STREQ(device_data[9].comments, "");
  EXPECT_STREQ(device_data[9].log_zero, "Unavailable");
  logging_on = 0;
  ZeroDeviceComments(9);
  EXPECT_EQ(static_cast<int>(device_data[9].target_hours), 999999);
}

TEST_F(DeviceRecords, TheProposedAddressFollowsTheFirstRunOfOpenPanels) {
  EXPECT_EQ(NextAvailablePollAddress(), 65);
  Open(65);
  Open(66);
  Open(67);
  EXPECT_EQ(NextAvailablePollAddress(), 68);
  TearDown();
  Open(10);
  Open(65);
  EXPECT_EQ(NextAvailablePollAddress(), 11);
  TearDown();
  for (int address = 65; address < device_count; ++address) Open(address);
  EXPECT_EQ(NextAvailablePollAddress(), 65);
}

TEST_F(DeviceRecords, AClosedPanelIsNoLongerOpen) {
  Open(3);
  EXPECT_TRUE(IsOpen(3));
  ui::Destroy(poll_dialog[3]);
  EXPECT_FALSE(IsOpen(3));
  EXPECT_FALSE(IsOpen(-1));
  EXPECT_FALSE(IsOpen(256));
}

TEST(FixedFields, CopiesAreCutToTheField) {
  char field[6];
  CopyField(field, "123456789");
  EXPECT_STREQ(field, "12345");
}

}  // namespace
