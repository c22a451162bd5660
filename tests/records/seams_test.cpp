// The records without any window: panels and the operator are reached only
// through what the one running the core installs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/device_records.h"
#include "records/operator_report.h"

namespace {

bool live_panel[device_count];
std::vector<int> closed;

bool FakeLives(int address) {
  return live_panel[address];
}
std::uint32_t FakeIdentity(int address) {
  return 1000u + static_cast<std::uint32_t>(address);
}
void FakeClose(int address) {
  closed.push_back(address);
  live_panel[address] = false;
}

TEST(PanelSeam, WithoutPanelsOnlyWatchersOpenAddresses) {
  WatchDevice('C', true);
  EXPECT_TRUE(IsOpen('C'));
  EXPECT_FALSE(PanelLives('C'));
  EXPECT_EQ(PanelIdentity('C'), 0u);
  EXPECT_EQ(ClosePollWindows(), 'A');
  EXPECT_TRUE(IsOpen('C'));
  WatchDevice('C', false);
  EXPECT_FALSE(IsOpen('C'));
  EXPECT_FALSE(IsOpen(-1));
  EXPECT_FALSE(IsOpen(device_count));
}

TEST(PanelSeam, ThePanelsInstalledOpenAddressesAndAreClosedInOrder) {
  SetPanelSeam({FakeLives, FakeIdentity, FakeClose});
  live_panel['B'] = live_panel['D'] = true;
  EXPECT_TRUE(IsOpen('B'));
  EXPECT_FALSE(IsOpen('C'));
  EXPECT_EQ(NextAvailablePollAddress(), 'C');
  EXPECT_EQ(PanelIdentity('D'), 1000u + 'D');
  EXPECT_EQ(PanelIdentity(device_count), 0u);
  EXPECT_EQ(ClosePollWindows(), 'D');
  EXPECT_EQ(closed, (std::vector<int>{'B', 'D'}));
  EXPECT_FALSE(IsOpen('B'));
  SetPanelSeam({nullptr, nullptr, nullptr});
}

struct told {
  std::string text, caption;
  ReportTone tone;
  bool asked, default_answer;
};
std::vector<told> reports;

TEST(OperatorReport, TextsCaptionsAndDefaultAnswersReachTheReporter) {
  SetOperatorReporter(
      {[](const std::string& text, const std::string& caption, ReportTone tone) {
         reports.push_back({text, caption, tone, false, false});
       },
       [](const std::string& text, const std::string& caption, bool default_answer) {
         reports.push_back({text, caption, ReportTone::information, true, default_answer});
         return !default_answer;
       }});
  TellOperator("Can't connect.", "No Device Found", ReportTone::error);
  EXPECT_TRUE(AskOperator("Reboot now?", "Success", false));
  EXPECT_FALSE(AskOperator("Sure?", "Confirm", true));
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].text, "Can't connect.");
  EXPECT_EQ(reports[0].caption, "No Device Found");
  EXPECT_EQ(reports[0].tone, ReportTone::error);
  EXPECT_FALSE(reports[0].asked);
  EXPECT_TRUE(reports[1].asked);
  EXPECT_FALSE(reports[1].default_answer);
  EXPECT_TRUE(reports[2].default_answer);
}

}  // namespace
