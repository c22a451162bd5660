// "Frequency Offsets" against corvane-sim: the three queries, where the
// offsets come from in the answer, the band selection and a silent amplifier.
#include "app/frequency_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "records/device_records.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "resources/device_dialog_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

class FrequencyDialog : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
    ZeroDeviceData('A');
  }
  void Launch(std::vector<std::string> args, bool quillon = false) {
    ResetSettings();
    ResetLinkSettings();
    quillon_protocol = quillon ? 1 : 0;
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
    std::memset(protocol_state, 0, sizeof protocol_state);
    ZeroDeviceData('A');
  }
  void Set(const std::string& command) {
    const std::string answer = sim.Control(command);
    ASSERT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
  }
  // The amplifier's own offsets at the three calibration frequencies.
  void SetOffsets() {
    Set("set A frequency 6.15");
    Set("set A offset 1.5");
    Set("set A frequency 8.15");
    Set("set A offset -0.75");
    Set("set A frequency 14.25");
    Set("set A offset 2.25");
  }
  struct Shown {
    std::string offsets[3];
    int selected = -2;
    std::vector<std::string> items;
  };
  Shown Open() {
    Shown shown;
    op.WhenDialogOpens("Frequency Offsets", [&](ui::Handle dialog) {
      for (int n = 0; n < 3; ++n) shown.offsets[n] = ui::ControlText(dialog, id_first_offset + n);
      shown.selected = ui::Selection(dialog, id_frequency_list);
      for (int n = 0; n < ui::ItemCount(dialog, id_frequency_list); ++n)
        shown.items.push_back(ui::ItemText(dialog, id_frequency_list, n));
      Op::Press(dialog, ui::id_ok);
    });
    RunFrequencyDialog(ui::no_window, 'A');
    return shown;
  }

  ui::ScriptedOperator op;
  test_support::SimProcess sim;
};

TEST_F(FrequencyDialog, ShowsTheThreeOffsetsAndTheReportedBand) {
  Launch({"--amp", "A", "--steady"});
  SetOffsets();
  device_data['A'].frequency = 14.25f;
  const Shown shown = Open();
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(shown.offsets[0], "+1.50");
  EXPECT_EQ(shown.offsets[1], "-0.75");
  EXPECT_EQ(shown.offsets[2], "+2.25");
  EXPECT_EQ(shown.items, (std::vector<std::string>{" 6.15 GHz", " 8.15 GHz", "14.25 GHz"}));
  EXPECT_EQ(shown.selected, 2);
  // Asked in the order 6.15, 8.15, 14.25: the last question is the highest.
  EXPECT_EQ(sim.Control("get A last"), "ok TO14.25?");

  device_data['A'].frequency = 6.15f;
  EXPECT_EQ(Open().selected, 0);
  device_data['A'].frequency = 0.0f;  // frequency polling off
  EXPECT_EQ(Open().selected, -1);
  device_data['A'].frequency = 6.1500001f;
  EXPECT_EQ(Open().selected, 0);  // the same 32-bit float
  device_data['A'].frequency = 6.151f;
  EXPECT_EQ(Open().selected, -1);
}

TEST_F(FrequencyDialog, AsksWithAPointUnderACommaLocale) {
  Launch({"--amp", "A", "--steady"});
  SetOffsets();
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << no_comma_locale;
  EXPECT_EQ(Open().offsets[2], "+2.25");
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(sim.Control("get A last"), "ok TO14.25?");
}

TEST_F(FrequencyDialog, QuillonAnswersCarryTheOffsetAtTheSamePositions) {
  Launch({"--amp", "A", "--steady", "--quillon"}, true);
  SetOffsets();
  device_data['A'].frequency = 8.15f;
  const Shown shown = Open();
  EXPECT_EQ(shown.offsets[0], "+1.50");
  EXPECT_EQ(shown.offsets[1], "-0.75");
  EXPECT_EQ(shown.offsets[2], "+2.25");
  EXPECT_EQ(shown.selected, 1);
}

TEST_F(FrequencyDialog, OverTheSerialPortTheOffsetsComeFromTheSharedReceiver) {
  Launch({"--amp", "C", "--steady"});
  Set("set C frequency 14.25");
  Set("set C offset -3.5");
  Shown shown;
  op.WhenDialogOpens("Frequency Offsets", [&](ui::Handle dialog) {
    shown.offsets[2] = ui::ControlText(dialog, id_first_offset + 2);
    Op::Press(dialog, ui::id_cancel);
  });
  RunFrequencyDialog(ui::no_window, 'C');
  EXPECT_EQ(shown.offsets[2], "-3.50");
  EXPECT_EQ(protocol_state['C'].receive_count, 0);
}

TEST_F(FrequencyDialog, ASilentAmplifierEndsTheDialogWithTheMessage) {
  Launch({"--amp", "A", "--steady"});
  Set("silent A on");
  bool acted = false;
  op.WhenDialogOpens("Frequency Offsets", [&](ui::Handle) { acted = true; });
  RunFrequencyDialog(ui::no_window, 'A');
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "No response from amplifier.");
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::error);
  // Only the first question went out, four times.
  EXPECT_EQ(sim.Control("get A commands"), "ok 4");
  EXPECT_EQ(sim.Control("get A last"), "ok TO06.15?");
}

TEST_F(FrequencyDialog, OpensUnderThePointer) {
  Launch({"--amp", "A", "--steady"});
  ui::Rect frame;
  ui::Point pointer;
  op.WhenDialogOpens("Frequency Offsets", [&](ui::Handle dialog) {
    frame = ui::WindowRect(dialog);
    pointer = ui::CursorPosition();
    Op::Press(dialog, ui::id_ok);
  });
  RunFrequencyDialog(ui::no_window, 'A');
  // Placed before it is shown: the frame the platform adds later may shift it a little.
  const int slack = ui::SystemMetric(ui::Metric::caption_height);
  EXPECT_NEAR(frame.left + frame.Width() / 2, pointer.x, slack);
  EXPECT_NEAR(frame.top + 3 * frame.Height() / 4, pointer.y, slack);
}

}  // namespace
