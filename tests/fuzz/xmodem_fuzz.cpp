// Feeds arbitrary bytes to the XMODEM receiving loop, in pieces chosen by the
// input and with time moved by hand between them, over a socket pair standing
// in for the serial line. The loop must stay within its buffer, never hang,
// and never take a file as saved that it did not acknowledge block by block.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/capture.h"
#include "link/wserial.h"
#include "platform/counter.h"
#include "transfer/sequence_host.h"
#include "transfer/transfer_sequence.h"
#include "transfer/xmodem.h"

// The sequence as far as the loop reaches it.
transfer_sequence_enum transfer_step = ts_unstarted;
int transfer_getfile = 1;
char transfer_driveletter = 0;
int transfer_retries = 0;
std::FILE* target_file = nullptr;
namespace {
int files_loaded = 0;
}
void SetTransferSequenceStep(transfer_sequence_enum new_step) {
  ResetReceiver(0);
  transfer_step = new_step;
  transfer_retries = 0;
  if (target_file) std::fclose(target_file);
  target_file = nullptr;
}
void ModelCfgXmodemSequence() {
  GetFileXmodem();
}
sequence_host& SequenceHost() {
  struct silent_host : sequence_host {
    void StartDrivers() override {}
    std::string StatusText() override { return {}; }
    void ShowStatus(const std::string&) override {}
    void Ended(bool) override {}
    std::string LocalFile() override { return {}; }
    void Problem(sequence_problem, const std::string&) override {}
    void FileReceived() override { ++files_loaded; }
  };
  static silent_host host;
  return host;
}

namespace {

int device_end = -1;
std::uint64_t now = 1'000'000'000;

void OpenLine() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
  fcntl(ends[0], F_SETFL, O_NONBLOCK);
  fcntl(ends[1], F_SETFL, O_NONBLOCK);
  serial_device = ends[0];
  device_end = ends[1];
  platform::UseManualCounter(1'000'000);
}

// What the loop sent since the last call: the number of ACKs in it.
int AcksSent() {
  unsigned char bytes[4096];
  ssize_t count;
  int acks = 0;
  while ((count = read(device_end, bytes, sizeof bytes)) > 0) {
    for (ssize_t n = 0; n < count; ++n) acks += bytes[n] == xmodem_ack;
  }
  return acks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (device_end < 0) OpenLine();
  if (size > 65536) return 0;
  char* saved = nullptr;
  std::size_t saved_size = 0;
  std::memset(protocol_state, 0, sizeof protocol_state);
  transfer_step = ts_receiving;
  transfer_retries = 0;
  files_loaded = 0;
  target_file = open_memstream(&saved, &saved_size);
  ResetXmodem();
  AcksSent();
  int acks = 0;
  // Each piece: milliseconds to let pass (in 4 ms units), a length, the bytes.
  std::size_t at = 0;
  int steps = 0;
  while (transfer_step == ts_receiving) {
    if (at + 2 <= size) {
      now += data[at] * 4000u;
      const std::size_t length = data[at + 1] < size - at - 2 ? data[at + 1] : size - at - 2;
      if (write(device_end, data + at + 2, length) != static_cast<ssize_t>(length)) std::abort();
      at += 2 + length;
    } else {
      // Input used up: the line falls silent until the loop gives up.
      now += 250'000;
    }
    platform::SetManualCounter(now);
    ModelCfgXmodemSequence();
    acks += AcksSent();
    const protocol_struct& p = ProtocolBuffer(0);
    if (p.receive_count < 0 || p.receive_count >= response_buffer_size) std::abort();
    if (++steps > 200000) std::abort();  // a loop that never ends
  }
  if (transfer_step == ts_complete) {
    // Saved: every byte came in an acknowledged block, the EOT's ACK last.
    if (files_loaded != 1 || saved_size > 128u * static_cast<unsigned>(acks - 1)) std::abort();
  } else if (files_loaded != 0) {
    std::abort();
  }
  if (target_file) std::fclose(target_file);
  target_file = nullptr;
  std::free(saved);
  unsigned char ch;
  while (ReadSerialChar(&ch)) {
  }
  return 0;
}
