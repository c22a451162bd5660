// Shared pieces of the printing tests: a small report drawn through a print
// device, and poppler's view of the PDF (or printer output) that came of it.
#pragma once

#include <string>
#include <vector>

#include "ui/printing.h"

namespace print_test {

// Pages of lines drawn as the reports lay them out: from 3cy at 3cx, one cy
// apart, tabs expanded from the margin, the page number centred at V - cy.
// Returns false (with the device's ErrorText in error) when a step failed.
bool DrawReport(ui::PrintDevice& device, const std::string& name,
                const std::vector<std::vector<std::string>>& pages, std::string& error);

// The standard output of a shell command; ok tells whether it exited with 0.
std::string Run(const std::string& command, bool& ok);
bool HaveProgram(const std::string& name);

// `pdftotext -layout` on a grid of pitch points (the font's advance), split at
// form feeds: each page's lines without the blank ones, trailing blanks cut.
std::vector<std::vector<std::string>> LayoutPages(const std::string& pdf, double pitch);

struct Word {
  std::string text;
  double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
};
// `pdftotext -bbox`: the words of each page with their boxes in points.
std::vector<std::vector<Word>> WordBoxes(const std::string& pdf);

// A field of `pdfinfo` ("Pages", "Title"), empty when absent.
std::string PdfInfo(const std::string& pdf, const std::string& field);

// A fresh folder under the system's temporary one, removed with the object.
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
