// Reports drawn into PDF files, read back with poppler's tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "print_support.h"
#include "ui/printing.h"
#include "ui/scripted_operator.h"

namespace {

using print_test::TempFolder;

constexpr double points_per_unit = 72.0 / 600.0;  // PDFs are drawn at 600 dpi
constexpr double margin_points = 6.35 / 25.4 * 72.0;

#define REQUIRE_POPPLER()                                                           \
  if (!print_test::HaveProgram("pdftotext") || !print_test::HaveProgram("pdfinfo")) \
  GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo) is not installed"

ui::PrintJob PdfJob(ui::ScriptedOperator& scripted, const std::string& path, int copies = 1) {
  ui::PrintDialogAnswer answer;
  answer.pdf_path = path;
  answer.copies = copies;
  scripted.AnswerPrintDialog(answer);
  return ui::ChoosePrinter(ui::no_window);
}

TEST(PrintPdf, PagesHoldTheLinesAtTheReportGeometry) {
  REQUIRE_POPPLER();
  TempFolder folder;
  ui::ScriptedOperator scripted;
  ui::PrintJob job = PdfJob(scripted, folder / "report.pdf", 2);
  ASSERT_TRUE(job.device);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(scripted.PrintDialogsShown(), 1);
  ui::PrintDevice& device = *job.device;
  const int cx = device.LetterWidth(), cy = device.LetterHeight();
  // A4 less 6.35 mm each side, at 600 dpi.
  EXPECT_NEAR(device.PageWidth(), (595 - 2 * margin_points) / 72 * 600, 2);
  EXPECT_NEAR(device.PageHeight(), (842 - 2 * margin_points) / 72 * 600, 2);
  // A 10-point font: its line is a little more than 10 points high.
  EXPECT_GE(cy, 10 * 600 / 72);
  EXPECT_LE(cy, 14 * 600 / 72);
  EXPECT_EQ(cx, device.AverageCharWidth()) << "the report font is fixed-pitch";

  const std::vector<std::vector<std::string>> pages = {
      {"Amplifier Status Log (X.log)", "", "12/08/26 10:00  Beam 1234.5",
       "caf\xE9 \xB0"
       "C"},
      {"page two", "End of Log"}};
  std::string error;
  ASSERT_TRUE(print_test::DrawReport(device, "X.log", pages, error)) << error;

  const std::string pdf = folder / "report.pdf";
  EXPECT_EQ(print_test::PdfInfo(pdf, "Pages"), "2");
  EXPECT_EQ(print_test::PdfInfo(pdf, "Title"), "X.log");
  EXPECT_EQ(print_test::PdfInfo(pdf, "Page size"), "595 x 842 pts (A4)");
  const std::vector<std::vector<std::string>> text =
      print_test::LayoutPages(pdf, cx * points_per_unit);
  ASSERT_EQ(text.size(), 2u);
  auto trimmed = [](std::string line) { return line.erase(0, line.find_first_not_of(' ')); };
  const std::vector<std::vector<std::string>> expected = {
      {"Amplifier Status Log (X.log)", "12/08/26 10:00  Beam 1234.5",
       "caf\xC3\xA9 \xC2\xB0"
       "C",
       "1"},
      {"page two", "End of Log", "2"}};
  for (std::size_t page = 0; page < 2; ++page) {
    std::vector<std::string> lines;
    for (const std::string& line : text[page]) lines.push_back(trimmed(line));
    EXPECT_EQ(lines, expected[page]) << "page " << page + 1;
  }

  // Where the words landed: each line's first word at 3cx, lines one cy
  // apart (two under the header), the page number centred.
  const auto boxes = print_test::WordBoxes(pdf);
  ASSERT_EQ(boxes.size(), 2u);
  const double left = margin_points + 3 * cx * points_per_unit;
  const double pitch = cy * points_per_unit;
  for (std::size_t page = 0; page < 2; ++page) {
    std::map<double, double> line_starts;  // top -> leftmost word
    for (const print_test::Word& word : boxes[page]) {
      if (word.text == std::to_string(page + 1)) {
        EXPECT_NEAR((word.x_min + word.x_max) / 2,
                    margin_points + device.PageWidth() / 2.0 * points_per_unit, 0.5);
        continue;
      }
      auto [start, fresh] = line_starts.emplace(word.y_min, word.x_min);
      if (!fresh) start->second = std::min(start->second, word.x_min);
    }
    ASSERT_EQ(line_starts.size(), expected[page].size() - 1) << "page " << page + 1;
    const double first_top = line_starts.begin()->first;
    int line = 0;
    for (const auto& [top, x] : line_starts) {
      EXPECT_NEAR(x, left, 0.5) << "page " << page + 1 << " line " << line;
      const int row = page == 0 && line > 0 ? line + 1 : line;
      EXPECT_NEAR(top - first_top, row * pitch, 0.5) << "page " << page + 1 << " line " << line;
      ++line;
    }
  }
}

TEST(PrintPdf, TabsStopEveryEightCharactersFromTheMargin) {
  REQUIRE_POPPLER();
  struct Case {
    std::string line;
    std::string word;
    int column;
  };
  const std::vector<Case> cases = {
      {"KEYWORD_OF_TWENTY_CH\tNORMAL / *HIGH", "NORMAL", 24},
      {"ABCDEFGH\tX8", "X8", 16},  // a stop exactly at the pen moves on to the next
      {"AB\tC\tD", "D", 16},
      {"\tLEAD", "LEAD", 8},
  };
  TempFolder folder;
  ui::ScriptedOperator scripted;
  ui::PrintJob job = PdfJob(scripted, folder / "tabs.pdf");
  ASSERT_TRUE(job.device);
  std::vector<std::string> lines;
  for (const Case& c : cases) lines.push_back(c.line);
  std::string error;
  ASSERT_TRUE(print_test::DrawReport(*job.device, "Device Configuration", {lines}, error)) << error;
  const int cx = job.device->LetterWidth();
  const int average = job.device->AverageCharWidth();
  const auto boxes = print_test::WordBoxes(folder / "tabs.pdf");
  ASSERT_EQ(boxes.size(), 1u);
  for (const Case& c : cases) {
    bool found = false;
    for (const print_test::Word& word : boxes[0]) {
      if (word.text != c.word) continue;
      found = true;
      EXPECT_NEAR(word.x_min, margin_points + (3 * cx + c.column * average) * points_per_unit, 0.5)
          << c.line;
    }
    EXPECT_TRUE(found) << c.word;
  }
  // And as text: the options begin in the 25th column of the line.
  const auto text = print_test::LayoutPages(folder / "tabs.pdf", cx * points_per_unit);
  ASSERT_FALSE(text.empty());
  const std::string& first = text[0][0];
  EXPECT_EQ(first.find("NORMAL") - first.find("KEYWORD"), 24u) << first;
}

TEST(PrintPdf, FolderFromTheEnvironmentTakesTheNextFreeNumber) {
  REQUIRE_POPPLER();
  TempFolder folder;
  std::ofstream(folder / "print-001.pdf") << "taken";
  ui::ScriptedOperator scripted;
  ui::PrintDialogAnswer answer;
  answer.copies = 3;
  scripted.AnswerPrintDialog(answer);
  setenv("CORVANE_PRINT_TO_PDF", folder.Path().c_str(), 1);
  for (const char* expected : {"print-002.pdf", "print-003.pdf"}) {
    ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
    ASSERT_TRUE(job.device);
    EXPECT_EQ(job.copies, 1);
    std::string error;
    ASSERT_TRUE(print_test::DrawReport(*job.device, expected, {{"one line"}}, error)) << error;
    EXPECT_EQ(print_test::PdfInfo(folder / expected, "Title"), expected);
  }
  unsetenv("CORVANE_PRINT_TO_PDF");
  EXPECT_EQ(scripted.PrintDialogsShown(), 0) << "no dialog with a folder given";
  EXPECT_TRUE(scripted.Boxes().empty());
}

TEST(PrintPdf, UnusableTargetsAreNamedNotPrinted) {
  TempFolder folder;
  std::ofstream(folder / "plain") << "not a folder";
  ui::ScriptedOperator scripted;
  // A folder from the environment that is missing, or a plain file: a message, no job.
  for (const std::string& bad : {folder / "missing", folder / "plain"}) {
    setenv("CORVANE_PRINT_TO_PDF", bad.c_str(), 1);
    const ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
    unsetenv("CORVANE_PRINT_TO_PDF");
    EXPECT_FALSE(job.device) << bad;
    ASSERT_FALSE(scripted.Boxes().empty());
    EXPECT_NE(scripted.Boxes().back().text.find(bad), std::string::npos)
        << scripted.Boxes().back().text;
    EXPECT_EQ(scripted.Boxes().back().caption, "Error");
  }
  // A file the document cannot be written to: the start fails, naming it.
  for (const std::string& bad : {folder / "missing/x.pdf", folder / "plain/x.pdf"}) {
    ui::PrintJob job = PdfJob(scripted, bad);
    ASSERT_TRUE(job.device);
    EXPECT_FALSE(job.device->StartDocument("Device Configuration")) << bad;
    EXPECT_NE(job.device->ErrorText().find(bad), std::string::npos) << job.device->ErrorText();
    EXPECT_FALSE(std::filesystem::exists(bad));
  }
  // An unknown printer, and a cancelled or unanswered dialog.
  ui::PrintDialogAnswer unknown;
  unknown.printer = "No Such Printer";
  scripted.AnswerPrintDialog(unknown);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_NE(scripted.Boxes().back().text.find("No Such Printer"), std::string::npos);
  ui::PrintDialogAnswer cancel;
  cancel.cancel = true;
  scripted.AnswerPrintDialog(cancel);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_EQ(scripted.PrintDialogsShown(), 5);
}

}  // namespace
