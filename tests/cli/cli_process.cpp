#include "cli/cli_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace test_support {

namespace {

// The environment without any display: the program must never need one.
std::vector<std::string> EnvironmentWithoutDisplay() {
  std::vector<std::string> kept;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    if (text.rfind("DISPLAY=", 0) == 0 || text.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
        text.rfind("QT_QPA_PLATFORM=", 0) == 0) {
      continue;
    }
    kept.push_back(text);
  }
  return kept;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& directory,
              const std::function<bool(const CliRun&)>& until, int timeout_ms) {
  CliRun run;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return run;
  std::vector<std::string> words = {CORVANE_CLI_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<std::string> environment = EnvironmentWithoutDisplay();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, Pointers(words).data(),
                                  Pointers(environment).data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (spawned != 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  bool interrupted = false;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int open_count = 2;
  while (open_count > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
    for (int n = 0; n < 2; ++n) {
      if (!fds[n].revents) continue;
      char buffer[4096];
      const ssize_t count = read(fds[n].fd, buffer, sizeof buffer);
      if (count > 0) {
        sinks[n]->append(buffer, static_cast<std::size_t>(count));
      } else {
        fds[n].fd = -1;
        --open_count;
      }
    }
    if (until && !interrupted && until(run)) {
      kill(pid, SIGINT);
      interrupted = true;
    }
  }
  close(out_pipe[0]);
  close(err_pipe[0]);
  int status = 0;
  if (open_count > 0) kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  if (open_count == 0 && WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

ScratchDirectory::ScratchDirectory() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/corvane-cli.XXXXXX";
  if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void ScratchDirectory::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(path_ + "/" + name, std::ios::binary) << bytes;
}

}  // namespace test_support
