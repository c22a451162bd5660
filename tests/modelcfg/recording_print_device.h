// A print device for the reports' tests: chosen metrics, every character one
// average width wide, and what was drawn page by page.
#pragma once

#include <string>
#include <vector>

#include "ui/printing.h"

struct PrintMetrics {
  int width = 800, height = 1000, cx = 10, cy = 20, average = 10;
};

class RecordingPrintDevice final : public ui::PrintDevice {
 public:
  struct Call {
    int x, y;
    std::string text;  // a rule: "-" and its pen width, to x2
    int x2 = 0;
    bool tabs = false;
    int tab_origin = 0;
  };
  explicit RecordingPrintDevice(PrintMetrics metrics = {}) : m_(metrics) {}

  int PageWidth() override { return m_.width; }
  int PageHeight() override { return m_.height; }
  int LetterWidth() override { return m_.cx; }
  int LetterHeight() override { return m_.cy; }
  int AverageCharWidth() override { return m_.average; }
  int TextWidth(const std::string& text) override {
    return static_cast<int>(text.size()) * m_.average;
  }
  bool StartDocument(const std::string& name) override {
    documents.push_back(name);
    return true;
  }
  bool StartPage() override {
    pages.emplace_back();
    return static_cast<int>(pages.size()) != refuse_page;
  }
  bool EndPage() override { return ++pages_ended > 0; }
  bool EndDocument() override { return true; }
  std::string ErrorText() override { return "the recorder refused"; }
  void Text(int x, int y, const std::string& text, bool tabs, int tab_origin) override {
    pages.back().push_back({x, y, text, 0, tabs, tab_origin});
  }
  void Rule(int x1, int x2, int y, int pen_width) override {
    pages.back().push_back({x1, y, "-" + std::to_string(pen_width), x2});
  }

  std::vector<std::string> Texts(std::size_t page) const {
    std::vector<std::string> texts;
    for (const Call& call : pages.at(page)) texts.push_back(call.text);
    return texts;
  }
  // Every text of every page, in order.
  std::vector<std::string> AllTexts() const {
    std::vector<std::string> texts;
    for (std::size_t page = 0; page < pages.size(); ++page)
      for (const std::string& text : Texts(page)) texts.push_back(text);
    return texts;
  }

  std::vector<std::string> documents;
  std::vector<std::vector<Call>> pages;
  int pages_ended = 0;
  int refuse_page = 0;  // the page (from 1) whose start fails; 0: none

 private:
  PrintMetrics m_;
};
