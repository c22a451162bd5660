// Loading Model.cfg files into the line table, measured the way the console
// measures them. Run: QT_QPA_PLATFORM=offscreen build/bench/bench_model_cfg
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "modelcfg/button.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/received_file.h"
#include "records/program_state.h"
#include "ui/measuring_context.h"
#include "ui/scripted_operator.h"

namespace {

long ResidentKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Writes the file, then loads it once per iteration; expected is what
// ProcessReceivedFile must return.
void LoadRepeatedly(benchmark::State& state, const std::string& bytes, int expected) {
  ui::ScriptedOperator user;
  screen_compatible_dc = &ui::ScreenMeasuringContext();
  std::snprintf(transfer_filepath, sizeof transfer_filepath, "/tmp/corvane-bench-%d.cfg",
                static_cast<int>(getpid()));
  std::ofstream(transfer_filepath, std::ios::binary) << bytes;
  if (ProcessReceivedFile() != expected) state.SkipWithError("unexpected load result");
  const long resident_before = ResidentKiB();
  for (auto _ : state) {
    total_cfg_lines = 0;
    benchmark::DoNotOptimize(ProcessReceivedFile());
    user.ClearBoxes();
  }
  state.counters["resident_growth_KiB"] = static_cast<double>(ResidentKiB() - resident_before);
  state.counters["lines"] = total_cfg_lines;
  std::remove(transfer_filepath);
}

void BM_LoadFullTable(benchmark::State& state) {
  std::string file;
  for (int line = 0; line < max_cfg_lines; ++line) {
    char keyword[32];
    std::snprintf(keyword, sizeof keyword, "KEYWORD_%02d", line);
    file += keyword + std::string(20 - std::strlen(keyword), ' ') + "\t";
    for (int option = 0; option < max_cfg_options; ++option) {
      if (option > 0) file += " / ";
      if (option == line % max_cfg_options) file += "*";
      file += "OPTION_" + std::to_string(option);
    }
    file += "\r\n";
  }
  LoadRepeatedly(state, file, 1);
}
BENCHMARK(BM_LoadFullTable)->Unit(benchmark::kMillisecond);

void BM_RefuseFiveThousandLines(benchmark::State& state) {
  std::string file;
  for (int line = 0; line < 5000; ++line) file += "LINE" + std::to_string(line) + " *on / off\r\n";
  LoadRepeatedly(state, file, 0);
}
BENCHMARK(BM_RefuseFiveThousandLines)->Unit(benchmark::kMillisecond);

}  // namespace
