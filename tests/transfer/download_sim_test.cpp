// The firmware download against corvane-sim: over the paced serial line with
// its speed change, with unanswered chunks and a lost speed-change answer,
// and over TCP on loopback.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/firmware_dialog.h"
#include "resources/scan_ip_dialog.h"
#include "support/relay_process.h"
#include "support/sim_process.h"
#include "transfer/download.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;
using Strings = std::vector<std::string>;

constexpr char final_statuses[][40] = {"Transfer Failed.", "Initialization failed.",
                                       "Transfer Complete, rebooting Unit..."};

class DownloadSim : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("CORVANE_DISCOVERY_ADDRESS", "127.0.0.1:9", 1);
    ResetSettings();
    ResetLinkSettings();
    std::memset(protocol_state, 0, sizeof protocol_state);
    content.resize(250);
    for (std::size_t n = 0; n < content.size(); ++n) content[n] = static_cast<char>(n * 13 + 2);
    directory.Write("fw.exe", content);
    CopyField(firmware_filename, directory.File("fw.exe").c_str());
    autoload_fw = 1;
  }
  void TearDown() override {
    CloseSerial();
    CleanupSocketComm();
    ResetSettings();
    ResetLinkSettings();
    autoload_fw = 0;
  }
  // The simulator's amplifier at 9600 8N1 behind a line paced at 57600.
  void StartSerial(const std::string& faults) {
    std::string error;
    ASSERT_TRUE(sim.Start(
        {"--amp", "A", "--steady", "--reboot-ms", "300", "--serial", "A=9600:N81"}, &error))
        << error;
    if (!faults.empty()) {
      ASSERT_TRUE(sim.SetFirmwareFaults('A', faults));
    }
    test_support::RelayOptions line;
    line.rate = 57600;
    line.b_path = sim.LinkPath();
    line.copy_format = true;
    ASSERT_TRUE(relay.Start(line, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", relay.PathA().c_str());
    ASSERT_EQ(InitSerial(), 1) << SerialErrorText();
  }
  // Presses OK, runs to a final status and, after a completed transfer,
  // through the reboot wait; a dialog still open then is cancelled.
  void Run(int timeout_ms) {
    op.WhenDialogOpens("4", [this, timeout_ms](ui::Handle dialog) {
      Op::Press(dialog, ui::id_ok);
      Op::RunUntil(
          [&] {
            const std::string status = ui::ControlText(dialog, id_firmware_status);
            statuses.insert(status);
            for (const char* final_status : final_statuses)
              if (status == final_status) return true;
            return false;
          },
          timeout_ms);
      status = ui::ControlText(dialog, id_firmware_status);
      if (status == final_statuses[2]) {
        frames_before_wait = Frames().size();
        Op::RunUntil(
            [&] {
              if (!ui::IsLive(dialog)) return true;
              reboot_progress.insert(ui::Progress(dialog, id_firmware_progress));
              return reboot_progress.count(100) > 0;
            },
            15000);
        Op::RunFor(50);
        return;
      }
      // The device answers at its own settings on the console's own line.
      answered_before_cancel = DoCommand('A', "0", 0, 500, 2);
      line_before_cancel = sim.LineFormat();
      Op::Press(dialog, ui::id_cancel);
    });
    DownloadCode();
  }
  // The firmware and port commands on the bus, each with the line's speed;
  // a command repeated at once is listed once.
  Strings Frames() {
    Strings frames;
    for (const test_support::TraceEntry& e :
         sim.Trace().value_or(std::vector<test_support::TraceEntry>{})) {
      if (e.body.empty() || (e.body[0] != 'X' && e.body[0] != 'Y')) continue;
      const std::string frame =
          e.body.substr(0, e.body[1] == '3' ? 7 : 11) + "@" + std::to_string(e.speed);
      if (frames.empty() || frames.back() != frame) frames.push_back(frame);
    }
    return frames;
  }

  ScratchDirectory directory;
  test_support::SimProcess sim;
  test_support::RelayProcess relay;
  Op op;
  std::string content, status, line_before_cancel;
  std::set<std::string> statuses;
  std::set<int> reboot_progress;
  std::size_t frames_before_wait = 0;
  int answered_before_cancel = 0;
};

TEST_F(DownloadSim, SerialDownloadAtTheRaisedRateWithAChunkOfferedAgain) {
  StartSerial("silent_chunk=1:4");
  Run(20000);
  EXPECT_EQ(status, "Transfer Complete, rebooting Unit...");
  EXPECT_EQ(Frames(),
            (Strings{"X?@9600", "X1057600N81@9600", "Y2 250@57600", "Y300000@57600",
                     "Y300001@57600", "Y300002@57600", "X1009600N81@57600", "Y400003@9600"}));
  const auto firmware = sim.Firmware('A');
  ASSERT_TRUE(firmware);
  EXPECT_EQ(firmware->announced, 250);
  EXPECT_EQ(firmware->chunks, 3);
  EXPECT_EQ(firmware->repeats, 4);
  EXPECT_EQ(firmware->mismatches, 0);
  EXPECT_TRUE(firmware->gaps.empty());
  EXPECT_EQ(firmware->hash, test_support::FirmwareHash(content));
  EXPECT_TRUE(firmware->finished);
  EXPECT_EQ(firmware->finish_count, 3);
  // The reboot wait shows its progress and sends nothing.
  EXPECT_GE(reboot_progress.size(), 5u);
  EXPECT_EQ(Frames().size(), frames_before_wait);
  EXPECT_TRUE(statuses.count("Sending new firmware at 57600 baud!") ||
              statuses.count("Sending at 57600 baud (4 message retries)"));
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(sim.LineFormat(), "9600 8N1");
  EXPECT_EQ(sim.DeviceLine('A').value_or("").rfind("9600:N81", 0), 0u);
  EXPECT_EQ(polling_enabled, 1);
}

TEST_F(DownloadSim, FourUnansweredOffersFailOnceAndRestoreTheLink) {
  StartSerial("silent_chunk=1:16");
  Run(30000);
  EXPECT_EQ(status, "Transfer Failed.");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Missing response from HPA.");
  EXPECT_EQ(op.Boxes()[0].caption, "Transfer Aborted.");
  EXPECT_EQ(answered_before_cancel, 1);
  EXPECT_EQ(line_before_cancel, "9600 8N1");
  const Strings frames = Frames();
  EXPECT_EQ(Strings(frames.end() - 2, frames.end()),
            (Strings{"Y300001@57600", "X1009600N81@57600"}));
  EXPECT_EQ(sim.DeviceLine('A').value_or("").rfind("9600:N81", 0), 0u);
  EXPECT_FALSE(sim.Firmware('A').value_or(test_support::FirmwareState{}).finished);
}

TEST_F(DownloadSim, ALostSpeedChangeAnswerFindsTheDeviceAgainAtItsSavedRate) {
  StartSerial("lose_speed_answer");
  Run(10000);
  EXPECT_EQ(status, "Initialization failed.");
  EXPECT_TRUE(op.Boxes().empty());
  const Strings frames = Frames();
  EXPECT_EQ(frames.back(), "X1009600N81@57600");
  EXPECT_EQ(sim.DeviceLine('A').value_or("").rfind("9600:N81", 0), 0u);
  EXPECT_EQ(answered_before_cancel, 1);
  EXPECT_EQ(line_before_cancel, "9600 8N1");
  EXPECT_EQ(sim.Firmware('A').value_or(test_support::FirmwareState{}).announced, -1);
}

TEST_F(DownloadSim, OverTcpNoSpeedChangeAndTheStatusNamesTheAddress) {
  std::string error;
  ASSERT_TRUE(
      sim.Start({"--amp", "A", "--steady", "--reboot-ms", "300", "--tcp-port", "0"}, &error))
      << error;
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  const std::string address = sim.DeviceAddress('A');
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    Op::Type(dialog, id_scan_address, address);
    Op::Press(dialog, ui::id_ok);
  });
  Run(10000);
  EXPECT_EQ(status, "Transfer Complete, rebooting Unit...");
  EXPECT_EQ(statuses.count("Sending firmware over ethernet to " + address + " !"), 1u);
  const auto firmware = sim.Firmware('A');
  ASSERT_TRUE(firmware);
  // "Y2", three chunks and "Y4", and no port command.
  EXPECT_EQ(firmware->rates, (std::vector<long>{0, 0, 0, 0, 0}));
  EXPECT_EQ(firmware->hash, test_support::FirmwareHash(content));
  EXPECT_TRUE(firmware->finished);
  EXPECT_TRUE(op.Boxes().empty());
  use_default_port = 1;
}

}  // namespace
