// The platform's print dialog, worked by the test as an operator would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QTimer>

#include "print_support.h"
#include "ui/application.h"
#include "ui/printing.h"

namespace {

struct DialogSeen {
  bool shown = false;
  bool to_file = false, page_range = false, selection = false, collate = false;
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
    seen.to_file = dialog->testOption(QAbstractPrintDialog::PrintToFile);
    seen.page_range = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
    seen.selection = dialog->testOption(QAbstractPrintDialog::PrintSelection);
    seen.collate = dialog->testOption(QAbstractPrintDialog::PrintCollateCopies);
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
  EXPECT_TRUE(cancelled.to_file);
  EXPECT_FALSE(cancelled.page_range);
  EXPECT_FALSE(cancelled.selection);
  EXPECT_FALSE(cancelled.collate) << "every copy is printed whole by the reports";
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
