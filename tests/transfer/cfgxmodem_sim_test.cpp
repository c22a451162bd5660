// The service console sequence against corvane-sim in its own process: the
// command lines typed, the line's format, the transfers, and every ending
// leaving the amplifier answering frames again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/scratch_directory.h"
#include "console_line.h"
#include "link/exchange.h"
#include "modelcfg/model_cfg.h"
#include "resources/modelcfg_dialogs.h"
#include "support/sim_process.h"
#include "transfer/transfer_dialog.h"
#include "ui/dialog.h"

namespace {

using ui::ScriptedOperator;

const std::string cfg_text = "; unit under test\r\nBAND KU,*KA\r\nLOCK *ON,OFF\r\n";

class SimConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    directory.Write("amp.cfg", cfg_text);
    std::string error;
    ASSERT_TRUE(sim.Start({"--amp", "A", "--steady", "--reboot-ms", "300", "--model-cfg",
                           directory.File("amp.cfg").string()},
                          &error))
        << error;
    ResetSettings();
    ResetLinkSettings();
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    serial_baud = 19200;
    serial_stop = two_stop_bits;
    ASSERT_EQ(InitSerial(), 1) << SerialErrorText();
    std::memset(protocol_state, 0, sizeof protocol_state);
    polling_enabled = 1;
  }
  void TearDown() override {
    if (ui::IsLive(transfer_dialog)) ui::Destroy(transfer_dialog);
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  // Runs the sequence until it reaches a final step.
  transfer_sequence_enum Run(const char* parameter, int timeout_ms = 20000) {
    dialog = OpenTransferDialog(ui::no_window, parameter);
    ScriptedOperator::Press(dialog, ui::id_ok);
    ScriptedOperator::RunUntil(
        [] {
          return transfer_step == ts_complete || transfer_step == ts_abort ||
                 transfer_step == ts_failed || transfer_step == ts_timeout;
        },
        timeout_ms);
    return transfer_step;
  }
  // The command lines typed, byte for byte between their line ends; blank
  // lines (the prompt requests, as many as the timing asked for) left out.
  std::vector<std::string> Typed() {
    std::vector<std::string> commands;
    for (std::string line : sim.ConsoleLines('A').value_or(std::vector<std::string>{})) {
      while (!line.empty() && (line.front() == '\r' || line.front() == '\n')) line.erase(0, 1);
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
      if (!line.empty()) commands.push_back(line);
    }
    return commands;
  }
  // After the dialog is closed: the console's own line format, polling, and
  // an amplifier that answers frames once it has rebooted.
  void ExpectBackToFrames() {
    // A pseudo-terminal has no line time: the simulator must have read the
    // reset before the port changes its rate, as a real line would have sent it.
    EXPECT_TRUE(ScriptedOperator::RunUntil(
        [&] { return sim.ConsoleState('A').value_or("").rfind("off", 0) == 0; }, 5000));
    ScriptedOperator::Press(dialog, ui::id_cancel);
    EXPECT_EQ(polling_enabled, 1);
    EXPECT_EQ(xmodem_timer, 0u);
    termios line{};
    tcgetattr(serial_device, &line);
    EXPECT_TRUE(IsOwnFormat(line));
    EXPECT_TRUE(
        ScriptedOperator::RunUntil([] { return DoCommand('A', "00", 2, 300, 1) == 1; }, 5000));
    EXPECT_EQ(sim.ConsoleState('A').value_or("").rfind("off", 0), 0u);
  }

  ScratchDirectory directory;
  test_support::SimProcess sim;
  ScriptedOperator op;
  ui::Handle dialog = ui::no_window;
};

TEST_F(SimConsole, AGetLoadsTheAmplifiersFileIntoTheEditor) {
  total_cfg_lines = 0;
  ASSERT_EQ(Run("AG"), ts_complete);
  EXPECT_EQ(ui::ControlText(dialog, id_transfer_status),
            "Saved " + directory.File("Model.cfg").string());
  EXPECT_EQ(ui::ControlText(dialog, ui::id_cancel), "Close");
  EXPECT_EQ(total_cfg_lines, 3);
  EXPECT_EQ(directory.Read("Model.cfg").substr(0, cfg_text.size()), cfg_text);
  const std::string state = sim.ConsoleState('A').value_or("");
  EXPECT_NE(state.find("line=9600 8N1"), std::string::npos) << state;
  EXPECT_NE(state.find("garbled=0"), std::string::npos) << state;
  EXPECT_EQ(Typed(), (std::vector<std::string>{"\x1b Transfer /s Model.cfg ", "\x1b ", "Reset"}));
  EXPECT_TRUE(op.Boxes().empty());
  ExpectBackToFrames();
}

TEST_F(SimConsole, ASendPutsTheFileOnTheRamDiskAndCountsDownTheReboot) {
  const std::string edited = cfg_text + "POWER *HIGH,LOW\r\n";
  directory.Write("Model.cfg", edited);
  ASSERT_TRUE(sim.SetDrive('A', 'C', "COMMAND.COM VDISK.SYS"));
  ASSERT_TRUE(sim.SetDrive('A', 'D', "MODEL.CFG"));
  ASSERT_EQ(Run("AS", 30000), ts_complete) << ui::ControlText(dialog, id_transfer_status) << "\n"
                                           << sim.TransferLog('A').value_or("") << "\n"
                                           << sim.ConsoleState('A').value_or("");
  EXPECT_EQ(ui::ControlText(dialog, id_transfer_status),
            "File transferred from " + directory.File("Model.cfg").string());
  EXPECT_EQ(sim.ReceivedFile('A').value_or(""), edited);
  EXPECT_EQ(Typed(), (std::vector<std::string>{"\x1b Dir Vdisk.sys ", "\x1b Dir E100Bpkt.com ",
                                               "\x1b D: ", "\x1b Transfer /r D:Model.cfg ", "\x1b ",
                                               "Reset"}));
  ExpectBackToFrames();
  EXPECT_EQ(sim.ModelCfg('A').value_or(""), edited);
}

struct Ending {
  const char* name;
  const char* parameter;
  const char* faults;
  transfer_sequence_enum step;
};

class SimEndings : public SimConsole, public ::testing::WithParamInterface<Ending> {};

// However a transfer ends, the amplifier is told to reset and comes back.
TEST_P(SimEndings, TheAmplifierIsResetAndAnswersFramesAgain) {
  directory.Write("Model.cfg", cfg_text);
  ASSERT_TRUE(sim.SetTransferFaults('A', GetParam().faults));
  EXPECT_EQ(Run(GetParam().parameter), GetParam().step);
  const std::vector<std::string> typed = Typed();
  ASSERT_FALSE(typed.empty());
  EXPECT_EQ(typed.back().substr(typed.back().size() - 5), "Reset") << typed.back();
  ExpectBackToFrames();
}

INSTANTIATE_TEST_SUITE_P(Faults, SimEndings,
                         ::testing::Values(Ending{"GetFailed", "AG", "failed", ts_abort},
                                           Ending{"GetCancelled", "AG", "cancel=1", ts_failed},
                                           Ending{"SendCancelled", "AS", "cancel=1", ts_failed}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Recovery {
  const char* name;
  const char* parameter;
  const char* faults;
  const char* logged;  // what the amplifier's transfer log shows of the fault
};

class SimRecoveries : public SimConsole, public ::testing::WithParamInterface<Recovery> {};

// Line faults the protocol answers: the file still arrives whole.
TEST_P(SimRecoveries, TheFileArrivesWhole) {
  const std::string edited = cfg_text + "POWER *HIGH,LOW\r\n";
  directory.Write("Model.cfg", edited);
  ASSERT_TRUE(sim.SetTransferFaults('A', GetParam().faults));
  const bool get = GetParam().parameter[1] == 'G';
  ASSERT_EQ(Run(GetParam().parameter), ts_complete);
  if (get) {
    EXPECT_EQ(directory.Read("Model.cfg"), cfg_text);
    EXPECT_EQ(total_cfg_lines, 3);
  } else {
    EXPECT_EQ(sim.ReceivedFile('A').value_or(""), edited);
  }
  EXPECT_NE(sim.TransferLog('A').value_or("").find(GetParam().logged), std::string::npos)
      << sim.TransferLog('A').value_or("");
  ExpectBackToFrames();
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimRecoveries,
    ::testing::Values(Recovery{"DamagedRepeat", "AG", "damaged_repeat=1", "damaged-repeat:1"},
                      Recovery{"CorruptBlock", "AG", "corrupt=1", "corrupt"},
                      Recovery{"NakedEot", "AS", "nak_eot", "eot nak"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimConsole, AGetIntoAnUnwritableFileCancelsTheSender) {
  std::filesystem::create_directory(directory.File("Model.cfg"));
  ASSERT_EQ(Run("AG"), ts_abort);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Unable to create " + directory.File("Model.cfg").string() + ".");
  EXPECT_NE(sim.TransferLog('A').value_or("").find("can"), std::string::npos)
      << *sim.TransferLog('A');
  ExpectBackToFrames();
}

}  // namespace

// Blocks move as the line brings the answers, not one per tick of the
// sequence's timer (80 blocks would take 4.5 s at one a tick).
TEST_F(SimConsole, TenKilobytesMoveAtTheSpeedOfTheLineBothWays) {
  std::string big;
  for (int n = 0; big.size() < 10000; ++n)
    big += "; line " + std::to_string(n) + std::string(100, '-') + "\r\n";
  ASSERT_TRUE(sim.SetModelCfg('A', big));
  directory.Write("Model.cfg", big);
  for (const char* parameter : {"AG", "AS"}) {
    const transfer_sequence_enum moving = parameter[1] == 'G' ? ts_receiving : ts_sending;
    dialog = OpenTransferDialog(ui::no_window, parameter);
    ScriptedOperator::Press(dialog, ui::id_ok);
    ASSERT_TRUE(ScriptedOperator::RunUntil([&] { return transfer_step == moving; }, 10000))
        << parameter;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ScriptedOperator::RunUntil([&] { return transfer_step != moving; }, 10000))
        << parameter;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(transfer_step == ts_complete || transfer_step == ts_resetwait) << parameter;
    EXPECT_LT(took, std::chrono::milliseconds(3000)) << parameter;
    ExpectBackToFrames();
  }
  EXPECT_EQ(directory.Read("Model.cfg"), big);
  EXPECT_EQ(sim.ReceivedFile('A').value_or(""), big);
}
