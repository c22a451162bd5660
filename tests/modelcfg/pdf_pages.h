// What poppler reads from a printed PDF: each page's lines, blanks collapsed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline bool HavePdfToText() {
  return std::system("command -v pdftotext >/dev/null 2>&1") == 0;
}

// Runs of blanks made one, leading and trailing blanks cut.
inline std::string CollapseBlanks(const std::string& line) {
  std::string collapsed;
  for (char c : line)
    if (c != ' ' || (!collapsed.empty() && collapsed.back() != ' ')) collapsed.push_back(c);
  if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

inline std::string CommandOutput(const std::string& command) {
  std::string output;
  if (std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    for (int c; (c = std::fgetc(pipe)) != EOF;) output.push_back(static_cast<char>(c));
    pclose(pipe);
  }
  return output;
}

// `pdftotext -layout`: each page's non-empty lines, collapsed.
inline std::vector<std::vector<std::string>> PdfPages(const std::string& pdf) {
  std::vector<std::vector<std::string>> pages(1);
  std::string line;
  for (char c : CommandOutput("pdftotext -layout '" + pdf + "' -") + "\n") {
    if (c != '\n' && c != '\f') {
      line.push_back(c);
      continue;
    }
    if (!CollapseBlanks(line).empty()) pages.back().push_back(CollapseBlanks(line));
    line.clear();
    if (c == '\f') pages.emplace_back();
  }
  if (pages.back().empty()) pages.pop_back();
  return pages;
}

inline std::string PdfTitle(const std::string& pdf) {
  const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
  const auto at = info.find("Title:");
  if (at == std::string::npos) return {};
  return CollapseBlanks(info.substr(at + 6, info.find('\n', at) - at - 6));
}
