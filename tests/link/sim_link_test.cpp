// The link against corvane-sim in its own process, over a real pseudo-terminal.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "config/settings.h"
#include "link/capture.h"
#include "link/command_set.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "support/sim_process.h"

namespace {

class SimLink : public ::testing::Test {
 protected:
  void Launch(std::vector<std::string> args, bool quillon = false) {
    ResetSettings();
    ResetLinkSettings();
    quillon_protocol = quillon ? 1 : 0;
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
    std::memset(protocol_state, 0, sizeof protocol_state);
  }
  void TearDown() override {
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  // Sends through the command table's limits; the body of the answer, or
  // "(none)" when no valid answer came.
  std::string Ask(int device, const std::string& body, command_id id) {
    const device_command& command = Command(id);
    const int timeout = command.timeout ? command.timeout : 500;
    const int tries = command.tries > 1 ? command.tries : 2;
    if (!DoCommand(device, body.c_str(), static_cast<int>(body.size()), timeout, tries)) {
      return "(none)";
    }
    return Body();
  }
  // The answer's body: after the address, before ETX and checksum (Tessary)
  // or before checksum and ETX (Quillon).
  std::string Body() const {
    const protocol_struct& p = protocol_state[0];
    const int start = quillon_protocol ? 3 : 2;
    const int count = p.receive_count;
    if (count < start + 2) return "";
    return std::string(reinterpret_cast<const char*>(p.response_buf) + start, count - start - 2);
  }
  std::string Frame() const {
    return std::string(reinterpret_cast<const char*>(protocol_state[0].response_buf),
                       protocol_state[0].receive_count);
  }
  std::string Ok(const std::string& command) {
    const std::string answer = sim.Control(command);
    EXPECT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
    return answer.size() > 3 ? answer.substr(3) : "";
  }

  test_support::SimProcess sim;
};

TEST_F(SimLink, EveryAmplifierCommandComesBackAsTold) {
  char cfg_path[] = "/tmp/corvane-cfg-XXXXXX";
  const int cfg_file = mkstemp(cfg_path);
  const std::string cfg = "; test unit\r\nBAND KU\r\nLOCK ON\r\n";
  ASSERT_EQ(write(cfg_file, cfg.data(), cfg.size()), static_cast<ssize_t>(cfg.size()));
  close(cfg_file);
  Launch({"--amp", "A", "--amp", "B", "--steady", "--seed", "3", "--model-cfg", cfg_path});
  unlink(cfg_path);

  Ok("set A attenuation 17.3");
  Ok("hours A 1234 567");
  std::string status = Ask('A', Command(command_id::status_poll).body, command_id::status_poll);
  ASSERT_EQ(status.size(), 1u + 2 + 4 + 6 + 6 + 4 + 4) << status;
  EXPECT_EQ(status[0], '?');
  EXPECT_EQ(status.substr(3, 4), "17.3");
  EXPECT_EQ(status.substr(7, 6), "001234");
  EXPECT_EQ(status.substr(13, 6), "000567");
  EXPECT_EQ(Frame()[1], 'A') << "the answering address";

  Ok("set B frequency 14.25");
  status = Ask('B', std::string(Command(command_id::status_poll_frequency).body) + "IJQTtij",
               command_id::status_poll_frequency);
  ASSERT_EQ(status.size(), 1u + 2 + 4 + 9 + 6 + 6 + 4 + 4 + 4 + 7 * 4) << status;
  EXPECT_EQ(status.substr(7, 9), "  14.2500");

  Ok("set A row0 HELLO FROM THE SIM");
  const std::string screen = Ask('A', "55", command_id::screen);
  ASSERT_EQ(screen.size(), 1u + 4 * 21);
  EXPECT_EQ(screen.substr(1, 20), "HELLO FROM THE SIM  ");

  EXPECT_NE(Ask('A', AttenuationCommand(12.5).text, command_id::key), "(none)");
  EXPECT_EQ(Ok("get A attenuation"), "12.5");
  // The panel's "+" key.
  EXPECT_EQ(Ask('A', KeyCommand('j').text, command_id::key)[0], 'V');
  EXPECT_EQ(Ok("get A attenuation"), "12.6");

  Ok("set A part 305-4321-012");
  Ok("set A serial 54321");
  ASSERT_NE(Ask('A', "00", command_id::identify_amplifier), "(none)");
  const std::string id = Frame();
  EXPECT_EQ(id.substr(3, 4) + id.substr(8, 3), "4321012");
  EXPECT_EQ(id.substr(12, 5), "54321");
  ASSERT_NE(Ask('A', "0", command_id::identify), "(none)");

  Ok("set A frequency 6.15");
  Ok("set A offset -1.25");
  ASSERT_NE(Ask('A', FrequencyOffsetCommand(6.15).text, command_id::frequency_offset), "(none)");
  EXPECT_EQ(Frame().substr(10, 5), "-1.25");

  Ok("fault A on ARC DETECT");
  const int records = std::stoi(Ok("get A faultlog"));
  ASSERT_GE(records, 1);
  const std::string log = Ask('A', "4", command_id::fault_log);
  EXPECT_EQ(log.size(), 1u + 21 * records);

  ASSERT_NE(Ask('A', "Y0", command_id::config_fetch), "(none)");
  const std::string fetched = Frame();
  EXPECT_EQ(fetched.substr(3, fetched.size() - 6), cfg);
  EXPECT_NE(Ask('A', ConfigLineCommand("LOCK OFF\r\n").text, command_id::config_line), "(none)");
  EXPECT_NE(Ok("get A cfg").find("LOCK OFF"), std::string::npos);

  EXPECT_NE(Ask('A', "~", command_id::restart), "(none)");
  EXPECT_EQ(Ok("get A restarts"), "1");
}

TEST_F(SimLink, ControllersOfBothGenerations) {
  Launch({"--controller", "C", "--controller", "D:310", "--steady"});
  ASSERT_NE(Ask('C', "0", command_id::identify), "(none)");
  EXPECT_EQ(Body().substr(1 + 7, 3), "325");
  ASSERT_NE(Ask('D', "0", command_id::identify), "(none)");
  EXPECT_EQ(Body().substr(1 + 7, 3), "310");
  EXPECT_EQ(Ask('C', "?!IPTV", command_id::controller_status)[0], '?');
  EXPECT_EQ(Ask('D', "?1IPTV", command_id::controller_status_old)[0], '?');
  // The older firmware refuses the newer layout: a NAK is no answer.
  EXPECT_EQ(Ask('D', "?!IPTV", command_id::controller_status), "(none)");
  EXPECT_EQ(Ask('C', "55", command_id::screen)[0], '5');
}

TEST_F(SimLink, RetriesGetThroughThirtyPercentDrops) {
  Launch({"--amp", "A", "--drop", "0.3", "--seed", "5", "--steady"});
  retries = 0;
  for (int n = 0; n < 12; ++n) {
    EXPECT_EQ(DoCommand('A', "55", 0, 300, 4), 1) << "exchange " << n;
  }
  EXPECT_GT(retries, 0) << Ok("stats");
}

TEST_F(SimLink, QuillonEndToEnd) {
  Launch({"--quillon", "--amp", "A", "--controller", "C", "--steady"}, true);
  Ok("set A attenuation 8.5");
  const std::string status = Ask('A', "?1AMNPV", command_id::status_poll);
  ASSERT_NE(status, "(none)") << Ok("stats") << " " << Frame();
  EXPECT_EQ(status.substr(3, 4), " 8.5");
  EXPECT_EQ(Frame()[2], 'A');
  EXPECT_EQ(Ask('A', "55", command_id::screen).size(), 1u + 4 * 21);
  EXPECT_NE(Ask('A', "K20.0!", command_id::attenuation), "(none)");
  EXPECT_EQ(Ok("get A attenuation"), "20.0");
  EXPECT_EQ(Ask('C', "?1IPTV", command_id::controller_status_old)[0], '?');
  // Refusals carry "ERROR", which never counts as an answer.
  EXPECT_EQ(Ask('A', "?1Z", command_id::status_poll), "(none)");
}

TEST_F(SimLink, APeerThatGoesAwayIsSilenceNotASpin) {
  Launch({"--amp", "A", "--steady"});
  ASSERT_EQ(DoCommand('A', "55", 0, 500, 1), 1);
  sim.Stop();
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DoCommand('A', "55", 0, 300, 2), 0);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                     (after.ru_stime.tv_sec - before.ru_stime.tv_sec) +
                     (after.ru_utime.tv_usec - before.ru_utime.tv_usec +
                      after.ru_stime.tv_usec - before.ru_stime.tv_usec) / 1e6;
  EXPECT_GE(wall, 0.75);
  EXPECT_LT(cpu / wall, 0.2);
}

}  // namespace
