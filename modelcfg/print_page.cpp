#include "modelcfg/print_page.h"

#include <algorithm>

namespace {

constexpr int rule_pen_width = 4;

bool IsControl(unsigned char byte) {
  return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

}  // namespace

std::string PrintableText(std::string_view bytes, bool keep_tabs) {
  std::string text(bytes);
  for (char& byte : text) {
    if (IsControl(static_cast<unsigned char>(byte)) && !(keep_tabs && byte == '\t')) byte = ' ';
  }
  return text;
}

ReportPage::ReportPage(ui::PrintDevice& device)
    : device_(device),
      width_(device.PageWidth()),
      height_(device.PageHeight()),
      cx_(device.LetterWidth()),
      cy_(device.LetterHeight()),
      tab_stop_(8 * device.AverageCharWidth()) {}

bool ReportPage::Begin(bool numbered) {
  numbered_ = numbered;
  page_ = 0;
  return NewPage();
}

bool ReportPage::NewPage() {
  if (failed_) return false;
  if (!device_.StartPage()) {
    failed_ = true;
    return false;
  }
  ++page_;
  y_ = 3 * cy_;
  return true;
}

void ReportPage::Foot() {
  if (!numbered_ || failed_) return;
  const std::string number = std::to_string(page_);
  device_.Text((width_ - device_.TextWidth(number)) / 2, height_ - cy_, number);
}

bool ReportPage::End() {
  if (failed_) return false;
  Foot();
  if (!device_.EndPage()) failed_ = true;
  return !failed_;
}

int ReportPage::Measure(std::string_view text, bool tabs) {
  if (!tabs || tab_stop_ <= 0 || text.find('\t') == std::string_view::npos)
    return device_.TextWidth(std::string(text));
  int x = 0;
  for (;;) {
    const std::size_t tab = text.find('\t');
    x += device_.TextWidth(std::string(text.substr(0, tab)));
    if (tab == std::string_view::npos) return x;
    x = (x / tab_stop_ + 1) * tab_stop_;
    text.remove_prefix(tab + 1);
  }
}

std::size_t ReportPage::Fit(std::string_view text, bool tabs, std::size_t* rest) {
  const int room = width_ - 6 * cx_;
  *rest = text.size();
  if (Measure(text, tabs) <= room) return text.size();
  // The longest start that fits, and never less than one byte, so that
  // every piece moves on.
  std::size_t fits = 1, over = text.size();
  while (over - fits > 1) {
    const std::size_t middle = fits + (over - fits) / 2;
    (Measure(text.substr(0, middle), tabs) <= room ? fits : over) = middle;
  }
  const std::size_t blank = text.substr(0, fits + 1).rfind(' ');
  if (blank != std::string_view::npos && blank > 0) {
    *rest = blank + 1;
    return blank;
  }
  *rest = fits;
  return fits;
}

void ReportPage::Piece(std::string_view piece, bool tabs) {
  if (!failed_ && !piece.empty()) device_.Text(3 * cx_, y_, std::string(piece), tabs, 3 * cx_);
  y_ += cy_;
}

void ReportPage::Put(std::string_view text, bool tabs) {
  do {
    std::size_t rest = 0;
    const std::size_t length = Fit(text, tabs, &rest);
    Piece(text.substr(0, length), tabs);
    text.remove_prefix(rest);
  } while (!text.empty() && !failed_);
}

void ReportPage::Line(std::string_view text, bool tabs) {
  do {
    if (y_ > height_ - 6 * cy_) {
      if (!End() || !NewPage()) return;
    }
    std::size_t rest = 0;
    const std::size_t length = Fit(text, tabs, &rest);
    Piece(text.substr(0, length), tabs);
    text.remove_prefix(rest);
  } while (!text.empty() && !failed_);
}

void ReportPage::Rule() {
  if (!failed_) device_.Rule(3 * cx_, width_ - 3 * cx_, y_, rule_pen_width);
}
