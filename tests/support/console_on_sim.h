// Starts the console on a simulator of its own, as the benches and the
// screenshot renderers run it: the simulator started with args, the program
// directory's serial link pointed at its bus, the console started.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "support/sim_process.h"

namespace test_support {

// "--amp 41 --amp 42 ...": count amplifiers from address 'A' on.
inline std::vector<std::string> AmplifierArguments(int count) {
  std::vector<std::string> args;
  for (int n = 0; n < count; ++n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", 0x41 + n);
    args.insert(args.end(), {"--amp", text});
  }
  return args;
}

// The controls go to the simulator before the console starts. False, with
// the reason on stderr, when either would not start.
inline bool StartConsoleOnSimulator(SimProcess& sim, const std::vector<std::string>& args,
                                    const std::string& directory,
                                    const std::vector<std::string>& controls = {}) {
  std::string error;
  if (!sim.Start(args, &error)) {
    std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
    return false;
  }
  for (const std::string& control : controls) sim.Control(control);
  std::ofstream(directory + "/sdefault.txt", std::ios::binary) << sim.LinkPath() << " 9600 N 8 1 0";
  if (!StartConsole("")) {
    std::fprintf(stderr, "the console did not start\n");
    return false;
  }
  return true;
}

}  // namespace test_support
