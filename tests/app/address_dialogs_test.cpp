// Opening panels by address: "Poll Amplifier" for both device kinds, "Enter
// Amplifier Information" with its identity and log, and the menu commands
// that lead there.
#include "app/address_dialogs.h"

#include <gtest/gtest.h>

#include <string>

#include "app/identity_entry.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "app/wlog.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "records/device_records.h"
#include "records/window_seams.h"
#include "resources/device_dialog_ids.h"
#include "resources/menu_ids.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

class AddressDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    ASSERT_TRUE(RegisterPanelClasses());
    for (int address = 0; address < device_count; ++address) {
      ZeroDeviceData(address);
      ZeroDeviceComments(address);
      device_type[address] = twta_device;
    }
  }
  void TearDown() override {
    ClosePollWindows();
    for (int address = 0; address < device_count; ++address) CloseLog(address);
    ResetSettings();
  }
  // Presses OK, notes the focus and the last box, then cancels.
  struct Refusal {
    int focus = 0;
    std::string text, caption;
  };
  Refusal RefusedOk(ui::Handle dialog) {
    op.ClearBoxes();
    Op::Press(dialog, ui::id_ok);
    Refusal refusal;
    refusal.focus = ui::FocusedControl(dialog);
    if (!op.Boxes().empty()) {
      refusal.text = op.Boxes().back().text;
      refusal.caption = op.Boxes().back().caption;
    }
    return refusal;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

TEST(PollAddressEntry, FollowsTheTypingRules) {
  EXPECT_EQ(ParsePollAddress("B"), 66);
  EXPECT_EQ(ParsePollAddress("42"), 66);
  EXPECT_EQ(ParsePollAddress("7"), 55);
  EXPECT_EQ(ParsePollAddress(""), 0);
  EXPECT_EQ(ParsePollAddress("ff"), 255);
  EXPECT_EQ(ParsePollAddress("000000041"), 65);
  EXPECT_EQ(ParsePollAddress("100"), -1);
  EXPECT_EQ(ParsePollAddress("4G"), -1);
  EXPECT_EQ(ParsePollAddress("0x41"), -1);
  EXPECT_EQ(ParsePollAddress("\xC1"), -1);  // a single character above 127 counts as negative
  EXPECT_EQ(ParsePollAddress(std::string(1, '\x7F')), 127);

  EXPECT_EQ(AddressText('A'), "A");
  EXPECT_EQ(AddressText(10), "0A");
  EXPECT_EQ(AddressText(0x7F), "7F");
  EXPECT_EQ(AddressText(200), "C8");
}

TEST_F(AddressDialogs, PollAmplifierOpensTheTypedAddress) {
  std::string proposed;
  op.WhenDialogOpens("Poll Amplifier", [&](ui::Handle dialog) {
    proposed = ui::ControlText(dialog, id_address);
    Op::Type(dialog, id_address, "B");
    Op::Press(dialog, ui::id_ok);
  });
  CopyField(device_data[66].part, "305-1111-111");
  RunPollAddressDialog(ui::no_window, twta_device);
  EXPECT_EQ(proposed, "A");
  EXPECT_TRUE(IsOpen(66));
  EXPECT_EQ(device_type[66], twta_device);
  EXPECT_STREQ(device_data[66].part, "000-0000-000");  // the identity starts afresh
  EXPECT_TRUE(op.Boxes().empty());

  // With 'B' open the proposal is the address after it.
  op.WhenDialogOpens("Poll Amplifier", [&](ui::Handle dialog) {
    proposed = ui::ControlText(dialog, id_address);
    Op::Type(dialog, id_address, "43");
    Op::Press(dialog, ui::id_ok);
  });
  RunPollAddressDialog(ui::no_window, twta_device);
  EXPECT_EQ(proposed, "C");
  EXPECT_TRUE(IsOpen(0x43));
}

TEST_F(AddressDialogs, PollOutdoorControllerIsRetitledAndOpensAControllerPanel) {
  op.WhenDialogOpens("Poll Outdoor Controller", [](ui::Handle dialog) {
    Op::Type(dialog, id_address, "07");
    Op::Press(dialog, ui::id_ok);
  });
  RunPollAddressDialog(ui::no_window, ocontrol_device);
  ASSERT_FALSE(op.OpenedDialogs().empty());
  EXPECT_EQ(op.OpenedDialogs()[0], "Poll Outdoor Controller");
  EXPECT_TRUE(IsOpen(7));
  EXPECT_EQ(device_type[7], ocontrol_device);
}

TEST_F(AddressDialogs, ARefusedAddressKeepsTheDialogWithTheFocusOnIt) {
  for (const char* typed : {"100", "\xE9", "zz", "1FF"}) {
    Refusal refusal;
    bool still_open = false;
    op.WhenDialogOpens("Poll Amplifier", [&](ui::Handle dialog) {
      Op::Type(dialog, id_address, typed);
      ui::FocusControl(dialog, ui::id_ok);
      refusal = RefusedOk(dialog);
      still_open = ui::IsLive(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    RunPollAddressDialog(ui::no_window, twta_device);
    EXPECT_TRUE(still_open) << typed;
    EXPECT_EQ(refusal.text, "Invalid poll address.") << typed;
    EXPECT_EQ(refusal.caption, "Ummm...");
    EXPECT_EQ(op.Boxes().back().icon, ui::Icon::error);
    EXPECT_EQ(refusal.focus, id_address) << typed;
  }
  for (int address = 0; address < device_count; ++address) EXPECT_FALSE(IsOpen(address));
}

TEST_F(AddressDialogs, InformationProposesTheNextAddressAndItsSerial) {
  CreatePollDialog('A');
  CreatePollDialog('B');
  op.WhenDialogOpens("Enter Amplifier Information", [](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_address), "C");
    EXPECT_EQ(ui::ControlText(dialog, id_part), "000-0000-000");
    EXPECT_EQ(ui::ControlText(dialog, id_serial), "0067");
    EXPECT_EQ(ui::ControlText(dialog, id_target_hours), "999999");
    EXPECT_EQ(ui::ControlText(dialog, id_comments), "");
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInformationDialog(ui::no_window);
  EXPECT_FALSE(IsOpen('C'));
}

TEST_F(AddressDialogs, InformationRefusesEachFieldAtFaultInTurn) {
  struct Case {
    const char* address;
    const char* part;
    const char* serial;
    int field;
    const char* text;
    const char* caption;
  };
  const Case cases[] = {
      {"100", "305-1234-567", "12345", id_address, "Invalid poll address.", "Ummm..."},
      {"A", "305-1234-56", "12345", id_part, "Part Number must be 12 digits long.", "Oops"},
      {"A", "305-1234-5678", "12345", id_part, "Part Number must be 12 digits long.", "Oops"},
      {"A", "305-1234-567-and-a-great-deal-more", "1", id_part,
       "Part Number must be 12 digits long.", "Oops"},
      {"A", "../../etc/ab", "12345", id_part,
       "Part Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305/1234-567", "12345", id_part,
       "Part Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305\\1234-567", "12345", id_part,
       "Part Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305-1234..67", "12345", id_part,
       "Part Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305-1234-567", "123456", id_serial, "Serial Number must be 5 digits or less.", "Oops"},
      {"A", "305-1234-567", "..", id_serial,
       "Serial Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305-1234-567", "1/2", id_serial,
       "Serial Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
      {"A", "305-1234-567", "a\\b", id_serial,
       "Serial Number may not contain \"/\", \"\\\" or \"..\".", "Oops"},
  };
  for (const Case& c : cases) {
    Refusal refusal;
    op.WhenDialogOpens("Enter Amplifier Information", [&](ui::Handle dialog) {
      Op::Type(dialog, id_address, c.address);
      Op::Type(dialog, id_part, c.part);
      Op::Type(dialog, id_serial, c.serial);
      ui::FocusControl(dialog, id_comments);
      refusal = RefusedOk(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    RunAmpInformationDialog(ui::no_window);
    EXPECT_EQ(refusal.text, c.text) << c.part << " " << c.serial;
    EXPECT_EQ(refusal.caption, c.caption);
    EXPECT_EQ(refusal.focus, c.field) << c.part << " " << c.serial;
    EXPECT_FALSE(IsOpen('A'));
  }
  // No file was made anywhere, in the directory or outside it.
  EXPECT_TRUE(std::filesystem::is_empty(directory.File("")));
  EXPECT_FALSE(std::filesystem::exists("/tmp/ab 12345.txt"));
}

TEST_F(AddressDialogs, InformationStoresNothingBeforeEveryFieldIsAccepted) {
  op.WhenDialogOpens("Enter Amplifier Information", [&](ui::Handle dialog) {
    Op::Type(dialog, id_part, "305-1234-567");
    Op::Type(dialog, id_serial, "1234567");
    Op::Type(dialog, id_comments, "spare");
    RefusedOk(dialog);
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInformationDialog(ui::no_window);
  EXPECT_STREQ(device_data['A'].part, "000-0000-000");
  EXPECT_STREQ(device_data['A'].serial, "0000");
  EXPECT_STREQ(device_data['A'].comments, "");
}

TEST_F(AddressDialogs, AnAddressWithAPanelIsOnlyRaised) {
  logging_on = 1;
  struct Case {
    device_enum kind;
    const char* dialog;
  };
  const Case cases[] = {{twta_device, "Poll Outdoor Controller"},
                        {ocontrol_device, "Poll Amplifier"},
                        {twta_device, "Poll Amplifier"},
                        {ocontrol_device, "Enter Amplifier Information"},
                        {twta_device, "Enter Amplifier Information"}};
  for (const Case& c : cases) {
    device_type['A'] = c.kind;
    const ui::Handle panel =
        c.kind == twta_device ? CreatePollDialog('A') : CreateOcontrolDialog('A');
    CopyField(device_data['A'].part, "305-1234-567");
    CopyField(device_data['A'].serial, "12345");
    if (c.kind == twta_device) CreateLog('A', 0);
    CreatePollDialog('B');  // in front of 'A'
    const std::string before = directory.Read("305-1234-567 12345.txt");
    op.WhenDialogOpens(c.dialog, [](ui::Handle dialog) {
      Op::Type(dialog, id_address, "A");
      Op::Press(dialog, ui::id_ok);
      if (ui::IsLive(dialog)) Op::Press(dialog, ui::id_cancel);
    });
    if (std::string(c.dialog) == "Enter Amplifier Information") {
      RunAmpInformationDialog(ui::no_window);
    } else {
      RunPollAddressDialog(
          ui::no_window, c.dialog == std::string("Poll Amplifier") ? twta_device : ocontrol_device);
    }
    EXPECT_EQ(poll_dialog['A'], panel) << c.dialog;
    EXPECT_EQ(ui::ActiveWindow(), panel) << c.dialog;
    EXPECT_EQ(device_type['A'], c.kind) << c.dialog;
    EXPECT_STREQ(device_data['A'].part, "305-1234-567") << c.dialog;
    EXPECT_STREQ(device_data['A'].serial, "12345") << c.dialog;
    EXPECT_EQ(directory.Read("305-1234-567 12345.txt"), before) << c.dialog;
    EXPECT_TRUE(op.Boxes().empty()) << c.dialog;
    ClosePollWindows();
  }
}

TEST_F(AddressDialogs, InformationOpensTheLogAndThePanel) {
  logging_on = 1;
  const std::string long_comments(400, 'c');
  op.WhenDialogOpens("Enter Amplifier Information", [&](ui::Handle dialog) {
    Op::Type(dialog, id_address, "42");
    Op::Type(dialog, id_part, "305-1234-567");
    Op::Type(dialog, id_serial, "12345");
    Op::Type(dialog, id_target_hours, "20000");
    Op::Type(dialog, id_comments, long_comments);
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInformationDialog(ui::no_window);
  EXPECT_TRUE(op.Boxes().empty());
  ASSERT_TRUE(IsOpen('B'));
  const device_struct& record = device_data['B'];
  EXPECT_EQ(device_type['B'], twta_device);
  EXPECT_STREQ(record.part, "305-1234-567");
  EXPECT_STREQ(record.serial, "12345");
  const std::int32_t target = record.target_hours;  // by value: the record is packed
  EXPECT_EQ(target, 20000);
  EXPECT_EQ(std::string(record.comments), long_comments.substr(0, 255));
  ASSERT_NE(logfile['B'], nullptr);
  const std::string log = directory.Read("305-1234-567 12345.txt");
  EXPECT_NE(log.find("Part #305-1234-567, Serial #12345, Address 'B'"), std::string::npos) << log;
}

TEST_F(AddressDialogs, DecliningAPriorLogKeepsTheInformationDialogOpen) {
  directory.Write("305-1234-567 12345.txt", "an older log\r\n");
  int opened = 0;
  op.Answer(ui::answer_no);
  op.WhenDialogOpens("Enter Amplifier Information", [&](ui::Handle dialog) {
    Op::Type(dialog, id_part, "305-1234-567");
    Op::Type(dialog, id_serial, "12345");
    Op::Press(dialog, ui::id_ok);
    opened = ui::IsLive(dialog) && device_data['A'].part == std::string("000-0000-000");
    // Corrected serial: a new log.
    Op::Type(dialog, id_serial, "12346");
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInformationDialog(ui::no_window);
  EXPECT_TRUE(opened);
  ASSERT_GE(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
  EXPECT_TRUE(IsOpen('A'));
  EXPECT_TRUE(directory.Exists("305-1234-567 12346.txt"));
  EXPECT_EQ(directory.Read("305-1234-567 12345.txt"), "an older log\r\n");
}

TEST_F(AddressDialogs, TheMenuOpensTheDialogThatFitsTheSettings) {
  for (const char* name : {"Poll Amplifier", "Enter Amplifier Information",
                           "Poll Outdoor Controller", "Corvane Configuration"}) {
    op.WhenDialogOpens(name, [](ui::Handle dialog) { Op::Press(dialog, ui::id_cancel); });
  }
  MainCallBack(ui::no_window, ui::msg_command, ui::MakeCommand(menu_poll_amplifier, 0), 0);
  logging_on = 1;
  MainCallBack(ui::no_window, ui::msg_command, ui::MakeCommand(menu_poll_amplifier, 0), 0);
  MainCallBack(ui::no_window, ui::msg_command, ui::MakeCommand(menu_poll_outdoor_controller, 0), 0);
  MainCallBack(ui::no_window, ui::msg_command, ui::MakeCommand(menu_configure_corvane, 0), 0);
  const std::vector<std::string> expected = {"Poll Amplifier", "Enter Amplifier Information",
                                             "Poll Outdoor Controller", "Corvane Configuration"};
  EXPECT_EQ(op.OpenedDialogs(), expected);
}

}  // namespace
