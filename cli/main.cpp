// corvane-cli: the console's devices for scripts, without any window.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/man_page.h"
#include "records/operator_report.h"

namespace {

constexpr const char* exit_status_text =
    "0 done; 1 a device did not answer or refused (the message names it); 2 the arguments "
    "were not understood; 3 the link could not be opened (the message names the port or "
    "host and what was tried).";

// What the console would show in a box goes to stderr. A question is answered
// the careful way its asker gives: nothing is done that the command line did
// not ask for.
void TellOnStderr(const std::string& text, const std::string& caption, ReportTone) {
  std::fprintf(stderr, "corvane-cli: %s: %s\n", caption.c_str(), text.c_str());
}

bool AskOnStderr(const std::string& text, const std::string& caption, bool default_answer) {
  TellOnStderr(text, caption, ReportTone::information);
  return default_answer;
}

}  // namespace

int main(int argc, char** argv) {
  SetOperatorReporter({TellOnStderr, AskOnStderr});
  // A reader that goes away (watch | head) ends the program through a failed
  // write, not a signal.
  std::signal(SIGPIPE, SIG_IGN);

  CLI::App app{"operate Corvane amplifiers and controllers from scripts", "corvane-cli"};
  app.require_subcommand(0, 1);
  app.footer(std::string("Exit status: ") + exit_status_text);
  bool man = false;
  app.add_flag("--man", man, "write the manual page to stdout")->group("");
  int exit_code = exit_done;
  AddDeviceCommands(app, &exit_code);
  AddTransferCommands(app, &exit_code);
  AddGatewayCommand(app, &exit_code);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? exit_done : exit_usage;
  }
  if (man) {
    std::cout << ManPage(app, exit_status_text);
    return exit_done;
  }
  if (app.get_subcommands().empty()) {
    std::cerr << app.help() << "corvane-cli: name a command\n";
    return exit_usage;
  }
  return exit_code;
}
