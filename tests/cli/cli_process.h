// Runs corvane-cli as its own process for a test, without a display: its
// exit code, standard output and standard error.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace test_support {

struct CliRun {
  int exit_code = -1;  // -1: did not end by itself in time (then killed)
  std::string out;
  std::string err;
};

// Runs corvane-cli with args in directory. until, when given, is asked after
// every output; once it returns true the program gets SIGINT.
CliRun RunCli(const std::vector<std::string>& args, const std::string& directory,
              const std::function<bool(const CliRun&)>& until = nullptr, int timeout_ms = 20000);

// A fresh scratch directory, removed with its files on destruction.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::string& Path() const { return path_; }
  void Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

}  // namespace test_support
