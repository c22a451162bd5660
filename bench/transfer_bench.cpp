// Whole files over a serial line paced at 9600 bit/s 8N1 (corvane-relay): lrzsz's sx sending
// to rx in checksum and in CRC mode, as the yardstick, then the console getting and sending a
// Model.cfg through the simulator's service console. Each throughput is printed against the
// protocol's bound on that line: a block is 132 bytes (133 with CRC) one way and its ACK the
// other, so the bound is 128 bytes per 133 (134) character times. The console's time runs from
// its first NAK (get) or first block (send) until the file is whole; its CPU is the bench
// process's over that time.
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

#include "bench/load_support.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "support/relay_process.h"
#include "support/sim_process.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "transfer/xmodem.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

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

// A Model.cfg of about `size` bytes: the usual lines, then as many more as it takes.
std::string ModelCfgText(long size) {
  std::string text = "; Model.cfg  TWT amplifier, Ku band\r\n";
  for (int n = 0; static_cast<long>(text.size()) < size - 32; ++n) {
    char line[64];
    std::snprintf(line, sizeof line, "SETTING_%04d        \t*ON / OFF\r\n", n);
    text += line;
  }
  return text + "; end of file\r\n";
}

struct ConsoleRun {
  double seconds = 0;
  double cpu_seconds = 0;
};

// The console's whole sequence against the simulator's amplifier 'A' behind the relay; the
// timed part is the step `timed` (ts_receiving or ts_sending).
bool ConsoleTransfer(const Options& options, bool get, const std::string& model_cfg,
                     ConsoleRun* run, std::string* error) {
  constexpr std::uint8_t address = 'A';
  test_support::SimProcess sim;
  if (!sim.Start({"--amp", "41", "--reboot-ms", "200"}, error)) return false;
  std::filesystem::remove("Model.cfg");
  if (get && !sim.SetModelCfg(address, model_cfg)) {
    *error = "the simulator refused a Model.cfg of " + std::to_string(model_cfg.size()) + " bytes";
    return false;
  }
  if (!get) std::ofstream("Model.cfg", std::ios::binary) << model_cfg;
  test_support::RelayProcess relay;
  test_support::RelayOptions line;
  line.rate = options.rate;
  line.b_path = sim.LinkPath();
  line.copy_format = true;
  if (!relay.Start(line, error)) return false;

  ResetSettings();
  ResetLinkSettings();
  std::snprintf(serial_port, sizeof serial_port, "%s", relay.PathA().c_str());
  polling_enabled = 1;
  if (InitSerial() != 1) {
    *error = SerialErrorText();
    return false;
  }
  ui::ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, get ? "AG" : "AS");
  ui::ScriptedOperator::Press(dialog, ui::id_ok);
  const transfer_sequence_enum timed = get ? ts_receiving : ts_sending;
  const auto deadline =
      Clock::now() + std::chrono::seconds(60 + 3 * options.size * 10 / options.rate);
  Clock::time_point start{};
  double cpu_start = 0;
  bool started = false;
  // Steps move on their own tick and on arriving bytes; this loop only looks now and then.
  while (transfer_step != ts_complete && transfer_step != ts_abort && transfer_step != ts_failed &&
         transfer_step != ts_timeout && Clock::now() < deadline) {
    ui::RunFor(20);
    if (!started && transfer_step == timed) {
      started = true;
      start = Clock::now();
      cpu_start = bench::CpuSeconds();
    } else if (started && run->seconds == 0 && transfer_step != timed) {
      run->seconds = std::chrono::duration<double>(Clock::now() - start).count();
      run->cpu_seconds = bench::CpuSeconds() - cpu_start;
    }
  }
  const transfer_sequence_enum ended = transfer_step;
  if (ui::IsLive(dialog)) ui::Destroy(dialog);
  CloseSerial();
  const std::string what = std::string(get ? "getting" : "sending") + " Model.cfg over " +
                           relay.PathA() + " to " + sim.LinkPath();
  if (ended != ts_complete || run->seconds == 0) {
    *error = what + " ended in step " + std::to_string(ended) +
             "; the amplifier's console: " + sim.ConsoleState(address).value_or("?") +
             ", transfer: " + sim.TransferLog(address).value_or("?");
    return false;
  }
  const std::string arrived = get ? ReadAll("Model.cfg") : sim.ModelCfg(address).value_or("");
  if (arrived != model_cfg) {
    *error = what + " did not carry the file whole (" + std::to_string(arrived.size()) + " of " +
             std::to_string(model_cfg.size()) + " bytes)";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: transfer_bench [--size BYTES] [--rate BPS]\n");
    return 2;
  }
  // rx takes only names inside its own directory, which is the console's program directory too.
  const std::string directory = bench::StartInScratchDirectory(argc, argv, "corvane-transfer");
  SetProgramDirectoryFromCurrent();
  const std::string file = "Model.cfg";
  {
    std::ofstream out(file, std::ios::binary);
    for (long n = 0; n < options.size; ++n) out.put(static_cast<char>(n * 131 + n / 97));
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  std::printf("%ld bytes at %ld bit/s 8N1\n", options.size, options.rate);
  int failures = 0;
  double yardstick[2] = {};
  for (const bool crc : {false, true}) {
    std::string error;
    const double seconds = SxToRx(options, crc, file, &error);
    if (seconds < 0) {
      std::fprintf(stderr, "%s\n", error.c_str());
      ++failures;
      continue;
    }
    const double throughput = options.size / seconds;
    yardstick[crc] = throughput;
    const double bound = Bound(options.size, crc ? 133 : 132, options.rate);
    std::printf("sx -> rx%s: %.2f s, %.0f B/s, %.3f of the bound %.0f B/s\n", crc ? " -c" : "",
                seconds, throughput, throughput / bound, bound);
  }
  const std::string model_cfg = ModelCfgText(options.size);
  for (const bool get : {true, false}) {
    ConsoleRun run;
    std::string error;
    if (!ConsoleTransfer(options, get, model_cfg, &run, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      ++failures;
      continue;
    }
    // The console receives with the checksum and sends as the receiver asked.
    const bool crc = !get && xmodem_crc16;
    const double throughput = model_cfg.size() / run.seconds;
    const double bound = Bound(model_cfg.size(), crc ? 133 : 132, options.rate);
    std::printf(
        "console %s (%s): %.2f s, %.0f B/s, %.3f of the bound %.0f B/s, %.3f of sx -> rx%s, "
        "cpu %.2f %% of a core\n",
        get ? "get" : "send", crc ? "CRC" : "checksum", run.seconds, throughput, throughput / bound,
        bound, yardstick[crc] > 0 ? throughput / yardstick[crc] : 0, crc ? " -c" : "",
        100 * run.cpu_seconds / run.seconds);
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(directory);
  return failures == 0 ? 0 : 1;
}
