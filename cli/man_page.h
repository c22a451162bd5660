// The manual page of a CLI11 program, written from the same definitions that
// give its --help, so that the two never disagree.
#pragma once

#include <string>

namespace CLI {
class App;
}

// troff source for section 1.
std::string ManPage(const CLI::App& app, const std::string& exit_status_text);
