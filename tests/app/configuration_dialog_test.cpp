// "Corvane Configuration": what it shows, what acts at once, the checks on
// OK and the settings file it writes.
#include "app/configuration_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/events_alerts.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/console.h"
#include "resources/device_dialog_ids.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

constexpr int log_controls[] = {id_log_prompt,       id_log_parameters, id_record_every,
                                id_logging_interval, id_record_seconds, id_log_hours};

class ConfigurationDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    SetLogParameterDefaults();
    CloseDebugConsole();
  }
  void TearDown() override {
    CloseDebugConsole();
    ResetSettings();
    SetLogParameterDefaults();
  }
  // Runs the dialog with the steps; returns the texts of the boxes shown.
  std::vector<std::string> Run(std::function<void(ui::Handle)> steps) {
    op.WhenDialogOpens("Corvane Configuration", std::move(steps));
    RunConfigurationDialog(ui::no_window);
    std::vector<std::string> texts;
    for (const ui::RecordedBox& box : op.Boxes()) texts.push_back(box.text);
    op.ClearBoxes();
    return texts;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

TEST_F(ConfigurationDialog, OpensWithTheSettingsInForce) {
  Run([](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_protocol), "Tessary");
    EXPECT_EQ(ui::ControlText(dialog, id_transfer_speed), "57600");
    EXPECT_EQ(ui::ItemCount(dialog, id_transfer_speed), 5);
    EXPECT_EQ(ui::ControlText(dialog, id_transfer_mode), "Turbo");
    EXPECT_EQ(ui::CheckStateOf(dialog, id_basic_interface), ui::checked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_log_features), ui::unchecked);
    for (const int id : log_controls) EXPECT_FALSE(ui::IsControlEnabled(dialog, id)) << id;
    EXPECT_EQ(ui::ControlText(dialog, id_polling_rate), "350");
    EXPECT_EQ(ui::ControlText(dialog, id_logging_interval), "900");
    EXPECT_EQ(ui::CheckStateOf(dialog, id_log_hours), ui::checked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_show_traffic), ui::unchecked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_default_colors), ui::checked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_poll_frequency), ui::unchecked);
    Op::Press(dialog, ui::id_cancel);
  });

  logging_on = 1;
  quillon_protocol = 1;
  poll_frequency = 1;
  bright_color = 1;
  mode_2wire = 1;
  download_baud = 115200;
  turbo_download = 0;
  Run([](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_protocol), "Quillon");
    EXPECT_EQ(ui::ControlText(dialog, id_transfer_speed), "115200");
    EXPECT_EQ(ui::ControlText(dialog, id_transfer_mode), "Normal");
    EXPECT_EQ(ui::CheckStateOf(dialog, id_log_features), ui::checked);
    for (const int id : log_controls) EXPECT_TRUE(ui::IsControlEnabled(dialog, id)) << id;
    EXPECT_EQ(ui::CheckStateOf(dialog, id_two_wire), ui::checked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_bright_colors), ui::checked);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_poll_frequency), ui::indeterminate);
    Op::Press(dialog, ui::id_cancel);
  });
}

TEST_F(ConfigurationDialog, ImmediateChoicesActBeforeOkAndOutliveCancel) {
  Run([](ui::Handle dialog) {
    Op::Press(dialog, id_log_features);
    for (const int id : log_controls) EXPECT_TRUE(ui::IsControlEnabled(dialog, id)) << id;
    Op::Press(dialog, id_basic_interface);
    for (const int id : log_controls) EXPECT_FALSE(ui::IsControlEnabled(dialog, id)) << id;

    Op::Press(dialog, id_poll_frequency);
    EXPECT_EQ(poll_frequency, 1);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_poll_frequency), ui::checked);
    Op::Choose(dialog, id_protocol, ui::FindItem(dialog, id_protocol, "Quillon"));
    EXPECT_EQ(quillon_protocol, 1);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_poll_frequency), ui::indeterminate);
    Op::Choose(dialog, id_transfer_speed, ui::FindItem(dialog, id_transfer_speed, "19200"));
    EXPECT_EQ(download_baud, 19200);
    Op::Choose(dialog, id_transfer_mode, ui::FindItem(dialog, id_transfer_mode, "Normal"));
    EXPECT_EQ(turbo_download, 0);

    Op::Press(dialog, id_show_traffic);
    EXPECT_EQ(debug_console, 1);  // the traffic console opens at once
    EXPECT_EQ(ui::CheckStateOf(dialog, id_show_traffic), ui::checked);
    Op::Press(dialog, id_show_traffic);
    EXPECT_EQ(debug_console, 0);
    Op::Press(dialog, id_show_traffic);
    Op::Press(dialog, ui::id_cancel);
  });
  EXPECT_EQ(poll_frequency, 1);
  EXPECT_EQ(quillon_protocol, 1);
  EXPECT_EQ(download_baud, 19200);
  EXPECT_EQ(debug_console, 1);
  EXPECT_EQ(logging_on, 0);  // radios apply only on OK
  EXPECT_FALSE(directory.Exists("defaults.txt"));
}

TEST_F(ConfigurationDialog, ThePollingRateMustLieBetween100And10000) {
  struct Case {
    const char* typed;
    bool accepted;
  };
  for (const Case c : {Case{"99", false}, Case{"10001", false}, Case{"", false},
                       Case{"99999999999", false}, Case{"100", true}, Case{"10000", true}}) {
    int focus = 0;
    const auto boxes = Run([&](ui::Handle dialog) {
      Op::Type(dialog, id_polling_rate, c.typed);
      Op::Press(dialog, ui::id_ok);
      focus = ui::FocusedControl(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    if (c.accepted) {
      EXPECT_TRUE(boxes.empty()) << c.typed;
      EXPECT_EQ(polling_interval, std::stoul(c.typed));
      EXPECT_EQ(poll_timer.msec_interval, std::stol(c.typed));
    } else {
      EXPECT_EQ(boxes, std::vector<std::string>{"Set Polling Rate between 100 and 10,000 msec."})
          << c.typed;
      EXPECT_EQ(focus, id_polling_rate) << c.typed;
      EXPECT_FALSE(directory.Exists("defaults.txt"));
    }
  }
  EXPECT_EQ(op.Boxes().size(), 0u);
}

TEST_F(ConfigurationDialog, TheLoggingIntervalIsAtLeastTenSeconds) {
  int focus = 0;
  std::string shown;
  logging_on = 1;
  auto boxes = Run([&](ui::Handle dialog) {
    Op::Type(dialog, id_logging_interval, "5");
    Op::Type(dialog, id_polling_rate, "400");
    Op::Press(dialog, ui::id_ok);
    focus = ui::FocusedControl(dialog);
    shown = ui::ControlText(dialog, id_logging_interval);
    Op::Press(dialog, ui::id_cancel);
  });
  EXPECT_EQ(boxes, std::vector<std::string>{"Minimum logging interval is 10 seconds."});
  EXPECT_EQ(focus, id_logging_interval);
  EXPECT_EQ(shown, "10");
  EXPECT_EQ(logging_interval, 10u);
  EXPECT_EQ(polling_interval, 400u);  // checked and applied before the interval
  EXPECT_FALSE(directory.Exists("defaults.txt"));

  boxes = Run([](ui::Handle dialog) {
    Op::Type(dialog, id_logging_interval, "10");
    Op::Press(dialog, ui::id_ok);
  });
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(directory.Exists("defaults.txt"));
}

TEST_F(ConfigurationDialog, OkSavesEveryChoiceInTheSettingsFile) {
  const auto boxes = Run([](ui::Handle dialog) {
    Op::Press(dialog, id_log_features);
    Op::Press(dialog, id_log_prompt);
    Op::Press(dialog, id_log_hours);
    Op::Press(dialog, id_bright_colors);
    Op::Press(dialog, id_two_wire);
    Op::Press(dialog, id_alert_sound);
    Op::Press(dialog, id_poll_frequency);
    Op::Choose(dialog, id_protocol, ui::FindItem(dialog, id_protocol, "Quillon"));
    Op::Choose(dialog, id_transfer_speed, ui::FindItem(dialog, id_transfer_speed, "9600"));
    Op::Choose(dialog, id_transfer_mode, ui::FindItem(dialog, id_transfer_mode, "Normal"));
    Op::Type(dialog, id_polling_rate, "500");
    Op::Type(dialog, id_logging_interval, "60");
    Op::Press(dialog, ui::id_ok);
  });
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(logging_on, 1);
  EXPECT_EQ(log_prompt, 1);
  EXPECT_EQ(log_hours, 0);
  EXPECT_EQ(bright_color, 1);
  EXPECT_EQ(mode_2wire, 1);
  EXPECT_EQ(
      directory.Read("defaults.txt"),
      "LOG_CONFIG, LOG_PROMPT, LOG_NOHOURS, BRIGHT_COLOR\r\n"
      "NORMAL_DOWNLOAD, POLL_FREQUENCY, QUILLON_PROTOCOL, RS485_2WIRE_MODE, DOWNLOAD_BAUD: 9600\r\n"
      "FIRMWARE_FILENAME: \r\n"
      "POLLING_INTERVAL: 500 seconds\r\n"
      "LOGGING_INTERVAL: 60 seconds\r\n"
      "LOG_PARAMETERS: I-P-TV---\r\n");
  // The sound of alerts has a file of its own and comes back from it.
  EXPECT_EQ(directory.Read("alerts.txt"), "sound=1\r\n");
  alert_sound = 0;
  LoadAlertSettings();
  EXPECT_EQ(alert_sound, 1);
  alert_sound = 0;
}

TEST_F(ConfigurationDialog, ButtonsOpenTheParameterDialogAndTheFontChooser) {
  op.WhenDialogOpens("Parameters to Log",
                     [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  Run([](ui::Handle dialog) {
    Op::Press(dialog, id_log_features);
    Op::Press(dialog, id_log_parameters);
    Op::Press(dialog, id_display_font);
    Op::Press(dialog, ui::id_cancel);
  });
  EXPECT_EQ(op.OpenedDialogs(),
            (std::vector<std::string>{"Corvane Configuration", "Parameters to Log"}));
  EXPECT_EQ(op.FontChoosersShown(), 1);
}

}  // namespace
