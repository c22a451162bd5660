// Runs corvane-sim as a separate process for a test: its bus link and control socket live in
// a fresh temporary directory, removed when it stops.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace test_support {

class SimProcess {
 public:
  SimProcess();
  ~SimProcess();  // destructor stops it
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // starts corvane-sim with args, adding --link <tmpdir>/bus and
  // --control <tmpdir>/control itself; waits for "ready" (timeout 10 s)
  bool Start(const std::vector<std::string>& args, std::string* error = nullptr);
  const std::string& LinkPath() const;
  std::string Control(const std::string& command);  // one line answer
  void Stop();
  bool Running();

 private:
  bool WaitReady(std::string* error);

  pid_t pid_ = -1;
  int output_ = -1;  // the simulator's stdout
  std::string directory_;
  std::string link_path_;
  std::string control_path_;
};

}  // namespace test_support
