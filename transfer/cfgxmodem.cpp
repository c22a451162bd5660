#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "config/formatted_text.h"
#include "link/capture.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "platform/counter.h"
#include "platform/link_clock.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "transfer/sequence_host.h"
#include "transfer/transfer_sequence.h"
#include "transfer/xmodem.h"

transfer_sequence_enum transfer_step = ts_unstarted;
int transfer_getfile = 0;
char transfer_driveletter = 0;
int transfer_retries = 0;
std::FILE* target_file = nullptr;

namespace {

constexpr int step_retries = 3;
sequence_host* current_host = nullptr;

// Without a host the sequence still runs; nobody sees it.
class unseen_host : public sequence_host {
 public:
  void StartDrivers() override {}
  std::string StatusText() override { return ""; }
  void ShowStatus(const std::string&) override {}
  void Ended(bool) override {}
  std::string LocalFile() override { return transfer_filepath; }
  void Problem(sequence_problem, const std::string&) override {}
};

// The count-down text shown last: the status line changes only with it.
std::string old_msg;
constexpr char reset_text[] = "\r\nReset\r\n";
constexpr char cancel_and_reset[] = "\x18\x18\x18\x18\x18\x18 \r\n Reset\r\n";

std::string_view Output() {
  const protocol_struct& p = protocol_state[0];
  return {reinterpret_cast<const char*>(p.response_buf), static_cast<std::size_t>(p.receive_count)};
}

bool OutputHas(std::string_view text) {
  return Output().find(text) != std::string_view::npos;
}

// A drive prompt of the service console: "A:" to "F:".
bool OutputHasDrivePrompt() {
  const std::string_view output = Output();
  for (std::size_t i = 0; i + 1 < output.size(); ++i) {
    if (output[i] >= 'A' && output[i] <= 'F' && output[i + 1] == ':') return true;
  }
  return false;
}

void Send(const std::string& text) {
  SerialSendRaw(text.data(), static_cast<int>(text.size()));
}

bool TimedOut(int msec) {
  return PastTime(msec, pt_start_time.l.upper) != 0;
}

// The common ending of a step whose answer has not come: after the step's
// time-out a retry, and at the third the amplifier is told to reset.
void RetryAfter(int timeout_msec, const std::string& retry_text) {
  if (!TimedOut(timeout_msec)) return;
  ++transfer_retries;
  ResetReceiver(0);
  if (transfer_retries < step_retries) {
    Send(retry_text);
  } else {
    Send(reset_text);
    SetTransferSequenceStep(ts_abort);
  }
}

void SetLocalFilePath() {
  CopyField(transfer_filepath, SequenceHost().LocalFile().c_str());
}

void WhySquiggleStep() {
  ReadSerial(0);
  if (!OutputHasDrivePrompt()) return RetryAfter(2000, "\r\n\r\n");
  ResetReceiver(0);
  Send("\r\n\r\n");
  SetLocalFilePath();
  SetTransferSequenceStep(ts_findprompt);
}

void FindPromptStep() {
  ReadSerial(0);
  if (!OutputHasDrivePrompt()) return RetryAfter(250, "\r\n");
  if (transfer_getfile) {
    SetTransferSequenceStep(ts_getfile);
    Send(FormattedText("\x1b Transfer /s %s \r\n", transfer_filename));
  } else {
    SetTransferSequenceStep(ts_pickdrive);
    Send("\x1b Dir Vdisk.sys \r\n");
  }
  platform::SleepMsec(500);
}

// A RAM disk driver means the files live on D:.
void PickDriveStep() {
  ReadSerial(0);
  if (OutputHas("File not found")) {
    transfer_driveletter = 'C';
  } else if (OutputHas("VDISK")) {
    transfer_driveletter = 'D';
  } else {
    return RetryAfter(2000, "\x1b Dir Vdisk.sys \r\n");
  }
  SetTransferSequenceStep(ts_pickdrive2);
  Send("\x1b Dir E100Bpkt.com \r\n");
  platform::SleepMsec(500);
}

// A unit with the Ethernet packet driver keeps its files on C: all the same.
void PickDriveStep2() {
  ReadSerial(0);
  if (!OutputHas("File not found")) {
    if (!OutputHas("E100BPKT")) return RetryAfter(2000, "\x1b Dir E100Bpkt.com \r\n");
    transfer_driveletter = 'C';
  }
  SetTransferSequenceStep(ts_setdrive);
  Send(FormattedText("\x1b %c: \r\n", transfer_driveletter));
  platform::SleepMsec(500);
}

// The echo of the receive command goes; what follows it stays, for a receiver
// that asks for the file at once has already sent its start byte.
void DropEcho() {
  ReadSerial(0);
  protocol_struct& p = protocol_state[0];
  const std::string_view output = Output();
  const std::size_t line_end = output.rfind('\n');
  if (line_end == std::string_view::npos) return;
  const std::size_t keep = output.size() - line_end - 1;
  std::memmove(p.response_buf, p.response_buf + line_end + 1, keep);
  p.receive_count = static_cast<std::int32_t>(keep);
}

void SetDriveStep() {
  ReadSerial(0);
  const char prompt[] = {transfer_driveletter, ':', '\\'};
  const std::string retry = FormattedText("\x1b %c: \r\n", transfer_driveletter);
  if (!OutputHas(std::string_view(prompt, sizeof prompt))) return RetryAfter(500, retry);
  ResetReceiver(0);
  std::FILE* file = std::fopen(transfer_filepath, "rb");
  if (!file) {
    SequenceHost().Problem(sequence_problem::unreadable_file,
                           FormattedText("Can't read %s.", transfer_filepath));
    return RetryAfter(500, retry);
  }
  target_file = file;
  SetTransferSequenceStep(ts_sendfile);
  Send(FormattedText("\x1b Transfer /r %c:%s \r\n", transfer_driveletter, transfer_filename));
  platform::SleepMsec(500);
  DropEcho();
}

void StartReception() {
  ReadSerial(0);
  ResetReceiver(0);
  SetTransferSequenceStep(ts_receiving);
  ResetXmodem();
  xmodem_crc16 = 0;
  SetLocalFilePath();
  target_file = std::fopen(transfer_filepath, "wb");
  if (target_file) {
    SerialSendChar(xmodem_nak);
    return;
  }
  // Nowhere to put the file: the amplifier's sender is cancelled rather than
  // fed NAKs for data that would be thrown away.
  Send(cancel_and_reset);
  SetTransferSequenceStep(ts_abort);
  SequenceHost().Problem(sequence_problem::uncreatable_file,
                         FormattedText("Unable to create %s.", transfer_filepath));
}

void GetFileStep() {
  ReadSerial(0);
  if (OutputHas("Failed")) {
    platform::SleepMsec(100);
    ReadSerial(0);
    // The console is still at its prompt: it must be reset too.
    Send(reset_text);
    SetTransferSequenceStep(ts_abort);
    return;
  }
  if (OutputHas("Sending") || !TimedOut(500)) return StartReception();
  ++transfer_retries;
  if (transfer_retries < step_retries) {
    Send(FormattedText("transfer /s %s \r\n", transfer_filename));
  } else {
    Send(cancel_and_reset);
    SetTransferSequenceStep(ts_abort);
  }
}

void ResetWaitStep() {
  const std::int32_t elapsed = PastTimeExpiredMsec();
  const std::string text = FormattedText("Wait for device to reboot.  %ld seconds remaining...",
                                         static_cast<long>(10 - (elapsed + 500) / 1000));
  if (text != old_msg) {
    old_msg = text;
    SequenceHost().ShowStatus(text);
  }
  if (elapsed > 10000) SetTransferSequenceStep(ts_complete);
}

std::string StepText(transfer_sequence_enum step) {
  switch (step) {
    case ts_unstarted:
      return "";
    case ts_idversion:
      return "Getting Amp ID";
    case ts_whysquiggle:
      return "Initializing remote console";
    case ts_findprompt:
      return "Getting DOS prompt";
    case ts_pickdrive:
      return "Picking target drive letter";
    case ts_pickdrive2:
      return "Detecting Advantech...";
    case ts_setdrive:
      return "Setting target drive";
    case ts_getfile:
      return FormattedText("Requesting %c:%s", transfer_driveletter, transfer_filename);
    case ts_receiving:
      return FormattedText("Receiving %c:%s", transfer_driveletter, transfer_filename);
    case ts_sendfile:
      return FormattedText("Transferring %c:%s", transfer_driveletter, transfer_filename);
    case ts_sending:
      return FormattedText("Sending %c:%s", transfer_driveletter, transfer_filename);
    case ts_timeout:
      return "Transfer 'timed out'";
    case ts_reset:
      return "Done.  Resetting amp.";
    case ts_failed: {
      const std::string current = SequenceHost().StatusText();
      if (current.find("(Command Failed)") != std::string::npos) return "Resetting amp.";
      return current + "  (Command Failed)";
    }
    case ts_resetwait:
      return "Resetting amp [10]";
    case ts_abort:
      return "Operation failed.  Rebooting firmware.";
    case ts_cantreset:
      return "Unable to reboot firmware.";
    case ts_complete:
      return transfer_getfile ? FormattedText("Saved %s", transfer_filepath)
                              : FormattedText("File transferred from %s", transfer_filepath);
    case ts_unused:
      break;
  }
  return "";
}

}  // namespace

sequence_host& SequenceHost() {
  static unseen_host unseen;
  return current_host ? *current_host : unseen;
}

void UseSequenceHost(sequence_host* host) {
  current_host = host;
}

void SetTransferSequenceStep(transfer_sequence_enum new_step) {
  ResetReceiver(0);
  transfer_step = new_step;
  transfer_retries = 0;
  if (new_step != ts_sendfile && new_step != ts_sending && target_file) {
    std::fclose(target_file);
    target_file = nullptr;
  }
  if (new_step == ts_resetwait) old_msg.clear();
  if (new_step != ts_unused) SequenceHost().ShowStatus(StepText(new_step));
  const bool final_step = new_step == ts_complete || new_step == ts_abort ||
                          new_step == ts_failed || new_step == ts_timeout;
  if (final_step) SequenceHost().Ended(new_step == ts_complete);
}

void InitModelCfgXmodemSequence() {
  if (!SerialPortIsOpen()) {
    SequenceHost().Problem(sequence_problem::port, "Unable to open serial port");
    SequenceHost().Ended(false);
    return;
  }
  SequenceHost().StartDrivers();
  transfer_retries = 0;
  ResetReceiver(0);
  std::snprintf(transfer_filename, sizeof transfer_filename, "%s", "Model.cfg");
  SendCommand(transfer_device, "Y~", 0);
  platform::SleepMsec(250);
  if (!SetupSerial(9600, parity_none, 8, one_stop_bit)) {
    SetTransferSequenceStep(ts_abort);
    SequenceHost().Problem(sequence_problem::port, SerialErrorText());
    return;
  }
  SetTransferSequenceStep(ts_whysquiggle);
  platform::SleepMsec(100);
  Send("\r\n\r\n");
}

void AbortModelCfgXmodemSequence() {
  Send(cancel_and_reset);
  SetTransferSequenceStep(ts_abort);
}

void ModelCfgXmodemSequence() {
  // A message box opened by a step runs a nested loop that keeps the tick
  // firing: the sequence waits for the operator instead of going on beneath it.
  static bool running = false;
  if (running) return;
  running = true;
  switch (transfer_step) {
    case ts_whysquiggle:
      WhySquiggleStep();
      break;
    case ts_findprompt:
      FindPromptStep();
      break;
    case ts_pickdrive:
      PickDriveStep();
      break;
    case ts_pickdrive2:
      PickDriveStep2();
      break;
    case ts_setdrive:
      SetDriveStep();
      break;
    case ts_getfile:
      GetFileStep();
      break;
    case ts_receiving:
      GetFileXmodem();
      break;
    case ts_sendfile:
      SendFileStep();
      break;
    case ts_sending:
      SendFileXmodem();
      break;
    case ts_resetwait:
      ResetWaitStep();
      break;
    default:
      break;
  }
  running = false;
}
