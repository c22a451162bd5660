// A print device for the reports' tests: chosen metrics, every character one
// average width wide, and a record of what was drawn page by page.
#pragma once

#include <string>
#include <vector>

#include "ui/printing.h"

struct PrintMetrics {
  int width = 800, height = 1000, cx = 10, cy = 20, average = 10;
};

class RecordingPrintDevice final : public ui::PrintDevice {
 public:
  using Metrics = PrintMetrics;
  struct Call {
    int x, y;
    std::string text;  // "-" + pen width for a rule
    bool tabs;
    int tab_origin;
    int x2 = 0;
  };
  explicit RecordingPrintDevice(Metrics metrics = {}) : m_(metrics) {}

  int PageWidth() override { return m_.width; }
  int PageHeight() override { return m_.height; }
  int LetterWidth() override { return m_.cx; }
  int LetterHeight() override { return m_.cy; }
  int AverageCharWidth() override { return m_.average; }
  int TextWidth(const std::string& latin1) override {
    return static_cast<int>(latin1.size()) * m_.average;
  }
  bool StartDocument(const std::string& name) override {
    documents.push_back(name);
    return !refuse_document;
  }
  bool StartPage() override {
    pages.emplace_back();
    return static_cast<int>(pages.size()) != refuse_page;
  }
  bool EndPage() override {
    ++pages_ended;
    return true;
  }
  bool EndDocument() override {
    ++documents_ended;
    return true;
  }
  std::string ErrorText() override { return "Printer \"recorder\" refused the page"; }
  void Text(int x, int y, const std::string& latin1, bool expand_tabs, int tab_origin) override {
    pages.back().push_back({x, y, latin1, expand_tabs, tab_origin});
  }
  void Rule(int x1, int x2, int y, int pen_width) override {
    pages.back().push_back({x1, y, "-" + std::to_string(pen_width), false, 0, x2});
  }

  // The texts of one page, top to bottom as drawn.
  std::vector<std::string> Texts(std::size_t page) const {
    std::vector<std::string> texts;
    for (const Call& call : pages.at(page)) texts.push_back(call.text);
    return texts;
  }

  std::vector<std::string> documents;
  std::vector<std::vector<Call>> pages;
  int pages_ended = 0, documents_ended = 0;
  bool refuse_document = false;
  int refuse_page = 0;  // the page (from 1) whose start fails; 0: none

 private:
  Metrics m_;
};
