#include "records/operator_report.h"

#include <cstdio>

namespace {

void TellOnStderr(const std::string& text, const std::string& caption, ReportTone) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

bool AskOnStderr(const std::string& text, const std::string& caption, bool default_answer) {
  TellOnStderr(text, caption, ReportTone::information);
  return default_answer;
}

OperatorReporter reporter{TellOnStderr, AskOnStderr};

}  // namespace

void SetOperatorReporter(OperatorReporter installed) {
  reporter = installed;
}

void TellOperator(const std::string& text, const std::string& caption, ReportTone tone) {
  reporter.tell(text, caption, tone);
}

bool AskOperator(const std::string& text, const std::string& caption, bool default_answer) {
  return reporter.ask(text, caption, default_answer);
}
