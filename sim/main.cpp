// corvane-sim: amplifiers and outdoor controllers on a simulated serial bus, for trying and
// testing the console without hardware.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/simulator.h"

namespace {

int wake_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = write(wake_pipe[1], &byte, 1);
}

bool CatchStopSignals() {
  if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  signal(SIGPIPE, SIG_IGN);
  return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  sim::Options options;
  std::string error;
  if (!sim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    std::fprintf(stderr, "corvane-sim: %s\n%s", error.c_str(), sim::usage_text);
    return 2;
  }
  if (options.help) {
    std::fputs(sim::usage_text, stdout);
    return 0;
  }
  if (!CatchStopSignals()) {
    std::perror("corvane-sim: signals");
    return 1;
  }
  sim::Simulator simulator(options);
  error = simulator.Start();
  if (!error.empty()) {
    std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("ready %s\n", simulator.LinkPath().c_str());
  std::fflush(stdout);
  simulator.Run(wake_pipe[0]);
  return 0;
}
