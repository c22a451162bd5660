// Framing and capture cost per byte. Run: build/bench/bench_link
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <benchmark/benchmark.h>

#include "config/settings.h"
#include "link/capture.h"
#include "link/framing.h"
#include "link/wserial.h"

namespace {

// The console's end of a socket pair is the port; the bench writes answers
// into the other end.
class BenchLine {
 public:
  BenchLine() {
    socketpair(AF_UNIX, SOCK_STREAM, 0, ends_);
    fcntl(ends_[0], F_SETFL, O_NONBLOCK);
    serial_device = ends_[0];
  }
  ~BenchLine() {
    CloseSerial();
    close(ends_[1]);
  }
  void Feed(const std::string& bytes) const { (void)!write(ends_[1], bytes.data(), bytes.size()); }

 private:
  int ends_[2] = {-1, -1};
};

std::string TessaryAnswer(const std::string& body) {
  std::string frame = "\x06" "A" + body + "\x03";
  char sum = 0;
  for (char c : frame) sum ^= c;
  return frame + sum;
}

std::string QuillonAnswer(const std::string& body) {
  std::string frame = std::string("\x02") + static_cast<char>(body.size() + 5) + "A" + body;
  unsigned char sum = 0;
  for (std::size_t n = 2; n < frame.size(); ++n) sum += static_cast<unsigned char>(frame[n]);
  return frame + static_cast<char>(sum) + "\x03";
}

// Arguments: body length, family (0 Tessary, 1 Quillon).
void BM_BuildFrame(benchmark::State& state) {
  const std::string body(static_cast<std::size_t>(state.range(0)), '?');
  unsigned char frame[256];
  quillon_protocol = static_cast<int>(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(BuildCommandFrame('A', body.data(), static_cast<int>(body.size()), frame));
  }
  quillon_protocol = 0;
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildFrame)->ArgsProduct({{7, 250}, {0, 1}});

// One answer per iteration, fed and captured whole: what a polling tick pays.
void CaptureAnswers(benchmark::State& state, bool quillon, const std::string& answer) {
  BenchLine line;
  quillon_protocol = quillon ? 1 : 0;
  for (auto _ : state) {
    state.PauseTiming();
    line.Feed(answer);
    ResetReceiver(0);
    state.ResumeTiming();
    if (!TrapResponse(0)) state.SkipWithError("answer not accepted");
  }
  quillon_protocol = 0;
  state.SetBytesProcessed(state.iterations() * static_cast<long>(answer.size()));
}

void BM_TessaryCapture(benchmark::State& state) {
  CaptureAnswers(state, false, TessaryAnswer(std::string(static_cast<std::size_t>(state.range(0)), 'x')));
}
BENCHMARK(BM_TessaryCapture)->Arg(80)->Arg(2000);

void BM_QuillonCapture(benchmark::State& state) {
  CaptureAnswers(state, true, QuillonAnswer(std::string(static_cast<std::size_t>(state.range(0)), 'x')));
}
BENCHMARK(BM_QuillonCapture)->Arg(40)->Arg(122);

}  // namespace
