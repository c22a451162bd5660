// The status log report: its layout on a recording device, and "Print Log" and
// the panel-close question end to end with corvane-sim and a PDF answer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
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
  std::FILE* file = std::fopen(directory.File("305-1234-567 12345.txt").c_str(), "rb");
  RecordingPrintDevice device({.width = 1200, .height = c.height, .cx = 10, .cy = 20});
  ASSERT_TRUE(PrintLogFile(device, file, 'A'));
  std::fclose(file);
  ASSERT_EQ(device.pages.size(), c.per_page.size());
  const auto& header = device.pages[0].front();
  EXPECT_EQ(header.text, "Amplifier Status Log (" + directory.File("305-1234-567 12345.txt") + ")");
  EXPECT_EQ(header.x, 30);
  EXPECT_EQ(header.y, 60);
  int line = 0;
  for (std::size_t page = 0; page < device.pages.size(); ++page) {
    const auto& calls = device.pages[page];
    std::size_t at = page == 0 ? 1 : 0;
    for (int n = 0; n < c.per_page[page]; ++n, ++at, ++line) {
      ASSERT_LT(at, calls.size());
      EXPECT_EQ(calls[at].text, "line " + std::to_string(line));
      EXPECT_EQ(calls[at].y, (page == 0 ? 100 : 60) + 20 * n);
    }
    const auto& number = calls.back();
    EXPECT_EQ(number.text, std::to_string(page + 1));
    EXPECT_EQ(number.x, (1200 - 10) / 2);
    EXPECT_EQ(number.y, c.height - 20);
  }
  const auto& end = device.pages.back()[device.pages.back().size() - 2];
  EXPECT_EQ(end.text, "End of Log");
  EXPECT_EQ(end.y, c.end_y);
  EXPECT_EQ(device.pages_ended, static_cast<int>(c.per_page.size()));
}

// Lines from 100 one 20 apart; a break once y has passed height - 120.
INSTANTIATE_TEST_SUITE_P(Pages, LogLayout,
                         ::testing::Values(LayoutCase{1000, 0, {0}, 140},
                                           LayoutCase{1000, 40, {40}, 940},
                                           LayoutCase{1000, 41, {40, 1}, 120},
                                           LayoutCase{999, 40, {39, 1}, 120}));

TEST(LogFilesOfAnyBytes, PrintWithoutLossOrControlBytes) {
  ScratchDirectory directory;
  CopyField(device_data['A'].part, "305-1234-567");
  CopyField(device_data['A'].serial, "12345");
  std::mt19937 random(17);
  std::string noise(64 * 1024, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  const std::string no_line_feed(1 << 20, 'x');
  for (const std::string& bytes :
       {noise, no_line_feed, std::string(3000, '\r'), std::string(3000, '\0') + "\nlast"}) {
    directory.Write("log.txt", bytes);
    std::FILE* file = std::fopen(directory.File("log.txt").c_str(), "rb");
    RecordingPrintDevice device({.width = 2000});  // the header on one line
    ASSERT_TRUE(PrintLogFile(device, file, 'A'));
    std::fclose(file);
    std::size_t printed = 0;
    std::string last;
    for (std::size_t page = 0; page < device.pages.size(); ++page) {
      const auto texts = device.Texts(page);
      for (std::size_t n = page == 0 ? 1 : 0; n + 1 < texts.size(); ++n) {
        for (char byte : texts[n]) ASSERT_GE(static_cast<unsigned char>(byte), 0x20);
        printed += texts[n].size();
        if (texts[n] != "End of Log") last = texts[n];
      }
    }
    if (bytes.size() == no_line_feed.size()) {
      EXPECT_EQ(printed, bytes.size() + std::string("End of Log").size());
    }
    if (bytes.back() == 't') {
      EXPECT_EQ(last, "last") << "a bad line does not end the print";
    }
  }
}

ui::PrintDialogAnswer PdfAnswer(const std::string& path, int copies = 1) {
  ui::PrintDialogAnswer answer;
  answer.pdf_path = path;
  answer.copies = copies;
  return answer;
}

ui::Result PrintTestMain(ui::Handle window, unsigned message, ui::WordParam word, ui::LongParam l) {
  return MainCallBack(window, message, word, l);
}

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
    ZeroDeviceData('A');
    ZeroDeviceComments('A');
    std::string error;
    ASSERT_TRUE(sim.Start({"--amp", "A", "--steady"}, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1);
    std::memset(protocol_state, 0, sizeof protocol_state);
    CopyField(device_data['A'].part, "305-1234-567");
    CopyField(device_data['A'].serial, "12345");
    CopyField(device_data['A'].comments, "spare");
    ui::RegisterWindowClass({"PrintTestMain", PrintTestMain, 0, ui::Background::dark_grey, 0, 0});
    main_window =
        ui::CreateWindowOf("PrintTestMain", "", ui::style_overlapped, 0, 0, 10, 10, ui::no_window);
    ui::StartTimer(main_window, 1, 56);
    polling_enabled = 1;
    CreatePollDialog('A');
    ASSERT_EQ(CreateLog(ui::no_window, 'A', 1), 1);
    // A few polls, so that the log and the panel hold answers.
    ASSERT_TRUE(Op::RunUntil([] { return last_response['A'] != 0; }, 5000));
  }
  void TearDown() override {
    ClosePollWindows();
    CloseLog('A');
    if (main_window) ui::Destroy(main_window);
    main_window = ui::no_window;
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  // "Print Log" in "Amplifier Options"; the log's bytes just before.
  std::string PrintFromOptions() {
    std::string before;
    op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
      before = directory.Read(log_name);
      Op::Press(dialog, id_print_log);
      Op::Press(dialog, ui::id_cancel);
    });
    RunAmpInfoDialog(ui::no_window, 'A');
    return before;
  }
  int Commands() { return std::stoi(sim.Control("get A commands").substr(3)); }
  bool PollsGoOn() {
    const int now = Commands();
    return Op::RunUntil([&] { return Commands() > now + 2; }, 5000);
  }
  // The log's lines as printed, then the fault log's; page numbers left out.
  static std::vector<std::string> Report(const std::vector<std::string>& log_lines,
                                         const std::string& name, bool with_faults) {
    std::vector<std::string> lines = {"Amplifier Status Log (" + name + ")"};
    for (const std::string& line : log_lines) lines.push_back(CollapseBlanks(line));
    lines.push_back("End of Log");
    if (!with_faults) return lines;
    for (const char* line :
         {"Amplifer Fault Log for: Part #305-1234-567, Serial #12345", "000112 HELIX OVERCUR",
          "000845 ARC DETECT", "001210 COOLING FAN", "End of Fault Log"})
      lines.push_back(line);
    return lines;
  }
  // The pages' text without their numbers; a line wider than the page is
  // continued on the next, so lines are compared joined.
  static std::string Unnumbered(const std::vector<std::vector<std::string>>& pages) {
    std::vector<std::string> lines;
    for (const auto& page : pages) lines.insert(lines.end(), page.begin(), page.end() - 1);
    return Joined(lines);
  }
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + " ";
    return text;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    for (const ui::RecordedBox& box : op.Boxes())
      messages.push_back(box.text + " / " + box.caption);
    return messages;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
};

TEST_F(PrintLogEndToEnd, PrintLogFetchesTheFaultLogOncePrintsEachCopyAndLogsOn) {
  const std::string pdf = directory.File("log.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf, 2));
  const std::string before = PrintFromOptions();
  EXPECT_EQ(sim.FaultLogRequests('A'), 1);
  EXPECT_TRUE(op.Boxes().empty()) << Messages().front();
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_TRUE(PollsGoOn());

  const std::string after = directory.Read(log_name);
  ASSERT_EQ(after.substr(0, before.size()), before);
  const std::vector<std::string> added = Lines(after.substr(before.size()));
  ASSERT_GE(added.size(), 6u);
  static const std::regex stamp(R"(\d{1,2} [A-Z][a-z]{2} \d\d, \d\d:\d\d,  )");
  EXPECT_TRUE(std::regex_match(
      added[0], std::regex(R"(.*,  Ending Heater Hours: \S{6}, Beam Hours: \S{6})")));
  EXPECT_EQ(added[1], separator);
  EXPECT_EQ(added[2], separator);
  EXPECT_EQ(std::regex_replace(added[3], stamp, ""),
            "Part #305-1234-567, Serial #12345, Address 'A'");
  EXPECT_EQ(std::regex_replace(added[4], stamp, ""), "\"spare\"");
  EXPECT_EQ(std::regex_replace(added[5], stamp, "").substr(0, 12), "Current (mA)");
  ASSERT_NE(logfile['A'], nullptr);

  std::vector<std::string> printed_log = Lines(before);
  printed_log.insert(printed_log.end(), added.begin(), added.begin() + 2);
  auto report = Report(printed_log, directory.File(log_name), true);
  const auto copy = report;
  report.insert(report.end(), copy.begin(), copy.end());
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 4u) << "a page of log and one of faults, twice";
  EXPECT_EQ(PdfTitle(pdf), directory.File(log_name));
  for (const auto& page : pages) EXPECT_EQ(page.back(), "1");
  EXPECT_EQ(Unnumbered(pages), Joined(report));
}

TEST_F(PrintLogEndToEnd, ASilentFaultLogIsToldAndTheStatusLogPrintedAlone) {
  ASSERT_TRUE(sim.SetFaultLog('A', "silent"));
  const std::string pdf = directory.File("log.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf));
  PrintFromOptions();
  EXPECT_EQ(sim.FaultLogRequests('A'), 4);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Unable to retrieve fault log from amplifier.");
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::error);
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0][pages[0].size() - 2], "End of Log");
  EXPECT_NE(logfile['A'], nullptr);
}

TEST_F(PrintLogEndToEnd, AnEmptyFaultLogPrintsNoSection) {
  ASSERT_TRUE(sim.SetFaultLog('A', "clear"));
  const std::string pdf = directory.File("log.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf));
  PrintFromOptions();
  EXPECT_TRUE(op.Boxes().empty());
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0][pages[0].size() - 2], "End of Log");
}

TEST_F(PrintLogEndToEnd, ACancelledDialogAsksNothingAndLeavesTheLogWriting) {
  ui::PrintDialogAnswer cancel;
  cancel.cancel = true;
  op.AnswerPrintDialog(cancel);
  const std::string before = PrintFromOptions();
  EXPECT_EQ(op.PrintDialogsShown(), 1);
  EXPECT_EQ(sim.FaultLogRequests('A'), 0);
  EXPECT_EQ(directory.Read(log_name), before);
  EXPECT_NE(logfile['A'], nullptr);
}

TEST_F(PrintLogEndToEnd, ClosingThePanelPrintsOnYesAndTheLogStaysClosed) {
  log_prompt = 1;
  const std::string pdf = directory.File("closing.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf));
  op.Answer(ui::answer_yes);
  ui::Send(poll_dialog['A'], ui::msg_close);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text,
            "Print Status Log and Fault Log for Part 305-1234-567, Serial 12345?");
  EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
  const auto pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1][0], "Amplifer Fault Log for: Part #305-1234-567, Serial #12345");
  EXPECT_EQ(logfile['A'], nullptr);
  const std::string closed = directory.Read(log_name);
  EXPECT_EQ(Lines(closed).back(), separator);
  UpdateLogFiles(1);
  EXPECT_EQ(directory.Read(log_name), closed);
}

TEST_F(PrintLogEndToEnd, ALogRemovedMeanwhileIsToldAndStartedAnew) {
  std::filesystem::remove(directory.File(log_name));
  op.AnswerPrintDialog(PdfAnswer(directory.File("log.pdf")));
  PrintFromOptions();
  ASSERT_EQ(Messages(), std::vector<std::string>{"Unable to open log file. / Error"});
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::warning);
  EXPECT_FALSE(directory.Exists("log.pdf"));
  ASSERT_NE(logfile['A'], nullptr);
  EXPECT_EQ(Lines(directory.Read(log_name)).front(), separator);
}

TEST_F(PrintLogEndToEnd, APdfInAMissingFolderIsNamedAndLoggingGoesOn) {
  const std::string pdf = directory.File("missing/log.pdf");
  op.AnswerPrintDialog(PdfAnswer(pdf));
  const std::string before = PrintFromOptions();
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_NE(op.Boxes()[0].text.find(pdf), std::string::npos) << op.Boxes()[0].text;
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  ASSERT_NE(logfile['A'], nullptr);
  const std::vector<std::string> added = Lines(directory.Read(log_name).substr(before.size()));
  ASSERT_GE(added.size(), 3u);
  EXPECT_EQ(added[2], separator) << "a new opening after the ending";
}

}  // namespace
