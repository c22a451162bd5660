// The console with N amplifiers reached over TCP on loopback, each
// corvane-sim device on its own 127.0.0.x address: the time to connect to a
// listening device, then the console's CPU time over wall time while every
// device is polled each interval, driven tick by tick as the main timer
// drives it.
//
//   ethernet_load [--devices N] [--seconds S]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "app/startup.h"
#include "bench/load_support.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "support/console_on_sim.h"
#include "support/sim_process.h"
#include "ui/window.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  int devices = 64;
  double seconds = 20;
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string name = argv[n];
    if (name == "--devices") devices = std::atoi(argv[n + 1]);
    if (name == "--seconds") seconds = std::atof(argv[n + 1]);
  }
  if (devices < 1 || devices > 200 || seconds <= 0) {
    std::fprintf(stderr, "usage: ethernet_load [--devices N] [--seconds S]\n");
    return 2;
  }
  const std::string directory = bench::StartInScratchDirectory(argc, argv, "corvane-net");

  std::vector<std::string> args = {"--tcp", "--ip-base", "127.0.0.10", "--tcp-port",
                                   "0",     "--seed",    "1"};
  std::vector<int> addresses;
  for (int n = 0; n < devices; ++n) addresses.push_back(0x41 + n);
  for (const std::string& arg : test_support::AmplifierArguments(devices)) args.push_back(arg);
  test_support::SimProcess sim;
  std::string error;
  if (!sim.Start(args, &error)) {
    std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
    return 1;
  }
  // The console's own start-up without its opening dialogs: with the
  // simulator's serial bus open the main window asks for no port; then the
  // link becomes Ethernet to the simulator's TCP port.
  std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
  InitSerial();
  InstallWindowSeams();
  if (!InitMain()) {
    std::fprintf(stderr, "the main window could not be made\n");
    return 1;
  }
  CloseSerial();
  use_ethernet = 1;
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  InitSocketDriver();

  std::vector<double> connect_ms;
  for (int address : addresses) {
    std::snprintf(default_ipaddress, sizeof default_ipaddress, "%s",
                  sim.DeviceAddress(static_cast<std::uint8_t>(address)).c_str());
    const auto start = Clock::now();
    const int slot = OpenSocketComm(ui::no_window, address);
    connect_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (slot != address) {
      std::fprintf(stderr, "no connection to %s (slot %d)\n", default_ipaddress, slot);
      return 1;
    }
    CreatePollDialog(address);
  }

  polling_enabled = 1;
  const auto start = Clock::now();
  const double cpu_start = bench::CpuSeconds();
  auto next_tick = start;
  const auto end = start + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    next_tick += std::chrono::milliseconds(main_tick_ms);
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next_tick - Clock::now());
    ui::RunFor(static_cast<int>(std::max<long long>(wait.count(), 0)));
    MainTick();
  }
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = bench::CpuSeconds() - cpu_start;
  int answering = 0;
  for (int address : addresses)
    answering += last_response[address] != 0 && error_count[address] == 0;

  std::printf("devices %d over TCP, %.0f s\n", devices, wall);
  std::printf("connect ms p50 %.2f max %.2f\n", bench::Percentile(connect_ms, 0.5),
              bench::Percentile(connect_ms, 1.0));
  std::printf("cpu/wall %.4f (%.2f %% of one core)\n", cpu / wall, 100 * cpu / wall);
  std::printf("devices answering at the end %d of %d\n", answering, devices);
  for (int address : addresses) {
    if (IsOpen(address)) ui::Destroy(poll_dialog[address]);
  }
  CleanupSocketComm();
  StopConsole();
  sim.Stop();
  std::filesystem::current_path("/");
  std::filesystem::remove_all(directory);
  return answering == devices ? 0 : 1;
}
