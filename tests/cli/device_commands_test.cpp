#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "support/sim_process.h"

namespace {

using test_support::CliRun;
using test_support::RunCli;

std::vector<nlohmann::json> JsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

// Amplifiers 'A' and 'B' (silent) on the simulator, reached over its serial
// line or over TCP; every subcommand runs in its own process.
class DeviceCommands : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    std::vector<std::string> args = {"--amp", "A", "--amp", "B", "--steady", "--hour-ms", "0"};
    if (Tcp()) args.insert(args.end(), {"--ip-base", "127.0.0.90", "--tcp-port", "0"});
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    ASSERT_EQ(sim.Control("hours A 1234 567").rfind("ok", 0), 0u);
    ASSERT_EQ(sim.Control("silent B on").rfind("ok", 0), 0u);
  }
  bool Tcp() const { return GetParam(); }
  // The link options that reach the device at address.
  std::vector<std::string> Link(char address) const {
    if (!Tcp()) return {"--port", sim.LinkPath()};
    return {"--host", sim.DeviceAddress(address) + ":" + std::to_string(sim.TcpPort())};
  }
  CliRun Run(std::vector<std::string> args, char address = 'A') {
    const std::vector<std::string> link = Link(address);
    args.insert(args.end(), link.begin(), link.end());
    return RunCli(args, scratch.Path());
  }

  test_support::SimProcess sim;
  test_support::ScratchDirectory scratch;
};

TEST_P(DeviceCommands, EachSubcommandGivesItsOutputAndExitCode) {
  struct Case {
    std::vector<std::string> args;
    char device;  // whose address the link goes to
    int exit_code;
    std::string out;  // found in stdout
    std::string err;  // found in stderr
  };
  const std::string link = Tcp() ? ":" + std::to_string(sim.TcpPort()) : sim.LinkPath();
  const Case cases[] = {
      {{"status", "A"}, 'A', 0, "heater=1234 beam=567", ""},
      {{"status", "A"}, 'A', 0, "identity: part=305-4120-025 serial=10065", ""},
      {{"key", "A", "X"}, 'A', 0, "READINGS 1/3", ""},
      {{"key", "A", "F1+2"}, 'A', 0, "New 2_", ""},
      {{"key", "A", "!"}, 'A', 1, "", "device 'A' on "},
      {{"attenuation", "A", "7.5"}, 'A', 0, "A: attenuation 7.5 dB", ""},
      {{"status", "B"}, 'B', 1, "", "device 'B' on "},
      {{"attenuation", "B", "3"}, 'B', 1, "", "did not answer the attenuation"},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(c.args, c.device);
    const std::string what = c.args[0] + " " + c.args[1] + " " + c.args.back();
    EXPECT_EQ(run.exit_code, c.exit_code) << what << "\n" << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << what << "\n" << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << what << "\n" << run.err;
    // A failure names the link it went over.
    if (c.exit_code) {
      EXPECT_NE(run.err.find(link), std::string::npos) << what << "\n" << run.err;
    }
  }
}

TEST_P(DeviceCommands, StatusAsJsonCarriesTheRecord) {
  const CliRun run = Run({"status", "A", "--json"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::vector<nlohmann::json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 1u);
  const nlohmann::json& state = lines[0];
  EXPECT_EQ(state["address"], "A");
  EXPECT_EQ(state["contact"], true);
  EXPECT_EQ(state["hours"]["heater"], 1234);
  EXPECT_EQ(state["identity"]["serial"], "10065");
  EXPECT_EQ(state["display"].size(), 4u);
  EXPECT_TRUE(state["readings"]["power_out"].is_number());
}

// Watching writes a line on each change, stamped, until interrupted; a fault
// raised on the device shows in the next line.
TEST_P(DeviceCommands, WatchWritesChangesUntilInterrupted) {
  bool raised = false;
  const CliRun run = RunCli(
      [&] {
        std::vector<std::string> args = {"watch", "A", "--interval", "100"};
        const std::vector<std::string> link = Link('A');
        args.insert(args.end(), link.begin(), link.end());
        return args;
      }(),
      scratch.Path(),
      [&](const CliRun& so_far) {
        if (!raised && so_far.out.find("\"contact\":true") != std::string::npos) {
          raised = sim.Control("fault A on").rfind("ok", 0) == 0;
        }
        return so_far.out.find("\"fault\":true") != std::string::npos;
      });
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::vector<nlohmann::json> lines = JsonLines(run.out);
  ASSERT_GE(lines.size(), 2u);
  for (std::size_t n = 1; n < lines.size(); ++n) {
    EXPECT_NE(lines[n], lines[n - 1]);
    EXPECT_GE(lines[n]["time_ms"].get<long long>(), lines[n - 1]["time_ms"].get<long long>());
  }
  EXPECT_EQ(lines.back()["lamps"]["fault"], true);
}

INSTANTIATE_TEST_SUITE_P(SerialAndTcp, DeviceCommands, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Tcp" : "Serial"; });

TEST(CliScan, FindsTheAnsweringDevicesOfTheRange) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--amp", "C", "--steady"}, &error)) << error;
  test_support::ScratchDirectory scratch;
  CliRun run = RunCli({"scan", "A-C", "--json", "--port", sim.LinkPath()}, scratch.Path());
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::vector<nlohmann::json> found = JsonLines(run.out);
  ASSERT_EQ(found.size(), 2u) << run.out;
  EXPECT_EQ(found[0]["address"], "A");
  EXPECT_EQ(found[1]["address"], "C");
  EXPECT_EQ(found[0]["format"], "9600 N 8 1");
  run = RunCli({"scan", "D-E", "--port", sim.LinkPath()}, scratch.Path());
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("no device answered on " + sim.LinkPath()), std::string::npos) << run.err;
}

// Devices not declared are taken for amplifiers until their answers tell
// otherwise; a declared kind that the answers contradict gives way too.
TEST(CliKinds, AnswersTellControllersFromAmplifiers) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(
      sim.Start({"--amp", "A", "--controller", "C", "--controller", "D:324", "--steady"}, &error))
      << error;
  test_support::ScratchDirectory scratch;
  const std::vector<std::string> link = {"--json", "--port", sim.LinkPath()};
  const auto status = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "status");
    args.insert(args.end(), link.begin(), link.end());
    const CliRun run = RunCli(args, scratch.Path());
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return JsonLines(run.out);
  };
  for (const auto& lines : {status({"A", "C"}), status({"--controller", "A,D"})}) {
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["kind"], "amplifier");
    EXPECT_EQ(lines[0]["display"].size(), 4u);
    EXPECT_EQ(lines[1]["kind"], "controller");
    EXPECT_EQ(lines[1]["contact"], true);
    EXPECT_EQ(lines[1]["display"], nlohmann::json::array({"ONLINE: TWTA 1      "}));
    EXPECT_EQ(lines[1]["identity"]["part"], "305-4100-200");
    EXPECT_EQ(lines[1]["identity"]["serial"], "");
    EXPECT_TRUE(lines[1]["readings"]["attenuation"].is_null());
  }
  const CliRun run =
      RunCli({"watch", "C", "--interval", "100", "--port", sim.LinkPath()}, scratch.Path(),
             [](const CliRun& so_far) {
               return so_far.out.find("\"ONLINE: TWTA 1      \"") != std::string::npos;
             });
  EXPECT_EQ(run.exit_code, 0) << run.err;
  const std::vector<nlohmann::json> lines = JsonLines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back()["kind"], "controller");
  EXPECT_EQ(lines.back()["identity"]["part"], "305-4100-200");
}

// The link from sdefault.txt of the working directory when no option names one.
TEST(CliLink, SettingsFileOfTheWorkingDirectoryNamesThePort) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
  test_support::ScratchDirectory scratch;
  scratch.Write("sdefault.txt", sim.LinkPath() + " 9600 N 8 1 0");
  const CliRun run = RunCli({"status", "A"}, scratch.Path());
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("A (amplifier): in contact"), std::string::npos) << run.out;
}

// Over Ethernet every device has its own connection: a host of its own, or
// the one named for every device.
TEST(CliHosts, EachDeviceIsReachedAtItsOwnHost) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--amp", "B", "--amp", "C", "--steady", "--ip-base",
                         "127.0.0.90", "--tcp-port", "0"},
                        &error))
      << error;
  ASSERT_EQ(sim.Control("silent C on").rfind("ok", 0), 0u);
  const auto host = [&sim](char address) {
    return sim.DeviceAddress(address) + ":" + std::to_string(sim.TcpPort());
  };
  test_support::ScratchDirectory scratch;
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      // An answer from any other device than the one asked fails the poll.
      {{"A", "B", "--host", "A=" + host('A'), "--host", "B=" + host('B')}, 0, "B (amplifier)", ""},
      {{"A", "C", "--host", "A=" + host('A'), "--host", host('C')},
       1,
       "A (amplifier)",
       "device 'C' on " + host('C')},
      {{"A", "B", "--host", "A=" + host('A')}, 3, "", "no host for device 'B'"},
      {{"A", "--host", "A=" + host('A'), "--host", "A=" + host('B')},
       2,
       "",
       "device 'A' already has a host"},
      {{"A", "--host", "A=127.0.0.300"}, 3, "", "host '127.0.0.300' (from --host A=127.0.0.300)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"status"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun run = RunCli(args, scratch.Path());
    std::string what;
    for (const std::string& word : c.args) what += word + " ";
    EXPECT_EQ(run.exit_code, c.exit_code) << what << "\n" << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << what << "\n" << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << what << "\n" << run.err;
  }
}

// A device that cannot be reached, or hangs up, is shown out of contact and
// connected again in the background while the other goes on being polled.
TEST(CliWatch, ATcpDeviceThatHangsUpIsConnectedAgain) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start(
      {"--amp", "A", "--amp", "B", "--steady", "--ip-base", "127.0.0.90", "--tcp-port", "0"},
      &error))
      << error;
  ASSERT_EQ(sim.Control("tcp A refuse"), "ok");
  const auto host = [&sim](char address) {
    return std::string(1, address) + "=" + sim.DeviceAddress(address) + ":" +
           std::to_string(sim.TcpPort());
  };
  // Each step waits for a line of A's or B's, then acts on the simulator.
  struct Step {
    const char* device;
    const char* field;  // "contact" or "fault"
    bool value;
    const char* then;
  };
  const Step steps[] = {
      {"B", "contact", true, "tcp A normal"},
      {"A", "contact", true, "tcp A close"},
      {"A", "contact", false, "fault B on"},
      {"B", "fault", true, ""},
      {"A", "contact", true, ""},
  };
  std::size_t step = 0, lines_seen = 0;
  test_support::ScratchDirectory scratch;
  const CliRun run =
      RunCli({"watch", "A", "B", "--interval", "100", "--host", host('A'), "--host", host('B')},
             scratch.Path(), [&](const CliRun& so_far) {
               const std::size_t complete = so_far.out.rfind('\n') + 1;
               const std::vector<nlohmann::json> lines = JsonLines(so_far.out.substr(0, complete));
               for (; lines_seen < lines.size() && step < std::size(steps); ++lines_seen) {
                 const nlohmann::json& line = lines[lines_seen];
                 const Step& next = steps[step];
                 const bool value = next.field == std::string("contact")
                                        ? line["contact"].get<bool>()
                                        : line["lamps"]["fault"].get<bool>();
                 if (line["address"] != next.device || value != next.value) continue;
                 if (*next.then) {
                   EXPECT_EQ(sim.Control(next.then), "ok") << next.then;
                 }
                 ++step;
               }
               return step == std::size(steps);
             });
  EXPECT_EQ(step, std::size(steps)) << run.out << run.err;
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("connecting to " + sim.DeviceAddress('A')), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("'A': connected again to " + sim.DeviceAddress('A')), std::string::npos)
      << run.err;
}

TEST(CliArguments, BadArgumentsAndLinksGiveTheirExitCodes) {
  test_support::ScratchDirectory scratch;
  // A port held bound but not listening refuses connections.
  const int refusing = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(refusing, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  getsockname(refusing, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string err;
  };
  const Case cases[] = {
      {{}, 2, "name a command"},
      {{"frobnicate"}, 2, ""},
      {{"status"}, 2, "name the devices"},
      {{"key", "A", "E", "--controller", "C"}, 2, "--controller names another device than 'A'"},
      {{"status", "ZZZ"}, 2, "not a poll address: 'ZZZ'"},
      {{"key", "A", "QQ"}, 2, "not a key: 'QQ'"},
      {{"attenuation", "A", "200"}, 2, "DB"},
      {{"watch", "A", "--interval", "0"}, 2, "--interval"},
      {{"status", "A", "--format", "9X1"}, 2, "9X1"},
      {{"scan", "A-C", "--rates", "1234"}, 2, "1234"},
      {{"scan", "300"}, 2, "not an address range: '300'"},
      {{"scan", "AB-C"}, 2, "not an address range"},
      {{"gateway", "--site", "north"}, 2, "name the devices"},
      {{"gateway", "--site", "north", "--scan", "A-C", "--host", "127.0.0.1"},
       2,
       "a bus scan needs a serial port"},
      {{"status", "A", "--port", "/nonexistent/line"}, 3, "serial port /nonexistent/line at 9600"},
      {{"status", "A", "--host", host}, 3, "connecting to " + host},
      {{"status", "A", "--host", "127.0.0.300"}, 3, "127.0.0.300"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args, scratch.Path());
    std::string what;
    for (const std::string& word : c.args) what += word + " ";
    EXPECT_EQ(run.exit_code, c.exit_code) << what << "\n" << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << what << "\n" << run.err;
    EXPECT_TRUE(run.out.empty()) << what << "\n" << run.out;
  }
  close(refusing);
}

}  // namespace
