#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bus_scan_fake.h"
#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/address_text.h"
#include "link/fake_line.h"
#include "link/find_device_dialog.h"
#include "link/link_settings.h"
#include "link/serial_defaults.h"
#include "records/program_state.h"
#include "resources/bus_scan_dialogs.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

class BusScanDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::InitApplication(0, nullptr);
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
    std::strcpy(serial_port, "/dev/ttyS7");
    polling_enabled = 1;
  }
  void TearDown() override {
    ResetScanSettings();
    ResetLinkSettings();
    ClearScanFinds();
  }
  // Opens "Find/Configure Device" and runs action in it, then closes it.
  void InFindDialog(const std::function<void(ui::Handle)>& action) {
    op.WhenDialogOpens("Find/Configure Device", [action](ui::Handle dialog) {
      action(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    RunFindDeviceDialog(ui::no_window);
  }
  // Scans 'A'-'B' at 9600 and 19200 with 1 and 2 stop bits from the dialog;
  // in_scan runs in "Scanning".
  void Scan(const std::function<void(ui::Handle)>& in_scan) {
    op.WhenDialogOpens("/dev/ttyS7 Scan", in_scan);
    InFindDialog([](ui::Handle dialog) {
      Op::Type(dialog, id_scan_range, "A-B");
      for (int n = 0; n < scan_rate_count; ++n)
        ui::SetCheck(dialog, id_scan_first_rate + n, baud_opts[n] == 9600 || baud_opts[n] == 19200);
      ui::SetCheck(dialog, id_scan_stop_2, ui::checked);
      Op::Press(dialog, id_start_scan);
    });
  }
  static bool WaitPaused() {
    return Op::RunUntil([] { return scan_paused != 0; }, 5000);
  }
  static std::string Text(ui::Handle dialog, int id) { return ui::ControlText(dialog, id); }

  ScratchDirectory directory;
  FakeScanLink link;
  Op op;
};

TEST_F(BusScanDialogs, AddressTextsAreReadAsTyped) {
  struct Case {
    std::string text;
    int start, stop, target;
  };
  const Case cases[] = {
      {"0-255", 0, 255, 0},
      {"A-Z", 65, 90, 65},
      {"B", 66, 66, 66},
      {"20 10", 10, 20, 20},
      {"300", 65, 65, 65},
      {"10-300", 10, 10, 10},
      {"", 64, 90, 7},
      {"'A' - \"Z\"", 65, 90, 65},
      {"\xC1-Z", 65, 90, 65},
      {"A-\xC1", 65, 65, 65},
      {std::string(30, '9'), 65, 65, 65},
      {std::string(18, ' ') + "B", 66, 66, 66},
      {std::string(19, ' ') + "B", 64, 90, 7},
  };
  InFindDialog([&cases](ui::Handle dialog) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      start_address = 64;
      stop_address = 90;
      target_address = 7;
      Op::Type(dialog, id_scan_range, c.text);
      Op::Type(dialog, id_target_address, c.text);
      ExtractAddressRange(dialog);
      ExtractTargetAddress(dialog);
      EXPECT_EQ(start_address, c.start);
      EXPECT_EQ(stop_address, c.stop);
      EXPECT_EQ(target_address, c.target);
    }
  });
}

TEST_F(BusScanDialogs, EveryAddressIsShownAsItReadsBack) {
  InFindDialog([](ui::Handle dialog) {
    for (int address = 0; address < 256; ++address) {
      start_address = target_address = address;
      stop_address = 255;
      InitScanSerCheckBoxes(dialog);
      InitScanTargetCheckBoxes(dialog);
      start_address = stop_address = target_address = 200;
      ExtractAddressRange(dialog);
      ExtractTargetAddress(dialog);
      EXPECT_EQ(start_address, address) << Text(dialog, id_scan_range);
      EXPECT_EQ(stop_address, 255);
      EXPECT_EQ(target_address, address) << Text(dialog, id_target_address);
    }
    start_address = 64;
    stop_address = 90;
    InitScanSerCheckBoxes(dialog);
    EXPECT_EQ(Text(dialog, id_scan_range), "@ - Z");
    start_address = stop_address = '1';
    InitScanSerCheckBoxes(dialog);
    EXPECT_EQ(Text(dialog, id_scan_range), "49 - 49");
  });
}

TEST_F(BusScanDialogs, BoxesAreReadWithDefaultsForEmptyGroups) {
  InFindDialog([](ui::Handle dialog) {
    // Opening shows the defaults and what they cost.
    EXPECT_EQ(Text(dialog, id_scan_combinations), "54 combinations, 00:23 when nobody answers");
    Op::Type(dialog, id_scan_range, "A-B");
    EXPECT_EQ(Text(dialog, id_scan_combinations), "4 combinations, 00:01 when nobody answers");
    for (int id = id_scan_first_rate; id <= id_scan_stop_2; ++id)
      ui::SetCheck(dialog, id, ui::unchecked);
    ExtractScanCheckBoxes(dialog);
    const std::int32_t rates[scan_rate_count] = {0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(rates, rates + scan_rate_count, scan_baud));
    EXPECT_EQ(std::vector<int>(scan_parity, scan_parity + 3), std::vector<int>({1, 0, 0}));
    EXPECT_EQ(std::vector<int>(scan_data, scan_data + 2), std::vector<int>({0, 1}));
    EXPECT_EQ(std::vector<int>(scan_stop, scan_stop + 2), std::vector<int>({1, 0}));

    // The desired settings read back as shown; each group keeps one choice.
    target_baud = 19200;
    target_parity = 'E';
    target_data = 7;
    target_stop = 2;
    device_port = 2;
    rs485_mode = 4;
    terminations = 'U';
    InitScanTargetCheckBoxes(dialog);
    ResetScanSettings();
    ExtractTargetCheckBoxes(dialog);
    EXPECT_EQ(std::vector<int>({target_baud, target_parity, target_data, target_stop, device_port,
                                rs485_mode, terminations}),
              std::vector<int>({19200, 'E', 7, 2, 2, 4, 'U'}));
    Op::Press(dialog, id_target_first_rate);
    Op::Press(dialog, id_target_parity_odd);
    Op::Press(dialog, id_terminated);
    ExtractTargetCheckBoxes(dialog);
    EXPECT_EQ(ui::CheckStateOf(dialog, id_target_first_rate + 4), ui::unchecked);
    EXPECT_EQ(std::vector<int>({target_baud, target_parity, terminations}),
              std::vector<int>({1200, 'O', 'T'}));
  });
}

TEST_F(BusScanDialogs, DoneAdoptsTheChosenDeviceAndSavesItsSettings) {
  // 'A' answers at 9600 with 1 stop bit, 'B' at 19200 with 2 (at even parity).
  link.answer = [](const ScanCombination& line) {
    if (line.address == 'A' && line.baud == 9600 && line.stop == one_stop_bit &&
        line.parity == parity_none)
      return TessaryAnswer('A', "01234567123");
    if (line.address == 'B' && line.baud == 19200 && line.stop == two_stop_bits &&
        line.parity == parity_even)
      return TessaryAnswer('B', "07654-321 54321 2.01");
    return std::string();
  };
  scan_parity[1] = 1;  // none and even: B is found at even
  struct Case {
    const char* name;
    int row;  // -1: as selected after the scan
    const char* saved;
  };
  for (const Case& c : {Case{"newest", -1, "/dev/ttyS7 19200 E 8 2 0"},
                        Case{"first row", 0, "/dev/ttyS7 9600 N 8 1 0"}}) {
    SCOPED_TRACE(c.name);
    ResetLinkSettings();
    std::strcpy(serial_port, "/dev/ttyS7");
    link.reopens = 0;
    Scan([&c](ui::Handle dialog) {
      EXPECT_EQ(polling_enabled, 0);
      ASSERT_TRUE(WaitPaused());
      EXPECT_EQ(Text(dialog, id_scanning_status), "Found: P# 305-1234-567, Fw v1.23");
      EXPECT_EQ(Text(dialog, id_scanning_pause), "Continue Scan");
      EXPECT_EQ(Text(dialog, id_scanning_summary), "Done sets 9600 N 8 1 for 'A'  (65).");
      EXPECT_EQ(serial_baud, 9600);
      Op::Press(dialog, id_scanning_pause);
      ASSERT_TRUE(Op::RunUntil([] { return scan_paused != 0; }, 5000));
      EXPECT_EQ(Text(dialog, id_scanning_address), "'B'  (66)");
      EXPECT_EQ(Text(dialog, id_scanning_parity), "EVEN");
      Op::Press(dialog, id_scanning_pause);
      ASSERT_TRUE(Op::RunUntil([] { return scan_complete != 0; }, 5000));
      EXPECT_EQ(Text(dialog, id_scanning_status), "2 devices found (00:06)");
      EXPECT_EQ(Text(dialog, id_scanning_pause), "Restart");
      EXPECT_EQ(Text(dialog, id_scanning_position), "16 of 16, 00:00 left");
      ASSERT_EQ(ui::ItemCount(dialog, id_scanning_results), 2);
      EXPECT_EQ(ui::ItemText(dialog, id_scanning_results, 1),
                "'B'  (66)  19200 E 8 2  Found: P# 305-7654-321, S# 54321, Fw v2.01");
      EXPECT_EQ(ui::Selection(dialog, id_scanning_results), 1);
      if (c.row >= 0) Op::Choose(dialog, id_scanning_results, c.row);
      EXPECT_TRUE(ui::IsControlEnabled(dialog, id_scanning_done));
      Op::Press(dialog, id_scanning_done);
    });
    EXPECT_EQ(directory.Read("sdefault.txt"), c.saved);
    EXPECT_EQ(link.reopens, 1);
    EXPECT_EQ(found_address, c.row == 0 ? 'A' : 'B');
    EXPECT_EQ(polling_enabled, 1);
    EXPECT_EQ(link.commands.size() % 16, 0u);
  }
}

TEST_F(BusScanDialogs, ProblemsAreNamedAndKeepTheConsoleSafe) {
  // No usable port: nothing is sent and nothing changes.
  link.usable = false;
  Scan([](ui::Handle dialog) {
    Op::RunUntil(
        [] { return !CurrentScanLink().Usable() && ui::CurrentOperator()->Boxes().size(); }, 3000);
    Op::Press(dialog, ui::id_cancel);
  });
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text.substr(0, 25), "Can't setup serial port.\n");
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_TRUE(link.commands.empty());
  EXPECT_EQ(link.reopens, 0);
  EXPECT_FALSE(std::filesystem::exists(directory.File("sdefault.txt")));
  op.ClearBoxes();

  // The port does not reopen at the device's settings, then the file cannot
  // be written: each keeps the dialog open and says so.
  link.usable = true;
  link.answer = [](const ScanCombination& line) {
    return line.address == 'B' ? TessaryAnswer('B', "01234567123") : std::string();
  };
  link.reopen_works = false;
  Scan([this](ui::Handle dialog) {
    ASSERT_TRUE(WaitPaused());
    Op::Press(dialog, id_scanning_done);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text.substr(0, 32), "Can't open Com Port /dev/ttyS7.\n");
    EXPECT_EQ(op.Boxes()[0].caption, "Problem");
    link.reopen_works = true;
    std::strcpy(save_directory, "/nonexistent/");
    Op::Press(dialog, id_scanning_done);
    EXPECT_NE(
        Text(dialog, id_scanning_summary).find("/nonexistent/sdefault.txt could not be written"),
        std::string::npos);
    Op::Press(dialog, id_scanning_done);
  });
  EXPECT_EQ(serial_baud, 9600);
  EXPECT_EQ(found_address, 'B');
  EXPECT_EQ(polling_enabled, 1);
}

}  // namespace
