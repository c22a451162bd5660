#include "print_support.h"

#include <sys/wait.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace print_test {

ui::PrintJob PdfJob(ui::ScriptedOperator& scripted, const std::string& path, int copies) {
  ui::PrintDialogAnswer answer;
  answer.pdf_path = path;
  answer.copies = copies;
  scripted.AnswerPrintDialog(answer);
  return ui::ChoosePrinter(ui::no_window);
}

bool DrawReport(ui::PrintDevice& device, const std::string& name, const Pages& pages,
                std::string& error) {
  const int cx = device.LetterWidth(), cy = device.LetterHeight();
  const int width = device.PageWidth(), height = device.PageHeight();
  bool ok = device.StartDocument(name);
  for (std::size_t page = 0; ok && page < pages.size(); ++page) {
    ok = device.StartPage();
    if (!ok) break;
    int y = 3 * cy;
    for (const std::string& line : pages[page]) {
      device.Text(3 * cx, y, line, true, 3 * cx);
      y += cy;
    }
    const std::string number = std::to_string(page + 1);
    device.Text((width - device.TextWidth(number)) / 2, height - cy, number);
    ok = device.EndPage();
  }
  if (ok) ok = device.EndDocument();
  if (!ok) error = device.ErrorText();
  return ok;
}

std::string Run(const std::string& command, bool& ok) {
  std::string out;
  // The tools answer in English whatever the test's locale.
  FILE* pipe = popen(("export LC_ALL=C; " + command).c_str(), "r");
  if (!pipe) {
    ok = false;
    return out;
  }
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return out;
}

bool HaveProgram(const std::string& name) {
  bool ok = false;
  Run("command -v " + name + " >/dev/null 2>&1", ok);
  return ok;
}

namespace {

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

double Attribute(const std::string& tag, const std::string& name) {
  const std::size_t at = tag.find(" " + name + "=\"");
  return at == std::string::npos ? -1 : std::strtod(tag.c_str() + at + name.size() + 3, nullptr);
}

}  // namespace

Pages LayoutPages(const std::string& pdf, double pitch) {
  char number[32];
  const auto end =
      std::to_chars(number, number + sizeof number, pitch).ptr;  // never a decimal comma
  bool ok = false;
  const std::string text =
      Run("pdftotext -layout -fixed " + std::string(number, end) + " " + Quoted(pdf) + " -", ok);
  Pages pages(1);
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    for (std::size_t feed; (feed = line.find('\f')) != std::string::npos;) {
      line.erase(0, feed + 1);
      pages.emplace_back();
    }
    line.erase(line.find_last_not_of(' ') + 1);
    if (!line.empty()) pages.back().push_back(line);
  }
  if (pages.back().empty()) pages.pop_back();  // after the last page's form feed
  return pages;
}

std::vector<std::vector<Word>> WordBoxes(const std::string& pdf) {
  bool ok = false;
  const std::string html = Run("pdftotext -bbox " + Quoted(pdf) + " -", ok);
  std::vector<std::vector<Word>> pages;
  for (std::size_t at = 0; (at = html.find('<', at)) != std::string::npos;) {
    const std::size_t end = html.find('>', at);
    const std::string tag = html.substr(at, end - at);
    if (tag.rfind("<page", 0) == 0) pages.emplace_back();
    if (tag.rfind("<word", 0) == 0 && !pages.empty()) {
      const std::size_t close = html.find("</word>", end);
      pages.back().push_back({html.substr(end + 1, close - end - 1), Attribute(tag, "xMin"),
                              Attribute(tag, "yMin"), Attribute(tag, "xMax")});
    }
    at = end;
  }
  return pages;
}

std::string PdfInfo(const std::string& pdf, const std::string& field) {
  bool ok = false;
  std::istringstream lines(Run("pdfinfo " + Quoted(pdf), ok));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(field + ":", 0) != 0) continue;
    const std::size_t value = line.find_first_not_of(' ', field.size() + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
  }
  return {};
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-print-XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace print_test
