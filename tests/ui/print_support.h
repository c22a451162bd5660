// Shared pieces of the printing tests: a small report drawn through a print
// device, and poppler's reading of the PDF that came of it.
#pragma once

#include <string>
#include <vector>

#include "ui/printing.h"
#include "ui/scripted_operator.h"

namespace print_test {

using Pages = std::vector<std::vector<std::string>>;

// The operator answers the print dialog with a PDF file.
ui::PrintJob PdfJob(ui::ScriptedOperator& scripted, const std::string& path, int copies = 1);

// Lines laid out as the reports do: from 3cy at 3cx, cy apart, tabs expanded
// from the margin, the page number centred at V - cy. false with the
// device's ErrorText in error when a step failed.
bool DrawReport(ui::PrintDevice& device, const std::string& name, const Pages& pages,
                std::string& error);

// The standard output of a shell command; ok when it exited with 0.
std::string Run(const std::string& command, bool& ok);
bool HaveProgram(const std::string& name);

// `pdftotext -layout` on a grid of pitch points: per page, the lines that are
// not blank, without trailing blanks.
Pages LayoutPages(const std::string& pdf, double pitch);

struct Word {
  std::string text;
  double x_min = 0, y_min = 0, x_max = 0;
};
// `pdftotext -bbox`: each page's words, boxes in points.
std::vector<std::vector<Word>> WordBoxes(const std::string& pdf);

// A field of `pdfinfo` ("Pages", "Title").
std::string PdfInfo(const std::string& pdf, const std::string& field);

// A fresh folder under the temporary one, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace print_test
