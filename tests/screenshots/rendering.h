// What the screenshot renderers share: their output folder, the window system
// offscreen and a scratch program directory, and the clean-up afterwards.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/startup.h"
#include "support/sim_process.h"
#include "ui/window.h"

namespace rendering {

struct scene {
  std::string output;     // absolute: the program directory changes
  std::string directory;  // the scratch program directory
};

// False after a usage message when the output folder is not the one argument.
inline bool Prepare(int argc, char** argv, const char* program, scene* scene) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", program);
    return false;
  }
  scene->output = std::filesystem::absolute(argv[1]).string();
  std::filesystem::create_directories(scene->output);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ui::InitApplication(argc, argv);
  char pattern[] = "/tmp/corvane-shots-XXXXXX";
  scene->directory = mkdtemp(pattern);
  std::filesystem::current_path(scene->directory);
  return true;
}

inline int Finish(const scene& scene, test_support::SimProcess& sim, bool saved) {
  StopConsole();
  sim.Stop();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(scene.directory);
  if (!saved) std::fprintf(stderr, "a window could not be saved\n");
  return saved ? 0 : 1;
}

}  // namespace rendering
