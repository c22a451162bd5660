// One section of a printed report on a print device: the page geometry every
// report shares, lines wrapped to the text area, page breaks and page numbers.
#pragma once

#include <string>
#include <string_view>

#include "ui/printing.h"

// The device's bytes as printed: control bytes become blanks (TABs too,
// unless keep_tabs), every other byte stays one Latin-1 character.
std::string PrintableText(std::string_view bytes, bool keep_tabs);

class ReportPage {
 public:
  explicit ReportPage(ui::PrintDevice& device);
  // A new page at the first line; with numbered, every page of the section
  // carries its number (from 1) at the foot.
  bool Begin(bool numbered);
  // Text at the left margin, wrapped to the text area, y advancing by a line
  // per printed piece; a line only follows a page break when y has passed
  // the page's last line.
  void Put(std::string_view text, bool tabs = false);
  void Line(std::string_view text, bool tabs = false);
  void Skip(int lines) { y_ += lines * cy_; }
  // The thick rule across the text area at y.
  void Rule();
  // The section's last page ends (with its number).
  bool End();
  // A start or end of page refused: nothing more is drawn.
  bool Failed() const { return failed_; }
  int Y() const { return y_; }

 private:
  void Piece(std::string_view piece, bool tabs);
  // The width of text drawn from the left margin, TABs at their stops.
  int Measure(std::string_view text, bool tabs);
  // How many bytes of text make the next printed piece, and where the rest starts.
  std::size_t Fit(std::string_view text, bool tabs, std::size_t* rest);
  void Foot();
  bool NewPage();

  ui::PrintDevice& device_;
  int width_, height_, cx_, cy_, tab_stop_;
  int y_ = 0;
  int page_ = 0;
  bool numbered_ = false;
  bool failed_ = false;
};
