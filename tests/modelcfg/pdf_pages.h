// What poppler reads from a printed PDF: each page's lines, blanks collapsed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

inline bool HavePdfToText() {
  return std::system("command -v pdftotext >/dev/null 2>&1") == 0;
}

// Runs of blanks made one, trailing blanks cut: a line as PdfPages gives it.
inline std::string CollapseBlanks(const std::string& line) {
  std::string collapsed;
  for (char c : line) {
    if (c == ' ' && (collapsed.empty() || collapsed.back() == ' ')) continue;
    collapsed.push_back(c);
  }
  while (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

// `pdftotext -layout` of every page: its non-empty lines, runs of blanks made one
// and the margin cut; empty when the file cannot be read.
inline std::vector<std::vector<std::string>> PdfPages(const std::string& pdf) {
  std::vector<std::vector<std::string>> pages(1);
  std::FILE* pipe = popen(("pdftotext -layout '" + pdf + "' - 2>/dev/null").c_str(), "r");
  if (!pipe) return {};
  std::string line;
  const auto take = [&] {
    const std::string collapsed = CollapseBlanks(line);
    if (!collapsed.empty()) pages.back().push_back(collapsed);
    line.clear();
  };
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\f') {
      take();
      pages.emplace_back();
    } else if (c == '\n') {
      take();
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  take();
  pclose(pipe);
  if (pages.back().empty()) pages.pop_back();
  return pages;
}

// The document's title as pdfinfo reads it.
inline std::string PdfTitle(const std::string& pdf) {
  std::FILE* pipe = popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return {};
  std::string title;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    const std::string text = line;
    if (text.rfind("Title:", 0) != 0) continue;
    title = CollapseBlanks(text.substr(6, text.find('\n') - 6));
  }
  pclose(pipe);
  return title;
}
