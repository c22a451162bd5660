#include "support/relay_process.h"

#include "support/spawn_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>


namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

std::string DropRule(const RelayDrop& drop) {
  std::string rule = drop.direction == RelayDrop::a_to_b ? "ab" : "ba";
  if (drop.value) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", *drop.value);
    rule += std::string(",byte=") + hex;
  }
  return rule + ",nth=" + std::to_string(drop.nth) + ",after=" + std::to_string(drop.after);
}

}  // namespace

RelayProcess::~RelayProcess() {
  Stop();
}

bool RelayProcess::Start(const RelayOptions& options, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  Stop();
  std::vector<std::string> words = {CORVANE_RELAY_PATH, "--rate", std::to_string(options.rate),
                                    "--frame", options.frame};
  if (!options.a_path.empty()) words.insert(words.end(), {"--a", options.a_path});
  if (!options.b_path.empty()) words.insert(words.end(), {"--b", options.b_path});
  if (options.copy_format) words.push_back("--copy-format");
  for (const RelayDrop& drop : options.drops) words.insert(words.end(), {"--drop", DropRule(drop)});
  if (!SpawnWithOutput(std::move(words), &pid_, &output_, error)) {
    pid_ = -1;
    Stop();
    return false;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  std::string line;
  while (ReadLine(MillisecondsLeft(deadline), &line)) {
    if (line.rfind("a ", 0) == 0) path_a_ = line.substr(2);
    if (line.rfind("b ", 0) == 0) path_b_ = line.substr(2);
    if (line == "ready") return true;
  }
  *error = std::string(CORVANE_RELAY_PATH) + " did not announce its ends within 10 s (see its errors)";
  Stop();
  return false;
}

bool RelayProcess::ReadLine(int timeout_ms, std::string* line) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    if (output_ < 0) return false;
    pollfd ready = {output_, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) return false;
    char bytes[256];
    const ssize_t count = read(output_, bytes, sizeof bytes);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    pending_.append(bytes, count);
  }
}

int RelayProcess::Dropped(int at_least, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string line;
  while (ReadLine(dropped_ > at_least ? 0 : MillisecondsLeft(deadline), &line)) {
    if (line.rfind("dropped ", 0) == 0) ++dropped_;
  }
  return dropped_;
}

void RelayProcess::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  if (output_ >= 0) {
    close(output_);
    output_ = -1;
  }
  pending_.clear();
  path_a_.clear();
  path_b_.clear();
  dropped_ = 0;
}

}  // namespace test_support
