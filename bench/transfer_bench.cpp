// Whole files over a serial line paced at 9600 bit/s 8N1 (corvane-relay): lrzsz's sx sending
// to rx in checksum and in CRC mode, as the yardstick. Each throughput is printed against the
// protocol's bound on that line: a block is 132 bytes (133 with CRC) one way and its ACK the
// other, so the bound is 128 bytes per 133 (134) character times.
//
//   transfer_bench [--size BYTES] [--rate BPS]
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/relay_process.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  long size = 10240;
  long rate = 9600;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string name = argv[n];
    const long value = std::atol(argv[n + 1]);
    if (name == "--size") {
      options->size = value;
    } else if (name == "--rate") {
      options->rate = value;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && options->size > 0 && options->rate > 0;
}

// Bytes per second at most for `size` bytes in 128-byte blocks, each `block` bytes long plus
// its one-byte answer, 10 bits a character.
double Bound(long size, int block, long rate) {
  const long blocks = (size + 127) / 128;
  return size / (blocks * (block + 1) * 10.0 / rate);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

pid_t Spawn(const std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

// Waits for the process to end, at most until deadline; false when it had to be killed or
// failed.
bool Await(pid_t pid, Clock::time_point deadline) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd >= 0) {
    pollfd ended = {fd, POLLIN, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (poll(&ended, 1, std::max<int>(0, static_cast<int>(left.count()))) <= 0) kill(pid, SIGKILL);
    close(fd);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// sx sending `file` to rx through the relay, both behind socat so that their exit flushes
// reach the line. Seconds from sx's start until both ended, or a negative number on failure.
double SxToRx(const Options& options, bool crc, const std::string& file, std::string* error) {
  test_support::RelayProcess relay;
  test_support::RelayOptions line;
  line.rate = options.rate;
  if (!relay.Start(line, error)) return -1;
  const std::string received = file + ".rx";
  std::filesystem::remove(received);
  const pid_t receiver =
      Spawn({"socat", "FILE:" + relay.PathB() + ",raw,echo=0",
             std::string("SYSTEM:rx -q ") + (crc ? "-c " : "") + received + " 2>/dev/null"});
  const auto start = Clock::now();
  const pid_t sender = Spawn(
      {"socat", "FILE:" + relay.PathA() + ",raw,echo=0", "SYSTEM:sx -q " + file + " 2>/dev/null"});
  const auto deadline = start + std::chrono::seconds(10 + 3 * options.size * 10 / options.rate);
  const bool sent = sender > 0 && Await(sender, deadline);
  const bool got = receiver > 0 && Await(receiver, deadline);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!sent || !got || ReadAll(received) != ReadAll(file)) {
    *error = std::string("sx to rx") + (crc ? " -c" : "") + " over " + relay.PathA() + " and " +
             relay.PathB() + " did not carry the file whole";
    return -1;
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: transfer_bench [--size BYTES] [--rate BPS]\n");
    return 2;
  }
  std::string pattern = "/tmp/corvane-transfer-XXXXXX";
  const std::filesystem::path directory = mkdtemp(pattern.data());
  // rx takes only names inside its own directory.
  std::filesystem::current_path(directory);
  const std::string file = "Model.cfg";
  {
    std::ofstream out(file, std::ios::binary);
    for (long n = 0; n < options.size; ++n) out.put(static_cast<char>(n * 131 + n / 97));
  }
  std::printf("%ld bytes at %ld bit/s 8N1\n", options.size, options.rate);
  int failures = 0;
  for (const bool crc : {false, true}) {
    std::string error;
    const double seconds = SxToRx(options, crc, file, &error);
    if (seconds < 0) {
      std::fprintf(stderr, "%s\n", error.c_str());
      ++failures;
      continue;
    }
    const double throughput = options.size / seconds;
    const double bound = Bound(options.size, crc ? 133 : 132, options.rate);
    std::printf("sx -> rx%s: %.2f s, %.0f B/s, %.3f of the bound %.0f B/s\n", crc ? " -c" : "",
                seconds, throughput, throughput / bound, bound);
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(directory);
  return failures == 0 ? 0 : 1;
}
