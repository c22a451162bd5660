// corvane-cli gateway with N amplifiers on corvane-sim's serial bus and a
// mosquitto of its own: the gateway's CPU time over wall time, and the time
// from an answer on the bus to its state message at a subscriber (p50, p99,
// max). Each round changes every amplifier's attenuation; a device's message
// is timed from the last poll the simulator received for it before the message
// came, so the figure also holds the answer's own time on the line.
//
// Polls go out every tick unless --interval says otherwise: the heaviest load.
//
//   gateway_bench [--devices N] [--rounds R] [--interval MS]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/mqtt_broker.h"
#include "support/sim_process.h"
#include "support/spawn_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// User plus system time of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  std::size_t at = close + 2;
  while (at < text.size()) {
    const std::size_t blank = text.find(' ', at);
    fields.push_back(text.substr(at, blank - at));
    if (blank == std::string::npos) break;
    at = blank + 1;
  }
  // utime and stime are fields 14 and 15; fields[0] is field 3.
  if (fields.size() < 13) return 0;
  return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / sysconf(_SC_CLK_TCK);
}

std::string Hex(int address) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", address);
  return text;
}

// The address as the gateway writes it in topics.
std::string TopicLevel(int address) {
  return std::isalnum(address) ? std::string(1, static_cast<char>(address)) : Hex(address);
}

double Percentile(std::vector<long> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return static_cast<double>(values[static_cast<std::size_t>(fraction * (values.size() - 1))]);
}

}  // namespace

int main(int argc, char** argv) {
  int devices = 64;
  int rounds = 6;
  std::string interval = "56";
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string name = argv[n];
    if (name == "--devices") devices = std::atoi(argv[n + 1]);
    if (name == "--rounds") rounds = std::atoi(argv[n + 1]);
    if (name == "--interval") interval = argv[n + 1];
  }
  if (devices < 1 || devices > 190 || rounds < 1) {
    std::fprintf(stderr, "usage: gateway_bench [--devices N] [--rounds R] [--interval MS]\n");
    return 2;
  }

  std::vector<int> addresses;
  std::vector<std::string> sim_args = {"--steady", "--seed", "1"};
  for (int n = 0; n < devices; ++n) {
    addresses.push_back(0x41 + n);
    sim_args.insert(sim_args.end(), {"--amp", Hex(0x41 + n)});
  }
  test_support::SimProcess sim;
  test_support::MqttBroker broker;
  test_support::MqttSubscriber subscriber;
  std::string error;
  if (!sim.Start(sim_args, &error) || !broker.Start({}, &error)) {
    std::fprintf(stderr, "gateway_bench: %s\n", error.c_str());
    return 1;
  }
  subscriber.Start(broker.Port(), "corvane/bench/+/state");

  std::vector<std::string> words = {CORVANE_CLI_PATH, "gateway",
                                    "--site",         "bench",
                                    "--broker",       "127.0.0.1:" + std::to_string(broker.Port()),
                                    "--port",         sim.LinkPath(),
                                    "--interval",     interval};
  for (const int address : addresses) words.push_back(Hex(address));
  pid_t gateway = -1;
  int output = -1;
  if (!test_support::SpawnWithOutput(words, &gateway, &output, &error)) {
    std::fprintf(stderr, "gateway_bench: %s\n", error.c_str());
    return 1;
  }

  std::map<std::string, int> by_topic;
  for (const int address : addresses)
    by_topic["corvane/bench/" + TopicLevel(address) + "/state"] = address;
  // Waits for every device's state to show the attenuation; the arrival times.
  auto collect = [&](double attenuation, int timeout_ms) {
    std::map<int, long> arrived;
    const long end = MsNow() + timeout_ms;
    while (static_cast<int>(arrived.size()) < devices && MsNow() < end) {
      const auto message = subscriber.WaitFor(
          [&](const test_support::mqtt_message& m) {
            const auto found = by_topic.find(m.topic);
            if (found == by_topic.end() || arrived.count(found->second)) return false;
            const auto state = nlohmann::json::parse(m.payload, nullptr, false);
            return !state.is_discarded() && state["contact"] == true &&
                   state["readings"]["attenuation"] == attenuation;
          },
          static_cast<int>(end - MsNow()));
      if (message) arrived[by_topic[message->topic]] = MsNow();
    }
    return arrived;
  };

  const auto warm = collect(12.5, 60000);
  if (static_cast<int>(warm.size()) < devices) {
    std::fprintf(stderr, "gateway_bench: only %zu of %d devices reported\n", warm.size(), devices);
    kill(gateway, SIGTERM);
    return 1;
  }
  const double cpu_start = CpuSeconds(gateway);
  const auto wall_start = Clock::now();
  std::vector<long> latencies;
  for (int round = 0; round < rounds; ++round) {
    const double attenuation = round % 2 ? 10.5 : 10.0;
    sim.ClearTrace();
    for (const int address : addresses)
      sim.Control("set " + Hex(address) + " attenuation " + (round % 2 ? "10.5" : "10.0"));
    const auto arrived = collect(attenuation, 60000);
    if (static_cast<int>(arrived.size()) < devices)
      std::fprintf(stderr, "gateway_bench: round %d: %zu of %d devices reported\n", round + 1,
                   arrived.size(), devices);
    const auto trace = sim.Trace().value_or(std::vector<test_support::TraceEntry>{});
    for (const auto& [address, at] : arrived) {
      long polled = -1;
      for (const auto& entry : trace) {
        if (entry.address == address && entry.ms <= at) polled = entry.ms;
      }
      if (polled >= 0) latencies.push_back(at - polled);
    }
  }
  const double wall = std::chrono::duration<double>(Clock::now() - wall_start).count();
  const double cpu = CpuSeconds(gateway) - cpu_start;
  kill(gateway, SIGTERM);
  int status = 0;
  waitpid(gateway, &status, 0);

  std::printf("devices %d, rounds %d, %.1f s\n", devices, rounds, wall);
  std::printf("gateway CPU: %.2f %% of a core\n", 100.0 * cpu / wall);
  std::printf("poll to state message (%zu samples): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n",
              latencies.size(), Percentile(latencies, 0.5), Percentile(latencies, 0.99),
              Percentile(latencies, 1.0));
  return 0;
}
