// Printing: the print dialog and the printed page, for reports written in
// plain C++. A page is drawn in the printer's device units; text is Latin-1,
// one character per byte, in the reports' fixed-pitch font. Under a scripted
// operator (scripted_operator.h) no dialog is shown: the operator gives the
// answer; with CORVANE_PRINT_TO_PDF=DIR every document goes to a new PDF in DIR.
#pragma once

#include <memory>
#include <string>

#include "ui/window.h"

namespace ui {

class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // W and V: the printable area's width and height.
  virtual int PageWidth() = 0;
  virtual int PageHeight() = 0;
  // The extent of the text "Z", and the font's average character width.
  virtual int LetterWidth() = 0;
  virtual int LetterHeight() = 0;
  virtual int AverageCharWidth() = 0;
  virtual int TextWidth(const std::string& latin1) = 0;
  // false when the printer or file refused; ErrorText then names it and
  // says what failed.
  virtual bool StartDocument(const std::string& name) = 0;
  virtual bool StartPage() = 0;
  virtual bool EndPage() = 0;
  virtual bool EndDocument() = 0;
  virtual std::string ErrorText() = 0;
  // Text whose top is at y. With expand_tabs a TAB moves to the next stop,
  // every eight average character widths counted from tab_origin.
  virtual void Text(int x, int y, const std::string& latin1, bool expand_tabs = false,
                    int tab_origin = 0) = 0;
  // A horizontal rule from x1 to x2 at y, pen_width units thick.
  virtual void Rule(int x1, int x2, int y, int pen_width) = 0;
};

struct PrintJob {
  std::unique_ptr<PrintDevice> device;
  int copies = 1;  // each copy is printed into the one document
};

// Runs the print dialog over owner (copies start at 1; no page range, no
// selection; printing to a PDF file offered). An empty device when the
// operator cancels, or when the chosen printer cannot be used (then the
// failure has been shown, naming it).
PrintJob ChoosePrinter(Handle owner);

}  // namespace ui
