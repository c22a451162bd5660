// The bus scan against corvane-sim in its own process, over a pseudo-terminal:
// what reaches the line, in which order, at which speed and stop bits, when.
#include <asm/termbits.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/bus_scan.h"
#include "link/capture.h"
#include "link/find_device_dialog.h"
#include "link/link_settings.h"
#include "link/scan_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "resources/bus_scan_dialogs.h"
#include "resources/device_setup_dialog.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;
using Clock = std::chrono::steady_clock;
using Seen = std::tuple<int, long, int>;  // address, speed, stop bits

long long NowMsec() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

class BusScanSim : public ::testing::Test {
 protected:
  void SetUp() override { ui::InitApplication(0, nullptr); }
  void TearDown() override {
    CloseSerial();
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
    ClearScanFinds();
  }
  void Launch(const std::vector<std::string>& args, bool quillon = false) {
    ResetScanSettings();
    ResetLinkSettings();
    ResetSettings();
    quillon_protocol = quillon;
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << SerialErrorText();
    polling_enabled = 1;
  }
  // Runs "Scanning" from "Find/Configure Device" over range with the rates
  // and the parity, data and stop boxes given; in_scan acts in it.
  void Scan(const std::string& range, std::initializer_list<std::int32_t> rates,
            std::initializer_list<int> boxes, const std::function<void(ui::Handle)>& in_scan,
            int start = id_start_scan) {
    op.WhenDialogOpens("Scanning", in_scan);
    op.WhenDialogOpens("Find/Configure Device", [&](ui::Handle dialog) {
      Op::Type(dialog, id_scan_range, range);
      for (int id = id_scan_first_rate; id <= id_scan_stop_2; ++id)
        ui::SetCheck(dialog, id, ui::unchecked);
      for (int n = 0; n < scan_rate_count; ++n)
        for (std::int32_t rate : rates)
          if (baud_opts[n] == rate) ui::SetCheck(dialog, id_scan_first_rate + n, ui::checked);
      for (int id : boxes) ui::SetCheck(dialog, id, ui::checked);
      Op::Press(dialog, start);
      Op::Press(dialog, ui::id_cancel);
    });
    RunFindDeviceDialog(ui::no_window);
  }
  std::vector<test_support::TraceEntry> Trace() {
    auto trace = sim.Trace();
    EXPECT_TRUE(trace.has_value());
    return trace ? *trace : std::vector<test_support::TraceEntry>{};
  }
  static bool Until(const std::function<bool()>& done) { return Op::RunUntil(done, 20000); }

  ScratchDirectory directory;
  test_support::SimProcess sim;
  Op op;
};

TEST_F(BusScanSim, NobodyAnsweringEveryCombinationGoesOutInOrderBackToBack) {
  Launch({"--amp", "Z"});
  long long completed = 0;
  Scan("A-B", {9600, 19200},
       {id_scan_parity_none, id_scan_parity_odd, id_scan_data_7, id_scan_data_8, id_scan_stop_1,
        id_scan_stop_2},
       [&completed](ui::Handle dialog) {
         ASSERT_TRUE(Op::RunUntil([] { return scan_complete != 0; }, 60000));
         completed = NowMsec();
         EXPECT_EQ(ui::ControlText(dialog, id_scanning_status).substr(0, 17), "0 devices found (");
         Op::Press(dialog, ui::id_cancel);
       });
  const auto trace = Trace();
  ASSERT_EQ(trace.size(), 64u);
  std::vector<Seen> expected;
  std::vector<bool> odd;
  long sum = 0;
  for (int address : {'A', 'B'})
    for (long speed : {9600L, 19200L})
      for (bool parity_odd : {false, true})
        for (int data = 0; data < 2; ++data)
          for (int stop : {1, 2}) {
            for (int attempt = 0; attempt < 2; ++attempt) {
              expected.emplace_back(address, speed, stop);
              odd.push_back(parity_odd);
            }
            sum += NoAnswerMsec(static_cast<std::int32_t>(speed));
          }
  std::vector<Seen> seen;
  bool kernel_keeps_parodd = false;
  for (const auto& frame : trace) {
    EXPECT_EQ(frame.body, "0");
    seen.emplace_back(frame.address, frame.speed, frame.stop_bits);
    kernel_keeps_parodd = kernel_keeps_parodd || (frame.cflag & PARODD);
  }
  EXPECT_EQ(seen, expected);
  if (kernel_keeps_parodd) {
    for (std::size_t n = 0; n < trace.size(); ++n)
      EXPECT_EQ((trace[n].cflag & PARODD) != 0, odd[n]) << n;
  }
  const double share = static_cast<double>(completed - trace.front().ms) / sum;
  RecordProperty("share_of_no_answer_sum", std::to_string(share));
  EXPECT_GE(share, 0.99);
  EXPECT_LE(share, 1.10);
  // Cancel put the port back as it was.
  EXPECT_EQ(sim.LineFormat(), "9600 8N1");
}

TEST_F(BusScanSim, DevicesFoundAtTheirOwnSettingsAndDoneAdoptsTheRowChosen) {
  for (int row : {-1, 0}) {
    SCOPED_TRACE(row);
    sim.Stop();
    Launch({"--amp", "A", "--amp", "B", "--serial", "A=9600:N81", "--serial", "B=19200:N82"});
    Scan("A-B", {9600, 19200}, {id_scan_stop_1, id_scan_stop_2}, [row](ui::Handle dialog) {
      ASSERT_TRUE(Until([] { return scan_paused != 0; }));
      EXPECT_EQ(ui::ControlText(dialog, id_scanning_pause), "Continue Scan");
      EXPECT_EQ(ui::ControlText(dialog, id_scanning_status).substr(0, 14), "Found: P# 305-");
      Op::Press(dialog, id_scanning_pause);
      ASSERT_TRUE(Until([] { return scan_paused != 0; }));
      EXPECT_EQ(ui::ControlText(dialog, id_scanning_address), "'B'  (66)");
      Op::Press(dialog, id_scanning_pause);
      ASSERT_TRUE(Until([] { return scan_complete != 0; }));
      EXPECT_EQ(ui::ControlText(dialog, id_scanning_status).substr(0, 20), "2 devices found (00:");
      EXPECT_EQ(ui::ItemCount(dialog, id_scanning_results), 2);
      if (row >= 0) Op::Choose(dialog, id_scanning_results, row);
      Op::Press(dialog, id_scanning_done);
    });
    const std::string port = sim.LinkPath();
    if (row < 0) {
      EXPECT_EQ(sim.LineFormat(), "19200 8N2");
      EXPECT_EQ(directory.Read("sdefault.txt"), port + " 19200 N 8 2 0");
      EXPECT_EQ(found_address, 'B');
    } else {
      EXPECT_EQ(sim.LineFormat(), "9600 8N1");
      EXPECT_EQ(directory.Read("sdefault.txt"), port + " 9600 N 8 1 0");
      EXPECT_EQ(found_address, 'A');
    }
    EXPECT_EQ(Trace().size(), 6u * 2 + 2);  // two tries where nobody answered
    EXPECT_EQ(polling_enabled, 1);
    CloseSerial();
  }
}

TEST_F(BusScanSim, CancelPutsEverythingBackAndSendsNothingMore) {
  for (const char* moment : {"running", "paused", "complete"}) {
    SCOPED_TRACE(moment);
    sim.Stop();
    Launch({"--amp", "B", "--serial", "B=9600:N81"});
    serial_baud = 4800;
    serial_parity = parity_odd;
    serial_data = 7;
    serial_stop = two_stop_bits;
    ASSERT_EQ(InitSerial(), 1);
    const std::string saved = "elsewhere 4800 O 7 2 0\r\n";
    directory.Write("sdefault.txt", saved);
    std::size_t frames_at_cancel = 0;
    Scan("A-B", {9600, 19200}, {id_scan_stop_1, id_scan_stop_2}, [&](ui::Handle dialog) {
      const std::string when = moment;
      if (when == "running") {
        ASSERT_TRUE(Until([this] {
          return !sim.Trace().value_or(std::vector<test_support::TraceEntry>{}).empty();
        }));
      } else {
        ASSERT_TRUE(Until([] { return scan_paused != 0; }));
        if (when == "complete") {
          Op::Press(dialog, id_scanning_pause);
          ASSERT_TRUE(Until([] { return scan_complete != 0; }));
        }
      }
      Op::RunFor(50);
      frames_at_cancel = Trace().size();
      Op::Press(dialog, ui::id_cancel);
    });
    Op::RunFor(1000);
    EXPECT_EQ(Trace().size(), frames_at_cancel);
    EXPECT_EQ(sim.LineFormat(), "4800 8N2");
    EXPECT_EQ(std::make_tuple(serial_baud, serial_parity, serial_data, serial_stop),
              std::make_tuple(4800, parity_odd, std::uint8_t{7}, two_stop_bits));
    EXPECT_EQ(directory.Read("sdefault.txt"), saved);
    CloseSerial();
  }
}

TEST_F(BusScanSim, ScanAndConfigureTalksToTheDeviceAtTheSettingsAdopted) {
  Launch({"--amp", "B", "--serial", "B=9600:N82"});
  std::string result;
  op.WhenDialogOpens("Configuring Device...", [&result](ui::Handle dialog) {
    ASSERT_TRUE(Until([dialog] { return ui::ControlText(dialog, ui::id_ok) == "DONE"; }));
    result = ui::ControlText(dialog, id_setup_status);
    Op::Press(dialog, ui::id_ok);
  });
  Scan(
      "B", {9600, 19200}, {id_scan_stop_1, id_scan_stop_2},
      [](ui::Handle dialog) {
        ASSERT_TRUE(Until([] { return scan_paused != 0; }));
        Op::Press(dialog, id_scanning_pause);
        ASSERT_TRUE(Until([] { return scan_complete != 0; }));
        EXPECT_EQ(ui::ControlText(dialog, id_scanning_done), "Configure");
        Op::Press(dialog, id_scanning_done);
      },
      id_scan_and_configure);
  EXPECT_EQ(result, "-- Success! --");
  const auto trace = Trace();
  ASSERT_GE(trace.size(), 2u);
  // The scan went on past the device to 19200 baud; the setup talks at the
  // settings the device was found at.
  const auto query =
      std::find_if(trace.begin(), trace.end(),
                   [](const test_support::TraceEntry& e) { return e.body == "XR?"; });
  ASSERT_NE(query, trace.end());
  EXPECT_EQ(Seen(query->address, query->speed, query->stop_bits), Seen('B', 9600, 2));
}

TEST_F(BusScanSim, QuillonAnswerGivesTheRightAddressAndEthernetSendsNothing) {
  Launch({"--quillon", "--amp", "B"}, true);
  Scan("A-C", {9600}, {}, [](ui::Handle dialog) {
    ASSERT_TRUE(Until([] { return scan_paused != 0; }));
    EXPECT_EQ(ui::ControlText(dialog, id_scanning_address), "'B'  (66)");
    EXPECT_EQ(ui::ControlText(dialog, id_scanning_status).substr(0, 14), "Found: P# 305-");
    EXPECT_EQ(ui::ControlText(dialog, id_scanning_status).find('?'), std::string::npos);
    Op::Press(dialog, id_scanning_done);
  });
  EXPECT_EQ(found_address, 'B');

  // Ethernet in use while the serial handle is still open: frames would go
  // to a connection, so the scan refuses at once.
  ASSERT_TRUE(sim.ClearTrace());
  const std::string saved = directory.Read("sdefault.txt");
  use_ethernet = 1;
  Scan("A-C", {9600}, {}, [](ui::Handle dialog) {
    Op::RunUntil([] { return !ui::CurrentOperator()->Boxes().empty(); }, 3000);
    Op::Press(dialog, ui::id_cancel);
  });
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text.substr(0, 24), "Can't setup serial port.");
  Op::RunFor(300);
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(directory.Read("sdefault.txt"), saved);
  use_ethernet = 0;
}

}  // namespace
