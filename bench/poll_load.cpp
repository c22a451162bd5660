// The console polling N amplifier panels against corvane-sim on a pty bus,
// driven tick by tick as the main timer drives it. Prints the console's CPU
// time over wall time, the time per tick (p50, p99, max), how many answers
// reached their panel on the tick that read their last byte, resident memory,
// and the lines written to the logs. Bytes are read once per tick, so an
// answer shown on the tick that read it is shown at most one tick after it
// arrived.
//
//   poll_load [--panels N] [--seconds S] [--drop P] [--bad-checksum P] [--log]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "app/startup.h"
#include "app/wlog.h"
#include "bench/load_support.h"
#include "config/settings.h"
#include "link/byte_tap.h"
#include "link/capture.h"
#include "link/framing.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "support/console_on_sim.h"
#include "support/sim_process.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int panels = 16;
  double seconds = 20;
  std::string drop = "0";
  std::string bad_checksum = "0";
  bool log = false;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int n = 1; n < argc; ++n) {
    const std::string name = argv[n];
    if (name == "--log") {
      options->log = true;
      continue;
    }
    if (n + 1 >= argc) return false;
    const char* value = argv[++n];
    if (name == "--panels") {
      options->panels = std::atoi(value);
    } else if (name == "--seconds") {
      options->seconds = std::atof(value);
    } else if (name == "--drop") {
      options->drop = value;
    } else if (name == "--bad-checksum") {
      options->bad_checksum = value;
    } else {
      return false;
    }
  }
  return options->panels >= 1 && options->panels <= 200 && options->seconds > 0;
}

long ResidentKib() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// When the console last read an answer byte off the line.
Clock::time_point last_received;
void OnTap(void*, TapDirection direction, const unsigned char*, std::size_t, std::uint64_t) {
  if (direction == TapDirection::received) last_received = Clock::now();
}

// Lines in each log file (file names end in ".txt"; the console's own files
// are no logs).
std::vector<long> LogLines(const std::string& directory) {
  static const std::set<std::string> own = {"sdefault.txt", "defaults.txt", "events.txt",
                                            "alerts.txt"};
  std::vector<long> counts;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    if (entry.path().extension() == ".txt" && !own.count(entry.path().filename().string())) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    counts.push_back(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
  }
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(
        stderr,
        "usage: poll_load [--panels N] [--seconds S] [--drop P] [--bad-checksum P] [--log]\n");
    return 2;
  }

  const std::string directory = bench::StartInScratchDirectory(argc, argv, "corvane-load");

  std::vector<int> addresses;
  for (int n = 0; n < options.panels; ++n) addresses.push_back(0x41 + n);
  std::vector<std::string> args = {"--drop", options.drop, "--bad-checksum", options.bad_checksum,
                                   "--seed", "1"};
  for (const std::string& arg : test_support::AmplifierArguments(options.panels))
    args.push_back(arg);
  test_support::SimProcess sim;
  if (!test_support::StartConsoleOnSimulator(sim, args, directory)) return 1;
  // This loop drives the ticks itself, to time each one.
  ui::StopTimer(main_window, timer_id1);
  for (int address : addresses) CreatePollDialog(address);
  if (options.log) {
    logging_on = 1;
    logging_interval = 10;
    for (int address : addresses) {
      std::snprintf(device_data[address].part, sizeof device_data[address].part, "305-4120-%03d",
                    address);
      std::snprintf(device_data[address].serial, sizeof device_data[address].serial, "%05d",
                    10000 + address);
      CreateLog(address, 0);
    }
  }
  AddTapListener(OnTap, nullptr);
  const std::vector<long> log_lines_before = LogLines(directory);

  std::vector<double> tick_ms;
  long answers_shown_at_once = 0;
  long answers_waiting = 0;
  long resident_after_first_minute = 0;
  const auto start = Clock::now();
  const double cpu_start = bench::CpuSeconds();
  auto next_tick = start;
  const auto end = start + std::chrono::duration<double>(options.seconds);
  while (Clock::now() < end) {
    next_tick += std::chrono::milliseconds(main_tick_ms);
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - Clock::now());
    ui::RunFor(static_cast<int>(std::max<long long>(wait.count(), 0)));
    const auto tick_start = Clock::now();
    MainTick();
    const auto tick_end = Clock::now();
    tick_ms.push_back(std::chrono::duration<double, std::milli>(tick_end - tick_start).count());
    // An answer whose last bytes this tick read is shown when the tick ends
    // with the receiver reset; left complete in it, it waits for a later tick.
    const protocol_struct& receiver = protocol_state[0];
    if (last_received >= tick_start) {
      if (receiver.response_done == 2) ++answers_waiting;
      if (receiver.receive_count == 0 && receiver.response_done == 0) ++answers_shown_at_once;
    }
    if (!resident_after_first_minute && tick_end - start > std::chrono::seconds(60)) {
      resident_after_first_minute = ResidentKib();
    }
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = bench::CpuSeconds() - cpu_start;
  const std::vector<long> log_lines_after = LogLines(directory);
  for (int address : addresses) {
    if (IsOpen(address)) ui::Destroy(poll_dialog[address]);
  }
  std::printf("panels %d, %.0f s, drop %s, bad checksum %s\n", options.panels, wall,
              options.drop.c_str(), options.bad_checksum.c_str());
  std::printf("cpu/wall %.4f (%.2f %% of one core)\n", cpu / wall, 100 * cpu / wall);
  std::printf("tick ms p50 %.3f p99 %.3f max %.3f over %zu ticks\n",
              bench::Percentile(tick_ms, 0.5), bench::Percentile(tick_ms, 0.99),
              bench::Percentile(tick_ms, 1.0), tick_ms.size());
  std::printf(
      "answers shown on the tick that read their last byte %ld, left for a later tick %ld\n",
      answers_shown_at_once, answers_waiting);
  const long resident = ResidentKib();
  std::printf("resident KiB %ld", resident);
  if (resident_after_first_minute) {
    std::printf(", growth after the first minute %ld", resident - resident_after_first_minute);
  }
  std::printf("\n");
  if (options.log) {
    // Each log gains one value line per logging interval (and its starting hours).
    long fewest = log_lines_after.empty() ? 0 : -1;
    for (std::size_t n = 0; n < log_lines_after.size(); ++n) {
      const long added =
          log_lines_after[n] - (n < log_lines_before.size() ? log_lines_before[n] : 0);
      if (fewest < 0 || added < fewest) fewest = added;
    }
    std::printf("logs %zu fewest-lines-added %ld value-intervals %d\n", log_lines_after.size(),
                fewest, static_cast<int>(wall / logging_interval));
  }
  StopConsole();
  sim.Stop();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(directory);
  return 0;
}
