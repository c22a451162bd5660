// What one open Trends window costs the console: 64 amplifier panels polled
// against corvane-sim on a pty bus by the console's own main timer, in
// alternating phases without and with the Trends window of the first
// amplifier open (its status log holding a month of quarter-hour lines, live
// readings appended as the polls bring them). Prints the console's CPU time
// over wall time per phase (the window's opening counted apart), the means,
// their difference in percentage points of one core and their ratio.
//
//   trends_bench [--panels N] [--seconds S per phase] [--rounds R] [--interval MS]
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "app/startup.h"
#include "app/trends_window.h"
#include "app/wlog.h"
#include "bench/load_support.h"
#include "config/settings.h"
#include "records/device_records.h"
#include "support/console_on_sim.h"
#include "support/sim_process.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int panels = 64;
  double seconds = 20;
  int rounds = 2;
  int interval_ms = 0;  // 0: the console's own polling interval
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string name = argv[n];
    const char* value = argv[n + 1];
    if (name == "--panels") {
      options->panels = std::atoi(value);
    } else if (name == "--seconds") {
      options->seconds = std::atof(value);
    } else if (name == "--rounds") {
      options->rounds = std::atoi(value);
    } else if (name == "--interval") {
      options->interval_ms = std::atoi(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && options->panels >= 1 && options->panels <= 200 && options->seconds > 0 &&
         options->rounds >= 1 && options->interval_ms >= 0;
}

// A month of quarter-hour value lines ending now, as the console writes them.
void WriteMonthOfLog(const std::string& name) {
  std::ofstream log(name, std::ios::binary);
  log << std::string(70, '-') << "\r\n";
  char stamp[time_stamp_size];
  TimeStamp(stamp);
  log << stamp
      << ",  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n";
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  for (int n = 0; n < 2880; ++n) {
    const std::time_t when = now - 900 * static_cast<std::time_t>(2880 - n);
    std::tm local{};
    localtime_r(&when, &local);
    char line[128];
    std::snprintf(line, sizeof line, "%d %s %02d, %02d:%02d,  %04d, %4.1f, %04d, %4.1f\r\n",
                  local.tm_mday, months[local.tm_mon], local.tm_year % 100, local.tm_hour,
                  local.tm_min, 450 + n % 40, 55 + (n % 50) / 10.0, 35 + n % 10,
                  10 + (n % 20) / 10.0);
    log << line;
  }
}

// The console's CPU time over wall time while its own timer polls for a while.
double Phase(double seconds) {
  const auto start = Clock::now();
  const double cpu_start = bench::CpuSeconds();
  ui::RunFor(static_cast<int>(seconds * 1000));
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return (bench::CpuSeconds() - cpu_start) / wall;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: trends_bench [--panels N] [--seconds S] [--rounds R] [--interval MS]\n");
    return 2;
  }
  const std::string directory = bench::StartInScratchDirectory(argc, argv, "corvane-trends");
  std::vector<std::string> args = {"--seed", "1"};
  for (const std::string& arg : test_support::AmplifierArguments(options.panels))
    args.push_back(arg);
  test_support::SimProcess sim;
  if (!test_support::StartConsoleOnSimulator(sim, args, directory)) return 1;
  if (options.interval_ms > 0) {
    // As the options dialog sets it.
    polling_interval = static_cast<std::uint32_t>(options.interval_ms);
    poll_timer.Reset(options.interval_ms);
  }
  const int first = 0x41;
  for (int n = 0; n < options.panels; ++n) CreatePollDialog(first + n);
  // The logged readings are polled in both phases alike.
  logging_on = 1;
  CopyField(device_data[first].part, "305-4120-025");
  CopyField(device_data[first].serial, "10065");
  char name[log_name_size];
  LogFileName(first, name);
  WriteMonthOfLog(name);
  CreateLog(first, 0);
  ui::RunFor(2000);  // every panel has its first answers

  std::vector<double> without, with;
  std::vector<double> opening_ms;
  std::size_t live_points = 0;
  for (int round = 0; round < options.rounds; ++round) {
    without.push_back(Phase(options.seconds));
    // The opening (reading the log, building and first painting the plots)
    // is counted apart from the time the window stays open.
    const double cpu_before = bench::CpuSeconds();
    TrendsWindow* window = OpenTrendsWindow(first);
    QApplication::processEvents();
    opening_ms.push_back(1000 * (bench::CpuSeconds() - cpu_before));
    with.push_back(Phase(options.seconds));
    for (const trend_series& series : window->Plotted()) {
      if (series.name == "Power Out") live_points += series.points.size();
    }
    CloseTrendsWindow(first);
  }
  auto mean = [](const std::vector<double>& values) {
    double sum = 0;
    for (double value : values) sum += value;
    return sum / static_cast<double>(values.size());
  };
  std::printf(
      "panels %d, polling interval %u ms, %d rounds of %.0f s without and %.0f s with the "
      "Trends window\n",
      options.panels, static_cast<unsigned>(polling_interval), options.rounds, options.seconds,
      options.seconds);
  for (int round = 0; round < options.rounds; ++round)
    std::printf("round %d: cpu/wall without %.2f %%, with %.2f %%; opening took %.0f ms of CPU\n",
                round + 1, 100 * without[round], 100 * with[round], opening_ms[round]);
  std::printf("live output power points plotted: %zu\n", live_points);
  const double off = mean(without), on = mean(with);
  std::printf(
      "mean without %.2f %%, with %.2f %% of one core: difference %+.2f points, ratio %.3f\n",
      100 * off, 100 * on, 100 * (on - off), off > 0 ? on / off : 0);
  StopConsole();
  sim.Stop();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(directory);
  return 0;
}
