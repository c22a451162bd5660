// The console under a locale that writes decimal commas, switched on after the
// application exists as if nothing pinned the numbers: what it sends, shows and
// writes stays as in the C locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/frequency_dialog.h"
#include "app/wlog.h"
#include "config/defaults_file.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "panel_test_support.h"
#include "resources/device_dialog_ids.h"
#include "resources/panel_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"

namespace {

using Op = ui::ScriptedOperator;
using Bodies = std::vector<std::string>;

// Switches the C library to the comma locale once the application exists, as
// the console does, and back afterwards.
class CommaLocale {
 public:
  CommaLocale() : before_(std::setlocale(LC_ALL, nullptr)) {
    ui::InitApplication(0, nullptr);
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_ALL, before_.c_str()); }
  bool Active() const { return active_; }

 private:
  std::string before_;
  bool active_ = false;
};

constexpr char no_comma_locale[] = "de_DE.UTF-8 is not generated";

class CommaPanel : public PanelTest {};

TEST_F(CommaPanel, AttenuationBarReadsAndSendsPoints) {
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
}

TEST(CommaSettings, FileAndLogStampAreTheCLocales) {
  ScratchDirectory directory;
  ResetSettings();
  download_baud = 115200;
  polling_interval = 1500;
  logging_interval = 60;
  char c_stamp[time_stamp_size], comma_stamp[time_stamp_size], later_stamp[time_stamp_size];
  TimeStamp(c_stamp);
  SaveConfig();
  const std::string c_file = directory.Read("defaults.txt");
  {
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << no_comma_locale;
    TimeStamp(comma_stamp);
    SaveConfig();
    EXPECT_EQ(directory.Read("defaults.txt"), c_file);
    ResetSettings();
    LoadConfig();
    EXPECT_EQ(download_baud, 115200);
    EXPECT_EQ(polling_interval, 1500u);
    EXPECT_EQ(logging_interval, 60u);
  }
  TimeStamp(later_stamp);
  // A minute may turn between the stamps.
  EXPECT_TRUE(std::string(comma_stamp) == c_stamp || std::string(comma_stamp) == later_stamp)
      << comma_stamp << " / " << c_stamp;
  ResetSettings();
}

class CommaFrequency : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
    ZeroDeviceData('A');
  }
  test_support::SimProcess sim;
};

TEST_F(CommaFrequency, DialogAsksWithPoints) {
  ResetSettings();
  ResetLinkSettings();
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1) << serial_port;
  std::memset(protocol_state, 0, sizeof protocol_state);
  ZeroDeviceData('A');
  ASSERT_EQ(sim.Control("set A frequency 14.25").rfind("ok", 0), 0u);
  ASSERT_EQ(sim.Control("set A offset 2.25").rfind("ok", 0), 0u);
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << no_comma_locale;
  std::string shown;
  ui::ScriptedOperator op;
  op.WhenDialogOpens("Frequency Offsets", [&](ui::Handle dialog) {
    shown = ui::ControlText(dialog, id_first_offset + 2);
    Op::Press(dialog, ui::id_ok);
  });
  RunFrequencyDialog(ui::no_window, 'A');
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(sim.Control("get A last"), "ok TO14.25?");
  EXPECT_EQ(shown, "+2.25");
}

}  // namespace
