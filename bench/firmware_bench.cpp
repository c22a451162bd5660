// Firmware downloads against corvane-sim, timed: turbo mode over a serial line paced by
// corvane-relay at 57600 and 115200 bit/s 8N1, against the line's bound for a chunk frame of
// 111 bytes (STX, address, 107-byte body, ETX, checksum) and its 11-byte answer ("Y3nnnnn"
// framed), 10 bits a character; turbo mode over TCP on loopback in chunks per second; and
// normal mode at 57600, one chunk per 56 ms tick, with the console's CPU share meanwhile.
// Serial chunk times come from the simulator's frame trace (first to last chunk); the TCP
// time from the first chunk's post to the end of the chunks. The console's own share is the
// time from each chunk's answer to the next chunk's send, through the download's link seam.
//
//   firmware_bench [--size BYTES] [--tcp-size BYTES] [--normal-size BYTES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/load_support.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/firmware_dialog.h"
#include "resources/scan_ip_dialog.h"
#include "support/relay_process.h"
#include "support/sim_process.h"
#include "transfer/download.h"
#include "transfer/download_link.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Clock = std::chrono::steady_clock;
using Op = ui::ScriptedOperator;

constexpr int chunk_frame_bytes = 111;
constexpr int chunk_answer_bytes = 11;

// The console's own link with the time between one chunk's answer and the next chunk's
// send taken: what the console itself adds to every chunk.
class TimedLink final : public DownloadLink {
 public:
  explicit TimedLink(DownloadLink& inner) : inner_(inner) {}
  bool Serial() override { return inner_.Serial(); }
  bool Command(int device, const char* body, int length, int timeout, int tries) override {
    const bool chunk = std::strncmp(body, "Y3", 2) == 0;
    const auto start = Clock::now();
    if (chunk && answered_) {
      between += std::chrono::duration<double>(start - *answered_).count();
      ++gaps;
    }
    const bool answered = inner_.Command(device, body, length, timeout, tries);
    answered_.reset();
    if (chunk && answered) answered_ = Clock::now();
    return answered;
  }
  int ReplyByte(int device, int at) override { return inner_.ReplyByte(device, at); }
  bool Connected(int device) override { return inner_.Connected(device); }
  bool SetLine(std::int32_t baud, std::uint8_t parity, std::uint8_t data,
               std::uint8_t stop) override {
    return inner_.SetLine(baud, parity, data, stop);
  }
  bool Reopen() override { return inner_.Reopen(); }
  void Pause(int msec) override { inner_.Pause(msec); }

  double between = 0;  // seconds
  long gaps = 0;

 private:
  DownloadLink& inner_;
  std::optional<Clock::time_point> answered_;
};

struct Run {
  bool completed = false;
  double chunk_seconds = 0;  // the console's clock, from the first chunk's post to the finish
  double cpu_seconds = 0;    // the bench process's CPU over the same time
  double console_ms = 0;     // the console's time from a chunk's answer to the next send
};

std::string WriteFile(long size) {
  const std::string name = "fw" + std::to_string(size) + ".exe";
  std::ofstream out(name, std::ios::binary);
  for (long n = 0; n < size; ++n) out.put(static_cast<char>(n * 131 + n / 97));
  return (std::filesystem::current_path() / name).string();
}

// One download of `path` by the dialog, cancelled once the reboot wait begins.
Run Download(Op& op, const std::string& path) {
  Run run;
  TimedLink timed(CurrentDownloadLink());
  UseDownloadLink(&timed);
  CopyField(firmware_filename, path.c_str());
  autoload_fw = 1;
  op.WhenDialogOpens("4", [&](ui::Handle dialog) {
    Op::Press(dialog, ui::id_ok);
    const auto start = Clock::now();
    const double cpu_start = bench::CpuSeconds();
    Op::RunUntil(
        [&] {
          const std::string status = ui::ControlText(dialog, id_firmware_status);
          return status == "Transfer Complete, rebooting Unit..." || status == "Transfer Failed." ||
                 status == "Initialization failed.";
        },
        600000);
    run.chunk_seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.cpu_seconds = bench::CpuSeconds() - cpu_start;
    run.completed =
        ui::ControlText(dialog, id_firmware_status) == "Transfer Complete, rebooting Unit...";
    Op::Press(dialog, ui::id_cancel);
  });
  DownloadCode();
  UseDownloadLink(nullptr);
  run.console_ms = timed.gaps ? 1000 * timed.between / timed.gaps : 0;
  for (const ui::RecordedBox& box : op.Boxes())
    std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
  return run;
}

// Seconds between the first and the last chunk the simulator decoded, and how many came.
double TraceChunkSeconds(test_support::SimProcess& sim, long* chunks) {
  long first = -1, last = -1;
  *chunks = 0;
  for (const test_support::TraceEntry& e :
       sim.Trace().value_or(std::vector<test_support::TraceEntry>{})) {
    if (e.body.rfind("Y3", 0) != 0) continue;
    if (first < 0) first = e.ms;
    last = e.ms;
    ++*chunks;
  }
  return (last - first) / 1000.0;
}

bool Serial(long rate, long size, int turbo, long* chunks, double* seconds, Run* run) {
  test_support::SimProcess sim;
  std::string error;
  if (!sim.Start({"--amp", "A", "--steady", "--reboot-ms", "200", "--serial", "A=9600:N81"},
                 &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  test_support::RelayProcess relay;
  test_support::RelayOptions line;
  line.rate = rate;
  line.b_path = sim.LinkPath();
  line.copy_format = true;
  if (!relay.Start(line, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  ResetSettings();
  ResetLinkSettings();
  std::snprintf(serial_port, sizeof serial_port, "%s", relay.PathA().c_str());
  download_baud = static_cast<std::int32_t>(rate);
  turbo_download = turbo;
  if (InitSerial() != 1) {
    std::fprintf(stderr, "%s\n", SerialErrorText());
    return false;
  }
  Op op;
  *run = Download(op, WriteFile(size));
  *seconds = TraceChunkSeconds(sim, chunks);
  CloseSerial();
  return run->completed;
}

bool Tcp(long size, Run* run) {
  test_support::SimProcess sim;
  std::string error;
  if (!sim.Start({"--amp", "A", "--steady", "--reboot-ms", "200", "--tcp-port", "0"}, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  ResetSettings();
  ResetLinkSettings();
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  const std::string address = sim.DeviceAddress('A');
  Op op;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    Op::Type(dialog, id_scan_address, address);
    Op::Press(dialog, ui::id_ok);
  });
  *run = Download(op, WriteFile(size));
  CleanupSocketComm();
  ResetLinkSettings();
  use_default_port = 1;
  return run->completed;
}

}  // namespace

int main(int argc, char** argv) {
  long size = 50000, tcp_size = 200000, normal_size = 10000;
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string name = argv[n];
    const long value = std::atol(argv[n + 1]);
    if (name == "--size" && value > 0) {
      size = value;
    } else if (name == "--tcp-size" && value > 0) {
      tcp_size = value;
    } else if (name == "--normal-size" && value > 0) {
      normal_size = value;
    } else {
      std::fprintf(
          stderr,
          "usage: firmware_bench [--size BYTES] [--tcp-size BYTES] [--normal-size BYTES]\n");
      return 2;
    }
  }
  // Discovery requests stay on loopback.
  setenv("CORVANE_DISCOVERY_ADDRESS", "127.0.0.1:9", 1);
  bench::StartInScratchDirectory(argc, argv, "corvane-firmware");
  SetProgramDirectoryFromCurrent();
  setvbuf(stdout, nullptr, _IOLBF, 0);
  int failures = 0;
  for (const long rate : {57600L, 115200L}) {
    long chunks = 0;
    double seconds = 0;
    Run run;
    if (!Serial(rate, size, 1, &chunks, &seconds, &run) || chunks < 2) {
      std::printf("turbo at %ld bit/s: the download did not complete\n", rate);
      ++failures;
      continue;
    }
    const double throughput = (chunks - 1) * 100.0 / seconds;
    const double bound = 100.0 * rate / ((chunk_frame_bytes + chunk_answer_bytes) * 10.0);
    std::printf(
        "turbo at %ld bit/s: %ld chunks, %.0f B/s, %.3f of the bound %.0f B/s; the console adds "
        "%.3f ms a chunk (%.1f %% of the bound's %.2f ms)\n",
        rate, chunks, throughput, throughput / bound, bound, run.console_ms,
        100 * run.console_ms / (1000 * 100 / bound), 1000 * 100 / bound);
  }
  {
    Run run;
    if (!Tcp(tcp_size, &run)) {
      std::printf("turbo over TCP: the download did not complete\n");
      ++failures;
    } else {
      const double chunks = (tcp_size + 99) / 100;
      std::printf(
          "turbo over TCP on loopback: %.0f chunks in %.2f s, %.0f chunks/s; the console adds "
          "%.3f ms a chunk\n",
          chunks, run.chunk_seconds, chunks / run.chunk_seconds, run.console_ms);
    }
  }
  {
    long chunks = 0;
    double seconds = 0;
    Run run;
    if (!Serial(57600, normal_size, 0, &chunks, &seconds, &run) || chunks < 2) {
      std::printf("normal at 57600 bit/s: the download did not complete\n");
      ++failures;
    } else {
      std::printf(
          "normal at 57600 bit/s: %ld chunks, %.1f ms a chunk (tick 56 ms), console CPU %.1f %% "
          "of a core\n",
          chunks, seconds * 1000 / (chunks - 1), 100 * run.cpu_seconds / run.chunk_seconds);
    }
  }
  return failures ? 1 : 0;
}
