// The bus scan over corvane-sim's bus with nobody answering: 'A' to 'H' at 9600 and 57600
// baud with 1 and 2 stop bits, 32 combinations whose no-answer time sums to 14.0 s. Prints
// the time from the first frame to completion against that sum (at most 102 %), the
// shortest gap between frames against SerialTime + 198 ms, and the console's CPU over the
// scan (under 5 % of a core). Frames are timed as the console sent them (the link's byte
// tap); the simulator's trace checks that all 64 arrived. Exit status 1 when a figure is
// beyond its limit.
//
//   bus_scan_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/load_support.h"
#include "link/bus_scan.h"
#include "link/byte_tap.h"
#include "link/find_device_dialog.h"
#include "link/link_settings.h"
#include "link/scan_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "resources/bus_scan_dialogs.h"
#include "support/sim_process.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Clock = std::chrono::steady_clock;
using Op = ui::ScriptedOperator;

long long NowMsec() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

struct ScanRun {
  long long start_msec = 0;
  long long end_msec = 0;
  std::uint64_t end_tap_msec = 0;
  double cpu_seconds = 0;
  std::vector<std::uint64_t> frames;  // when each frame went out, on the tap's clock
};

void OnTap(void* context, TapDirection direction, const unsigned char*, std::size_t,
           std::uint64_t msec) {
  if (direction == TapDirection::sent) static_cast<ScanRun*>(context)->frames.push_back(msec);
}

// Runs the scan from "Find/Configure Device" and waits for it to complete without
// waking the loop more than every 10 ms.
bool RunScan(ScanRun* run) {
  Op op;
  bool completed = false;
  op.WhenDialogOpens("Scanning", [&](ui::Handle dialog) {
    run->start_msec = NowMsec();
    const double cpu_start = bench::CpuSeconds();
    const long long deadline = run->start_msec + 60000;
    while (!scan_complete && NowMsec() < deadline) ui::RunFor(10);
    run->end_msec = NowMsec();
    run->end_tap_msec = TapClockMsec();
    run->cpu_seconds = bench::CpuSeconds() - cpu_start;
    completed = scan_complete != 0;
    Op::Press(dialog, ui::id_cancel);
  });
  op.WhenDialogOpens("Find/Configure Device", [](ui::Handle dialog) {
    Op::Type(dialog, id_scan_range, "A-H");
    for (int n = 0; n < scan_rate_count; ++n)
      ui::SetCheck(dialog, id_scan_first_rate + n,
                   baud_opts[n] == 9600 || baud_opts[n] == 57600 ? ui::checked : ui::unchecked);
    ui::SetCheck(dialog, id_scan_stop_1, ui::checked);
    ui::SetCheck(dialog, id_scan_stop_2, ui::checked);
    Op::Press(dialog, id_start_scan);
    Op::Press(dialog, ui::id_cancel);
  });
  RunFindDeviceDialog(ui::no_window);
  return completed;
}

}  // namespace

int main(int argc, char** argv) {
  bench::StartInScratchDirectory(argc, argv, "corvane-bus-scan");
  test_support::SimProcess sim;
  std::string error;
  if (!sim.Start({"--amp", "Z"}, &error)) {
    std::fprintf(stderr, "bus_scan_bench: %s\n", error.c_str());
    return 1;
  }
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  if (InitSerial() != 1) {
    std::fprintf(stderr, "bus_scan_bench: %s\n", SerialErrorText());
    return 1;
  }
  polling_enabled = 1;
  ScanRun run;
  AddTapListener(OnTap, &run);
  const bool completed = RunScan(&run);
  RemoveTapListener(OnTap, &run);
  const auto trace = sim.Trace();
  CloseSerial();
  if (!completed || !trace || trace->size() != 64 || run.frames.size() != 64) {
    std::fprintf(stderr, "bus_scan_bench: the scan over %s did not complete with 64 frames (%zu)\n",
                 sim.LinkPath().c_str(), trace ? trace->size() : 0);
    return 1;
  }
  const long sum = 8 * 2 * (NoAnswerMsec(9600) + NoAnswerMsec(57600));
  const long long span = static_cast<long long>(run.end_tap_msec - run.frames.front());
  long worst_margin = 1L << 30;  // the gap less SerialTime + 198 ms, at its smallest
  long smallest_gap = 0;
  for (std::size_t n = 1; n < trace->size(); ++n) {
    const long gap = static_cast<long>(run.frames[n] - run.frames[n - 1]);
    const long margin = gap - (SerialTime(32, (*trace)[n - 1].speed) + 198);
    if (margin < worst_margin) {
      worst_margin = margin;
      smallest_gap = gap;
    }
  }
  const double wall_seconds = (run.end_msec - run.start_msec) / 1000.0;
  const double cpu_share = run.cpu_seconds / wall_seconds;
  const double span_share = static_cast<double>(span) / sum;
  std::printf("no-answer sum            %8.3f s\n", sum / 1000.0);
  std::printf("first frame to complete  %8.3f s  (%.1f %% of the sum; limit 102 %%)\n",
              span / 1000.0, span_share * 100);
  std::printf("tightest frame gap       %8ld ms (%+ld ms against SerialTime + 198 ms)\n",
              smallest_gap, worst_margin);
  std::printf("console CPU              %8.3f s over %.3f s  (%.2f %% of a core; limit 5 %%)\n",
              run.cpu_seconds, wall_seconds, cpu_share * 100);
  return span_share <= 1.02 && worst_margin >= 0 && cpu_share < 0.05 ? 0 : 1;
}
