// get-config, send-config, send-all and firmware as their own processes
// against the simulator in its own, over its serial line and over TCP.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/sim_process.h"

namespace {

using test_support::CliRun;
using test_support::RunCli;
using test_support::SimProcess;

const std::string device_cfg = "; unit under test\r\nBAND KU,*KA\r\nLOCK *ON,OFF\r\n";
const std::string lines_cfg = "BAND *KU,KA\r\n\nLOCK ON,*OFF\r\n";
const std::string whole_cfg = "; replaced\r\nBAND *KU,KA\r\n";

std::string Firmware() {
  std::string bytes;
  for (int n = 0; n < 2950; ++n) bytes += static_cast<char>(n * 7 % 251);
  return bytes;
}

// Amplifier 'A', and 'B' that stays silent.
class TransferCommands : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    scratch.Write("device.cfg", device_cfg);
    scratch.Write("lines.cfg", lines_cfg);
    scratch.Write("whole.cfg", whole_cfg);
    scratch.Write("fw.exe", Firmware());
    scratch.Write("long.cfg", "BAND KU\r\n" + std::string(300, 'x') + "\r\n");
    std::vector<std::string> args = {"--amp", "A",           "--amp",
                                     "B",     "--steady",    "--reboot-ms",
                                     "300",   "--model-cfg", scratch.Path() + "/device.cfg"};
    if (Tcp()) args.insert(args.end(), {"--ip-base", "127.0.0.90", "--tcp-port", "0"});
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    ASSERT_EQ(sim.Control("silent B on").rfind("ok", 0), 0u);
  }
  bool Tcp() const { return GetParam(); }
  CliRun Run(std::vector<std::string> args) {
    const char address = args[1][0];
    if (Tcp()) {
      args.insert(args.end(),
                  {"--host", sim.DeviceAddress(address) + ":" + std::to_string(sim.TcpPort())});
      if (args[0] == "send-all") {
        args.insert(args.end(), {"--upload-port", std::to_string(sim.UploadPort())});
      }
    } else {
      args.insert(args.end(), {"--port", sim.LinkPath()});
    }
    return RunCli(args, scratch.Path(), nullptr, 30000);
  }
  std::string Read(const std::string& name) const {
    std::ifstream file(scratch.Path() + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  SimProcess sim;
  test_support::ScratchDirectory scratch;
};

TEST_P(TransferCommands, EachSubcommandGivesItsOutputExitCodeAndBytes) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string out;  // found in stdout
    std::string err;  // found in stderr
    std::function<void()> check;
  };
  const std::string link = Tcp() ? ":" + std::to_string(sim.TcpPort()) : sim.LinkPath();
  const Case cases[] = {
      {{"get-config", "A", "got.cfg"},
       0,
       "Configuration saved in got.cfg.",
       "",
       [&] { EXPECT_EQ(Read("got.cfg"), device_cfg); }},
      {{"send-config", "A", "lines.cfg"},
       0,
       "Configuration Sent",
       "LOCK ON,*OFF",
       [&] {
         EXPECT_EQ(sim.Y1Bodies('A').value_or(std::vector<std::string>{}),
                   (std::vector<std::string>{"Y1BAND *KU,KA  ", "Y1LOCK ON,*OFF  "}));
       }},
      {{"send-all", "A", "whole.cfg"},
       0,
       "",
       "",
       [&] { EXPECT_EQ(Tcp() ? sim.UploadedFile('A') : sim.ReceivedFile('A'), whole_cfg); }},
      {{"firmware", "A", "fw.exe"},
       0,
       "",
       "100.0% (30 of 30 chunks)",
       [&] {
         const auto state = sim.Firmware('A');
         ASSERT_TRUE(state);
         EXPECT_TRUE(state->finished);
         EXPECT_EQ(state->hash, test_support::FirmwareHash(Firmware()));
       }},
      {{"get-config", "B", "never.cfg"}, 1, "", "device 'B' on ", [] {}},
      {{"send-config", "B", "lines.cfg"}, 1, "", "device 'B' on ", [] {}},
      {{"firmware", "B", "fw.exe"}, 1, "", "device 'B' on ", [] {}},
      {{"send-all", "A", "missing.cfg"}, 2, "", "cannot read 'missing.cfg'", [] {}},
      // Nothing of a file the device could not take whole goes out.
      {{"send-config", "A", "long.cfg"},
       2,
       "",
       "Line 2 of 'long.cfg' is longer than 248 bytes.  Nothing was sent.",
       [&] { EXPECT_EQ(sim.Y1Bodies('A').value_or(std::vector<std::string>{}).size(), 2u); }},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(c.args);
    const std::string what = c.args[0] + " " + c.args[1];
    EXPECT_EQ(run.exit_code, c.exit_code) << what << "\n" << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << what << "\n" << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << what << "\n" << run.err;
    if (c.exit_code == 1) {
      EXPECT_NE(run.err.find(link), std::string::npos) << what << "\n" << run.err;
    }
    c.check();
  }
}

INSTANTIATE_TEST_SUITE_P(SerialAndTcp, TransferCommands, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tcp" : "Serial"; });

// The service console is reached over serial only.
class ServiceConsoleTransfer : public TransferCommands {};

// Ctrl-C in the middle of the service console sequence: the amplifier is told
// to reset and answers frames again.
TEST_P(ServiceConsoleTransfer, AnInterruptedSendAllLeavesTheAmplifierAnswering) {
  const CliRun run =
      RunCli({"send-all", "A", "whole.cfg", "--port", sim.LinkPath()}, scratch.Path(),
             [](const CliRun& so_far) {
               return so_far.err.find("Picking target drive letter") != std::string::npos;
             });
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_NE(run.err.find("the service console transfer was interrupted"), std::string::npos)
      << run.err;
  EXPECT_EQ(Run({"get-config", "A", "after.cfg"}).exit_code, 0);
}

INSTANTIATE_TEST_SUITE_P(SerialOnly, ServiceConsoleTransfer, ::testing::Values(false),
                         [](const auto&) { return "Serial"; });

}  // namespace
