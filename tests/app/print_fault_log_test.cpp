// The fault log fetched for printing: the payload read from the answer frame of
// either family, cut to what is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/wprint.h"
#include "records/program_state.h"
#include "support/sim_process.h"
#include "ui/scripted_operator.h"

namespace {

struct FetchCase {
  bool quillon;
  const char* setting;  // of the simulated fault log; null: raw bytes
  int length;
  const char* first_record;
};

class FaultLogFetch : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FaultLogFetch, ThePayloadFollowsTheKindLetterInEitherFamily) {
  const FetchCase& c = GetParam();
  ResetLinkSettings();
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
  std::vector<std::string> args = {"--amp", "A", "--steady"};
  if (c.quillon) args.push_back("--quillon");
  std::string error;
  ASSERT_TRUE(sim.Start(args, &error)) << error;
  // A payload as long as the capture takes, of bytes up to 0xFF but no framing byte.
  std::string raw(2994, '\x80');
  for (std::size_t n = 0; n < raw.size(); n += 7) raw[n] = '\0';
  ASSERT_TRUE(c.setting ? sim.SetFaultLog('A', c.setting) : sim.SetFaultLogBytes('A', raw));
  quillon_protocol = c.quillon ? 1 : 0;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1);
  std::memset(protocol_state, 0, sizeof protocol_state);
  char log[fault_log_size];
  EXPECT_EQ(GetFaultLog(ui::no_window, 'A', log), c.length);
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_TRUE(op.Boxes().empty());
  if (c.length > 0) {
    EXPECT_EQ(std::string(log, 20), c.setting ? c.first_record : raw.substr(0, 20));
  }
  CloseSerial();
  ResetLinkSettings();
}

INSTANTIATE_TEST_SUITE_P(
    Families, FaultLogFetch,
    ::testing::Values(FetchCase{false, "answer", 63, "000112 HELIX OVERCUR"},
                      FetchCase{true, "answer", 63, "000112 HELIX OVERCUR"},
                      FetchCase{false, "generate 100", 2000, "000000 HELIX OVERCUR"},
                      FetchCase{true, "generate 100", 105, "000665 HELIX OVERCUR"},
                      FetchCase{false, "clear", 0, ""}, FetchCase{true, "clear", 0, ""},
                      FetchCase{false, nullptr, 2000, ""}));

}  // namespace
