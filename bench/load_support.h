// What the load benches share: the process's CPU time, percentiles, and a
// scratch program directory with the console's window system started.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/window.h"

namespace bench {

inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(share * (values.size() - 1))];
}

// Starts the window system offscreen and makes a fresh directory the program
// directory; returns its path.
inline std::string StartInScratchDirectory(int argc, char** argv, const char* prefix) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ui::InitApplication(argc, argv);
  std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
  const std::string directory = mkdtemp(pattern.data());
  std::filesystem::current_path(directory);
  return directory;
}

}  // namespace bench
