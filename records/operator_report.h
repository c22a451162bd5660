// What the core has to tell the operator, or ask: a caption and a text, and
// for a question the answer a program without windows takes. The console
// shows boxes; a program without windows prints lines. Whoever runs the core
// installs the reporter at start-up; without one, lines go to stderr.
#pragma once

#include <string>

enum class ReportTone { error, warning, information };

struct OperatorReporter {
  void (*tell)(const std::string& text, const std::string& caption, ReportTone tone);
  bool (*ask)(const std::string& text, const std::string& caption, bool default_answer);
};

void SetOperatorReporter(OperatorReporter reporter);

void TellOperator(const std::string& text, const std::string& caption, ReportTone tone);
// A yes/no question; true for yes.
bool AskOperator(const std::string& text, const std::string& caption, bool default_answer);
