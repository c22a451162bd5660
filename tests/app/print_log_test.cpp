// The status log report: its layout on a recording device, and "Print Log" and
// the panel-close question end to end with corvane-sim and a PDF answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/amp_info_dialog.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "modelcfg/pdf_pages.h"
#include "modelcfg/recording_print_device.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "resources/device_dialog_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

constexpr char separator[] =
    "----------------------------------------------------------------------";

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  return lines;
}

struct LayoutCase {
  int height;
  int lines;
  std::vector<int> per_page;  // log lines on each page
  int end_y;                  // where "End of Log" stands
};

class LogLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  ScratchDirectory directory;
};

TEST_P(LogLayout, LinesFromFiveLinesDownPageNumbersAtTheFoot) {
  const LayoutCase& c = GetParam();
  CopyField(device_data['A'].part, "305-1234-567");
  CopyField(device_data['A'].serial, "12345");
  std::string log;
  for (int n = 0; n < c.lines; ++n) log += "line " + std::to_string(n) + "\r\n";
  directory.Write("305-1234-567 12345.txt", log);
  const std::string name = directory.File("305-1234-567 12345.txt");
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(name.c_str(), "rb"), std::fclose);
  RecordingPrintDevice device({.width = 1200, .height = c.height});
  ASSERT_TRUE(PrintLogFile(device, file.get(), 'A'));
  ASSERT_EQ(device.pages.size(), c.per_page.size());
  const auto placed = [&](std::size_t page, std::size_t call) {
    const auto& drawn = device.pages[page].at(call);
    return std::to_string(drawn.x) + "," + std::to_string(drawn.y) + " " + drawn.text;
  };
  EXPECT_EQ(placed(0, 0), "30,60 Amplifier Status Log (" + name + ")");
  for (std::size_t page = 0, line = 0; page < device.pages.size(); ++page) {
    const std::size_t first = page == 0 ? 1 : 0, count = device.pages[page].size();
    ASSERT_EQ(count, first + c.per_page[page] + (page + 1 == c.per_page.size() ? 2 : 1));
    for (int n = 0; n < c.per_page[page]; ++n, ++line)
      EXPECT_EQ(placed(page, first + n), "30," + std::to_string((page ? 60 : 100) + 20 * n) +
                                             " line " + std::to_string(line));
    EXPECT_EQ(placed(page, count - 1),
              "595," + std::to_string(c.height - 20) + " " + std::to_string(page + 1));
  }
  EXPECT_EQ(placed(device.pages.size() - 1, device.pages.back().size() - 2),
            "30," + std::to_string(c.end_y) + " End of Log");
}

// Lines from 100 one 20 apart; a break once y has passed height - 120.
INSTANTIATE_TEST_SUITE_P(Pages, LogLayout,
                         ::testing::Values(LayoutCase{1000, 0, {0}, 140},
                                           LayoutCase{1000, 40, {40}, 940},
                                           LayoutCase{1000, 41, {40, 1}, 120},
                                           LayoutCase{999, 40, {39, 1}, 120}));

ui::PrintDialogAnswer PdfAnswer(const std::string& path, int copies = 1) {
  ui::PrintDialogAnswer answer;
  answer.pdf_path = path;
  answer.copies = copies;
  return answer;
}

struct FetchCase {
  bool quillon;
  const char* setting;  // of the simulated fault log; null: raw bytes up to the capture's limit
  int length;
  const char* first_record;
};
class FaultLogFetch : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FaultLogFetch, ThePayloadFollowsTheKindLetterInEitherFamily) {
  const FetchCase& c = GetParam();
  ResetLinkSettings();
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", c.quillon ? "--quillon" : "--steady"}, &error)) << error;
  std::string raw(2994, '\x80');  // NUL and 0x80, no framing byte
  for (std::size_t n = 0; n < raw.size(); n += 7) raw[n] = '\0';
  ASSERT_TRUE(c.setting ? sim.SetFaultLog('A', c.setting) : sim.SetFaultLogBytes('A', raw));
  quillon_protocol = c.quillon;
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  ASSERT_EQ(InitSerial(), 1);
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

class PrintLogEndToEnd : public ::testing::Test {
 protected:
  static constexpr char log_name[] = "305-1234-567 12345.txt";

  void SetUp() override {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ResetSettings();
    ResetLinkSettings();
    logging_on = 1;
    SetLogParameterDefaults();
    ASSERT_TRUE(RegisterPanelClasses());
    std::string error;
    ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1);
    CopyField(device_data['A'].part, "305-1234-567");
    CopyField(device_data['A'].serial, "12345");
    CopyField(device_data['A'].comments, "spare");
    ui::RegisterWindowClass({"PrintTestMain", MainCallBack, 0, ui::Background::dark_grey, 0, 0});
    main_window =
        ui::CreateWindowOf("PrintTestMain", "", ui::style_overlapped, 0, 0, 10, 10, ui::no_window);
    ui::StartTimer(main_window, 1, 56);
    polling_enabled = 1;
    CreatePollDialog('A');
    ASSERT_EQ(CreateLog('A', 1), 1);
    ASSERT_TRUE(Op::RunUntil([] { return last_response['A'] != 0; }, 5000));
  }
  void TearDown() override {
    ClosePollWindows();
    if (main_window) ui::Destroy(main_window);
    main_window = ui::no_window;
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  // "Print Log" in "Amplifier Options" with this answer; the log's bytes just before.
  std::string PrintFromOptions(const ui::PrintDialogAnswer& answer) {
    op.AnswerPrintDialog(answer);
    std::string before;
    op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
      before = directory.Read(log_name);
      Op::Press(dialog, id_print_log);
      Op::Press(dialog, ui::id_cancel);
    });
    RunAmpInfoDialog(ui::no_window, 'A');
    return before;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> boxes;
    for (const ui::RecordedBox& box : op.Boxes())
      boxes.push_back(box.text + "|" + box.caption + "|" + std::to_string(int(box.icon)));
    return boxes;
  }
  int Commands() { return std::stoi(sim.Control("get A commands").substr(3)); }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
};

using Strings = std::vector<std::string>;
const std::string error_icon = std::to_string(int(ui::Icon::error));
const std::string warning_icon = std::to_string(int(ui::Icon::warning));

// Lines joined by blanks: a line wider than the page goes on on the next one.
std::string Joined(const Strings& lines) {
  std::string text;
  for (const std::string& line : lines) text += CollapseBlanks(line) + " ";
  return text;
}

TEST_F(PrintLogEndToEnd, PrintLogFetchesTheFaultLogOncePrintsEachCopyAndLogsOn) {
  const std::string pdf = directory.File("log.pdf");
  const std::string before = PrintFromOptions(PdfAnswer(pdf, 2));
  EXPECT_EQ(sim.FaultLogRequests('A'), 1);
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(polling_enabled, 1);
  const int commands = Commands();
  EXPECT_TRUE(Op::RunUntil([&] { return Commands() > commands + 2; }, 5000)) << "polls go on";

  const std::string after = directory.Read(log_name);
  ASSERT_EQ(after.substr(0, before.size()), before);
  static const std::regex stamp(R"(\d{1,2} [A-Z][a-z]{2} \d\d, \d\d:\d\d,  )");
  Strings added = Lines(std::regex_replace(after.substr(before.size()), stamp, "T "));
  ASSERT_GE(added.size(), 6u);
  EXPECT_TRUE(
      std::regex_match(added[0], std::regex(R"(T Ending Heater Hours: \S{6}, Beam Hours: \S{6})")));
  added[5].resize(std::min<std::size_t>(added[5].size(), 14));
  EXPECT_EQ(Strings(added.begin() + 1, added.begin() + 6),
            (Strings{separator, separator, "T Part #305-1234-567, Serial #12345, Address 'A'",
                     "T \"spare\"", "T Current (mA)"}));
  ASSERT_NE(logfile['A'], nullptr);

  Strings report = {"Amplifier Status Log (" + directory.File(log_name) + ")"};
  for (const std::string& line : Lines(after.substr(0, after.find(separator, before.size()) + 72)))
    report.push_back(line);
  report.insert(
      report.end(),
      {"End of Log", "Amplifer Fault Log for: Part #305-1234-567, Serial #12345",
       "000112 HELIX OVERCUR", "000845 ARC DETECT", "001210 COOLING FAN", "End of Fault Log"});
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 4u) << "a page of log and one of faults, twice";
  EXPECT_EQ(PdfTitle(pdf), directory.File(log_name));
  Strings printed;
  for (const auto& page : pages) {
    EXPECT_EQ(page.back(), "1");
    printed.insert(printed.end(), page.begin(), page.end() - 1);
  }
  EXPECT_EQ(Joined(printed), Joined(report) + Joined(report));
}

TEST_F(PrintLogEndToEnd, ASilentFaultLogIsToldAndAnEmptyOnePrintsNoSection) {
  ASSERT_TRUE(sim.SetFaultLog('A', "silent"));
  PrintFromOptions(PdfAnswer(directory.File("silent.pdf")));
  EXPECT_EQ(sim.FaultLogRequests('A'), 4);
  EXPECT_EQ(Boxes(), Strings{"Unable to retrieve fault log from amplifier.|Error|" + error_icon});
  ASSERT_TRUE(sim.SetFaultLog('A', "answer") && sim.SetFaultLog('A', "clear"));
  PrintFromOptions(PdfAnswer(directory.File("empty.pdf")));
  EXPECT_EQ(op.Boxes().size(), 1u);
  for (const char* name : {"silent.pdf", "empty.pdf"}) {
    const auto pages = PdfPages(directory.File(name));
    ASSERT_EQ(pages.size(), 1u) << name;
    EXPECT_EQ(pages[0][pages[0].size() - 2], "End of Log");
  }
  EXPECT_NE(logfile['A'], nullptr);
}

TEST_F(PrintLogEndToEnd, CancelledNothingHappensOnPanelCloseWithYesTheLogStaysClosed) {
  ui::PrintDialogAnswer cancel;
  cancel.cancel = true;
  const std::string before = PrintFromOptions(cancel);
  EXPECT_EQ(op.PrintDialogsShown(), 1);
  EXPECT_EQ(sim.FaultLogRequests('A'), 0);
  EXPECT_EQ(directory.Read(log_name), before);
  EXPECT_NE(logfile['A'], nullptr);

  log_prompt = 1;
  const std::string pdf = directory.File("closing.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf));
  op.Answer(ui::answer_yes);
  ui::Send(poll_dialog['A'], ui::msg_close);
  EXPECT_EQ(Boxes(),
            Strings{"Print Status Log and Fault Log for Part 305-1234-567, Serial 12345?|Confirm|" +
                    std::to_string(int(ui::Icon::question))});
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1][0], "Amplifer Fault Log for: Part #305-1234-567, Serial #12345");
  EXPECT_EQ(logfile['A'], nullptr);
  const std::string closed = directory.Read(log_name);
  EXPECT_EQ(Lines(closed).back(), separator);
  UpdateLogFiles(1);
  EXPECT_EQ(directory.Read(log_name), closed);
}

TEST_F(PrintLogEndToEnd, AMissingPdfFolderOrLogIsToldAndLoggingGoesOnWhereItCan) {
  const std::string pdf = directory.File("missing/log.pdf");
  const std::string before = PrintFromOptions(PdfAnswer(pdf));
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_NE(op.Boxes()[0].text.find(pdf), std::string::npos) << op.Boxes()[0].text;
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  ASSERT_NE(logfile['A'], nullptr);
  const Strings added = Lines(directory.Read(log_name).substr(before.size()));
  ASSERT_GE(added.size(), 3u);
  EXPECT_EQ(added[2], separator) << "a new opening after the ending";

  op.ClearBoxes();
  std::filesystem::remove(directory.File(log_name));
  PrintFromOptions(PdfAnswer(directory.File("log.pdf")));
  EXPECT_EQ(Boxes(), Strings{"Unable to open log file.|Error|" + warning_icon});
  EXPECT_FALSE(directory.Exists("log.pdf"));
  ASSERT_NE(logfile['A'], nullptr);
  EXPECT_EQ(Lines(directory.Read(log_name)).front(), separator) << "a new log";

  op.ClearBoxes();
  CopyField(device_data['A'].part, "305/1234-567");  // names no file of the program directory
  PrintFromOptions(PdfAnswer(directory.File("log.pdf")));
  EXPECT_EQ(Boxes(),
            (Strings{"Unable to open log file.|Error|" + warning_icon,
                     "Warning: Unable to open " + directory.File("305/1234-567 12345.txt") +
                         ".|Confirm|" + warning_icon,
                     "Unable to reopen log file.|Error|" + error_icon}));
}

}  // namespace
