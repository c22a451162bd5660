#include "cli/man_page.h"

#include <CLI/CLI.hpp>

namespace {

// Text as troff must see it: a backslash doubled, a leading dot or quote
// escaped, hyphens as minus signs so that options copy well.
std::string Escape(const std::string& text) {
  std::string out;
  bool line_start = true;
  for (const char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    line_start = c == '\n';
  }
  return out;
}

bool Visible(const CLI::Option* option) {
  return !option->get_group().empty();
}

std::string Synopsis(const CLI::App& command, const std::string& program) {
  std::string line = "\\fB" + Escape(program) + "\\fR";
  if (!command.get_options([](const CLI::Option* o) { return Visible(o) && o->nonpositional(); })
           .empty()) {
    line += " [\\fIOPTIONS\\fR]";
  }
  for (const CLI::Option* option : command.get_options(
           [](const CLI::Option* o) { return Visible(o) && o->get_positional(); })) {
    line += " \\fI" + Escape(option->get_name(true)) + "\\fR";
    if (option->get_expected_max() > 1) line += "...";
  }
  return line;
}

void Options(const CLI::App& command, std::string* out) {
  for (const CLI::Option* option : command.get_options(Visible)) {
    if (option->get_name() == "--help" || option->get_name() == "-h,--help") continue;
    *out += ".TP\n\\fB" + Escape(option->get_name(option->get_positional(), true)) + "\\fR";
    if (option->get_expected_min() > 0 && option->nonpositional()) {
      *out += " \\fI" + Escape(option->get_type_name()) + "\\fR";
    }
    *out += "\n" + Escape(option->get_description()) + "\n";
  }
}

}  // namespace

std::string ManPage(const CLI::App& app, const std::string& exit_status_text) {
  const std::string name = app.get_name();
  std::string out = ".TH " + Escape(name) + " 1\n.SH NAME\n" + Escape(name) + " \\- " +
                    Escape(app.get_description()) + "\n.SH SYNOPSIS\n";
  const auto subcommands =
      app.get_subcommands([](const CLI::App* command) { return !command->get_group().empty(); });
  for (const CLI::App* command : subcommands) {
    out += Synopsis(*command, name + " " + command->get_name()) + "\n.br\n";
  }
  out += ".SH COMMANDS\n";
  for (const CLI::App* command : subcommands) {
    out += ".SS " + Escape(command->get_name()) + "\n" + Escape(command->get_description()) + "\n";
    Options(*command, &out);
  }
  out += ".SH EXIT STATUS\n" + Escape(exit_status_text) + "\n";
  return out;
}
