#include "ui/printing.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/registry.h"
#include "ui/scripted_operator.h"
#include "ui/text.h"

namespace ui {

using namespace detail;

namespace {

constexpr int print_resolution = 600;
constexpr double margin_mm = 6.35;
constexpr double report_point_size = 10.0;
constexpr int tab_columns = 8;

// Qt knows no printer default font, so every report uses one font on paper
// and in PDF alike. Its advance is stretched to a whole number of device
// units, so that columns and tab stops keep to one grid across the page.
QFont ReportFont(QPaintDevice* device) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(report_point_size);
  const qreal advance = QFontMetricsF(font, device).horizontalAdvance(QLatin1Char('Z'));
  if (advance > 0)
    font.setLetterSpacing(QFont::PercentageSpacing,
                          100.0 * std::max(1.0, std::round(advance)) / advance);
  return font;
}

// Qt hands a printer a PDF of its own making in any case: printers and PDF
// files share one page set-up, so both get the very same pages. Qt's default
// margins differ between printers and formats, so the printable area is set
// explicitly (a printer may still widen it to what it can reach).
void SetUpPage(QPrinter& printer) {
  printer.setResolution(print_resolution);
  printer.setPageMargins(QMarginsF(margin_mm, margin_mm, margin_mm, margin_mm),
                         QPageLayout::Millimeter);
}

void MakePdf(QPrinter& printer, const std::string& path) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QFile::decodeName(path.c_str()));
  SetUpPage(printer);
}

class QtPrintDevice final : public PrintDevice {
 public:
  explicit QtPrintDevice(std::unique_ptr<QPrinter> printer)
      : printer_(std::move(printer)),
        font_(ReportFont(printer_.get())),
        metrics_(font_, printer_.get()) {
    printer_->setCopyCount(1);  // the reports print each copy themselves
    target_ = printer_->outputFormat() == QPrinter::PdfFormat
                  ? "file " + std::string(QFile::encodeName(printer_->outputFileName()).constData())
                  : "printer " + FromQt(printer_->printerName());
  }

  int PageWidth() override { return printer_->width(); }
  int PageHeight() override { return printer_->height(); }
  int LetterWidth() override { return metrics_.horizontalAdvance(QLatin1Char('Z')); }
  int LetterHeight() override { return metrics_.height(); }
  // As the mean advance of the letters (the font's own figure counts glyphs
  // far wider than any letter), so that in the fixed-pitch font it is the pitch.
  int AverageCharWidth() override {
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics_.horizontalAdvance(letters) + 26) / 52;
  }
  int TextWidth(const std::string& latin1) override {
    return metrics_.horizontalAdvance(ToQt(latin1));
  }

  bool StartDocument(const std::string& name) override {
    printer_->setDocName(ToQt(name));
    // Beginning opens the file or the print job and the first page with it.
    if (!painter_.begin(printer_.get()))
      return Fail("Unable to start printing to " + target_ + WhyNot() + ".");
    painter_.setFont(font_);
    painter_.setPen(Qt::black);
    pages_ = 0;
    return true;
  }

  bool StartPage() override {
    if (!painter_.isActive())
      return Fail("Unable to start a page on " + target_ + ": no document.");
    if (pages_++ > 0 && !printer_->newPage())
      return Fail("Unable to start page " + std::to_string(pages_) + " on " + target_ + ".");
    return true;
  }

  bool EndPage() override { return painter_.isActive(); }

  bool EndDocument() override {
    if (!painter_.isActive())
      return Fail("Unable to finish printing to " + target_ + ": no document.");
    if (!painter_.end()) return Fail("Unable to finish printing to " + target_ + ".");
    return true;
  }

  std::string ErrorText() override { return error_; }

  void Text(int x, int y, const std::string& latin1, bool expand_tabs, int tab_origin) override {
    if (!painter_.isActive()) return;
    const int baseline = y + metrics_.ascent();
    const int step = tab_columns * AverageCharWidth();
    if (!expand_tabs || step <= 0) {
      painter_.drawText(x, baseline, ToQt(latin1));
      return;
    }
    std::size_t start = 0;
    for (;;) {
      const std::size_t tab = latin1.find('\t', start);
      const QString piece = ToQt(latin1.substr(start, tab - start));
      painter_.drawText(x, baseline, piece);
      if (tab == std::string::npos) return;
      x += metrics_.horizontalAdvance(piece);
      // The next stop strictly right of the pen, counted from tab_origin.
      const int past = x - tab_origin;
      const int stops = (past >= 0 ? past / step : -((-past + step - 1) / step)) + 1;
      x = tab_origin + stops * step;
      start = tab + 1;
    }
  }

  void Rule(int x1, int x2, int y, int pen_width) override {
    if (!painter_.isActive()) return;
    painter_.save();
    painter_.setPen(QPen(Qt::black, pen_width, Qt::SolidLine, Qt::FlatCap));
    painter_.drawLine(x1, y, x2, y);
    painter_.restore();
  }

 private:
  // Qt gives no reason; for a file the usual ones can be told.
  std::string WhyNot() const {
    if (printer_->outputFormat() != QPrinter::PdfFormat) return {};
    std::filesystem::path folder =
        std::filesystem::path(QFile::encodeName(printer_->outputFileName()).toStdString())
            .parent_path();
    if (folder.empty()) folder = ".";
    std::error_code error;
    if (!std::filesystem::exists(folder, error))
      return ": the folder " + folder.string() + " does not exist";
    if (!std::filesystem::is_directory(folder, error))
      return ": " + folder.string() + " is not a folder";
    return ": the file cannot be written";
  }

  bool Fail(std::string text) {
    error_ = std::move(text);
    return false;
  }

  std::unique_ptr<QPrinter> printer_;
  QFont font_;
  QFontMetrics metrics_;
  QPainter painter_;
  std::string target_;
  std::string error_;
  int pages_ = 0;
};

PrintJob MakeJob(std::unique_ptr<QPrinter> printer, int copies) {
  PrintJob job;
  job.copies = copies < 1 ? 1 : copies;
  job.device = std::make_unique<QtPrintDevice>(std::move(printer));
  return job;
}

std::unique_ptr<QPrinter> NewPdfPrinter(const std::string& path) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPageSize(QPageSize(QPageSize::A4));
  MakePdf(*printer, path);
  return printer;
}

// A named printer in its own format; an unknown name is refused.
PrintJob NamedPrinterJob(Handle owner, const std::string& name, int copies) {
  if (QPrinterInfo::printerInfo(ToQt(name)).isNull()) {
    ShowMessage(owner, "Unable to print: there is no printer named " + name + ".", "Error",
                Buttons::ok, Icon::error);
    return {};
  }
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPrinterName(ToQt(name));
  SetUpPage(*printer);
  return MakeJob(std::move(printer), copies);
}

// Every document becomes the next free "print-NNN.pdf" in folder.
PrintJob PdfFolderJob(Handle owner, const std::string& folder) {
  std::error_code error;
  const std::filesystem::path dir(folder);
  const char* fault = nullptr;
  if (!std::filesystem::exists(dir, error))
    fault = "the folder does not exist";
  else if (!std::filesystem::is_directory(dir, error))
    fault = "it is not a folder";
  if (fault) {
    ShowMessage(owner, "Unable to print to PDF files in " + folder + ": " + fault + ".", "Error",
                Buttons::ok, Icon::error);
    return {};
  }
  for (int number = 1;; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "print-%03d.pdf", number);
    const std::filesystem::path path = dir / name;
    if (!std::filesystem::exists(path, error)) return MakeJob(NewPdfPrinter(path.string()), 1);
  }
}

PrintJob DialogJob(Handle owner) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (QPrinterInfo::defaultPrinter().isNull()) printer->setPageSize(QPageSize(QPageSize::A4));
  printer->setCopyCount(1);
  printer->setDocName(QStringLiteral("corvane"));  // the file name the dialog offers: corvane.pdf
  QPrintDialog dialog(printer.get(), OwnerWidget(owner));
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  if (dialog.exec() != QDialog::Accepted) return {};
  const int copies = printer->copyCount();
  if (printer->outputFormat() == QPrinter::PdfFormat) {
    const std::string path = QFile::encodeName(printer->outputFileName()).toStdString();
    MakePdf(*printer, path);
  } else {
    SetUpPage(*printer);
  }
  return MakeJob(std::move(printer), copies);
}

}  // namespace

PrintJob ChoosePrinter(Handle owner) {
  EnsureApplication();
  if (const char* folder = std::getenv("CORVANE_PRINT_TO_PDF"); folder && *folder)
    return PdfFolderJob(owner, folder);
  if (ScriptedOperator* scripted = CurrentOperator()) {
    const PrintDialogAnswer answer = scripted->OnPrintDialog();
    if (answer.cancel) return {};
    if (!answer.printer.empty()) return NamedPrinterJob(owner, answer.printer, answer.copies);
    return MakeJob(NewPdfPrinter(answer.pdf_path), answer.copies);
  }
  return DialogJob(owner);
}

}  // namespace ui
