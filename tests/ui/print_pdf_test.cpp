// Reports drawn into PDF files, read back with poppler's tools; the print
// dialog worked as an operator would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "print_support.h"
#include "ui/application.h"

namespace {

using print_test::TempFolder;

constexpr double points_per_unit = 72.0 / 600.0;  // PDFs are drawn at 600 dpi
constexpr double margin = 6.35 / 25.4 * 72.0;     // points

#define REQUIRE_POPPLER()                                                           \
  if (!print_test::HaveProgram("pdftotext") || !print_test::HaveProgram("pdfinfo")) \
  GTEST_SKIP() << "poppler-utils (pdftotext, pdfinfo) is not installed"

TEST(PrintPdf, PagesHoldTheLinesAtTheReportGeometry) {
  REQUIRE_POPPLER();
  TempFolder folder;
  const std::string pdf = folder / "report.pdf";
  ui::ScriptedOperator scripted;
  ui::PrintJob job = print_test::PdfJob(scripted, pdf, 2);
  ASSERT_TRUE(job.device);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(scripted.PrintDialogsShown(), 1);
  ui::PrintDevice& device = *job.device;
  const int cx = device.LetterWidth(), cy = device.LetterHeight();
  EXPECT_EQ(cx, device.AverageCharWidth()) << "a fixed-pitch font";
  EXPECT_GE(cy, 10 / points_per_unit);  // 10 points and its leading
  EXPECT_LE(cy, 14 / points_per_unit);
  EXPECT_NEAR(device.PageWidth(), (595 - 2 * margin) / points_per_unit, 2);  // A4
  EXPECT_NEAR(device.PageHeight(), (842 - 2 * margin) / points_per_unit, 2);

  // Latin-1 bytes one character each; tab stops every eight columns from the
  // margin, a stop reached exactly moving on to the next.
  const print_test::Pages pages = {
      {"Amplifier Status Log (X.log)",
       "12/08/26 10:00  caf\xE9 \xB0"
       "C"},
      {"KEYWORD_OF_TWENTY_CH\tNORMAL / *HIGH", "ABCDEFGH\tX", "AB\tC\tD"}};
  std::string error;
  ASSERT_TRUE(print_test::DrawReport(device, "X.log", pages, error)) << error;
  EXPECT_EQ(print_test::PdfInfo(pdf, "Pages"), "2");
  EXPECT_EQ(print_test::PdfInfo(pdf, "Title"), "X.log");
  EXPECT_EQ(print_test::PdfInfo(pdf, "Page size"), "595 x 842 pts (A4)");

  const print_test::Pages expected = {
      {"Amplifier Status Log (X.log)",
       "12/08/26 10:00  caf\xC3\xA9 \xC2\xB0"
       "C",
       "1"},
      {"KEYWORD_OF_TWENTY_CH    NORMAL / *HIGH", "ABCDEFGH        X", "AB      C       D", "2"}};
  print_test::Pages text = print_test::LayoutPages(pdf, cx * points_per_unit);
  ASSERT_EQ(text.size(), 2u);
  for (std::size_t page = 0; page < 2; ++page) {
    for (std::string& line : text[page])
      line.erase(0, line.find_first_not_of(' '));  // edges: below
    EXPECT_EQ(text[page], expected[page]);
  }

  // Where the words landed: each line from 3cx, one cy below the last; the
  // options in column 24; the page number centred.
  const auto boxes = print_test::WordBoxes(pdf);
  ASSERT_EQ(boxes.size(), 2u);
  const double left = margin + 3 * cx * points_per_unit;
  for (std::size_t page = 0; page < 2; ++page) {
    std::map<double, double> line_starts;  // top -> leftmost word
    for (const print_test::Word& word : boxes[page]) {
      if (word.text == std::to_string(page + 1)) {
        EXPECT_NEAR((word.x_min + word.x_max) / 2,
                    margin + device.PageWidth() / 2.0 * points_per_unit, 0.5);
        continue;
      }
      if (word.text == "NORMAL") {
        EXPECT_NEAR(word.x_min, left + 24 * cx * points_per_unit, 0.5);
      }
      auto [start, fresh] = line_starts.emplace(word.y_min, word.x_min);
      start->second = std::min(start->second, word.x_min);
    }
    ASSERT_EQ(line_starts.size(), pages[page].size());
    int row = 0;
    for (const auto& [top, x] : line_starts) {
      EXPECT_NEAR(x, left, 0.5) << "page " << page + 1 << " row " << row;
      EXPECT_NEAR(top - line_starts.begin()->first, row * cy * points_per_unit, 0.5) << row;
      ++row;
    }
  }
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
  // The folder from the environment missing, or a plain file: a message, no job.
  for (const std::string& bad : {folder / "missing", folder / "plain"}) {
    setenv("CORVANE_PRINT_TO_PDF", bad.c_str(), 1);
    EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device) << bad;
    unsetenv("CORVANE_PRINT_TO_PDF");
    ASSERT_FALSE(scripted.Boxes().empty());
    EXPECT_NE(scripted.Boxes().back().text.find(bad), std::string::npos)
        << scripted.Boxes().back().text;
    EXPECT_EQ(scripted.Boxes().back().caption, "Error");
  }
  // A file that cannot be written (tests run as root: no file modes).
  for (const std::string& bad : {folder / "missing/x.pdf", folder / "plain/x.pdf"}) {
    ui::PrintJob job = print_test::PdfJob(scripted, bad);
    ASSERT_TRUE(job.device);
    EXPECT_FALSE(job.device->StartDocument("Device Configuration")) << bad;
    EXPECT_NE(job.device->ErrorText().find(bad), std::string::npos) << job.device->ErrorText();
  }
  // An unknown printer; a cancelled dialog; a dialog with no answer left.
  ui::PrintDialogAnswer unknown, cancel;
  unknown.printer = "No Such Printer";
  cancel.cancel = true;
  scripted.AnswerPrintDialog(unknown);
  scripted.AnswerPrintDialog(cancel);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_NE(scripted.Boxes().back().text.find("No Such Printer"), std::string::npos);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  EXPECT_EQ(scripted.PrintDialogsShown(), 5);
}

struct DialogSeen {
  bool shown = false;
  QAbstractPrintDialog::PrintDialogOptions options;
  int copies = 0;
};

// When the dialog is up: notes how it was set, then chooses PDF output to
// path with copies copies (or cancels when path is empty).
void WorkDialog(DialogSeen& seen, const std::string& path, int copies) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [&seen, path, copies, timer] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->deleteLater();
    seen.shown = true;
    seen.options = dialog->options();
    seen.copies = dialog->printer()->copyCount();
    if (path.empty()) return dialog->reject();
    // The last destination is always "Print to File (PDF)".
    auto* destinations = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
    auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
    auto* copy_count = dialog->findChild<QSpinBox*>(QStringLiteral("copies"));
    if (!destinations || !file || !copy_count) return dialog->reject();
    destinations->setCurrentIndex(destinations->count() - 1);
    file->setText(QString::fromLocal8Bit(path.c_str()));
    copy_count->setValue(copies);
    dialog->accept();
  });
  timer->start(20);
}

TEST(PrintDialog, OffersPdfOutputAndOneCopyEachTime) {
  ui::detail::EnsureApplication();
  print_test::TempFolder folder;
  const std::string pdf = folder / "chosen.pdf";

  DialogSeen cancelled;
  WorkDialog(cancelled, "", 0);
  EXPECT_FALSE(ui::ChoosePrinter(ui::no_window).device);
  ASSERT_TRUE(cancelled.shown);
  // A file offered; no page range, no selection, no collation (each copy is whole).
  EXPECT_EQ(cancelled.options,
            QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  EXPECT_EQ(cancelled.copies, 1);

  // Three copies chosen: the job carries them, the file gets the pages once.
  DialogSeen chosen;
  WorkDialog(chosen, pdf, 3);
  ui::PrintJob job = ui::ChoosePrinter(ui::no_window);
  ASSERT_TRUE(chosen.shown);
  EXPECT_EQ(chosen.copies, 1) << "the count starts at 1 again";
  ASSERT_TRUE(job.device);
  EXPECT_EQ(job.copies, 3);
  std::string error;
  ASSERT_TRUE(print_test::DrawReport(*job.device, "Device Configuration", {{"Model.cfg"}}, error))
      << error;
  if (!print_test::HaveProgram("pdfinfo"))
    GTEST_SKIP() << "poppler-utils (pdfinfo) is not installed";
  EXPECT_EQ(print_test::PdfInfo(pdf, "Pages"), "1");
  EXPECT_EQ(print_test::PdfInfo(pdf, "Title"), "Device Configuration");
}

}  // namespace
