// get-config, send-config, send-all and firmware: whole files between the
// working directory and a device, without any window.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "link/capture.h"
#include "link/exchange.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "modelcfg/cfg_exchange.h"
#include "modelcfg/cfg_upload.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "records/poll_address.h"
#include "records/program_state.h"
#include "transfer/firmware_download.h"
#include "transfer/firmware_file.h"
#include "transfer/sequence_host.h"
#include "transfer/transfer_sequence.h"

namespace {

constexpr int sequence_tick_msec = 56;  // the service console's step, as in the console
constexpr int reset_settle_msec = 250;
// After a firmware download the unit restarts; the console waits this long
// before it closes the download, so that the next command finds it running.
constexpr int firmware_reboot_msec = 10000;

// Ctrl-C or a TERM during a transfer: it stops between two of its steps, so
// that the line and the device are left as the console's Cancel leaves them.
volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
  interrupted = 1;
}

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

struct TransferArguments {
  LinkOptions link;
  std::string address;
  std::string file;
  bool reboot = false;      // send-all over TCP: restart the unit after the upload
  long upload_port = 2003;  // send-all over TCP
};

std::string DeviceName(int address) {
  return "device '" + AddressText(address) + "' on " + LinkName(address);
}

bool Readable(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && std::ifstream(path, std::ios::binary);
}

bool ReadAddress(const std::string& text, int* address) {
  if (ParseAddress(text, address)) return true;
  Report("not a poll address: '" + text +
         "' (one character, or two hexadecimal digits from 00 to FF)");
  return false;
}

// Reads the address, checks a file to be sent, opens the link and attaches
// the device; exit_done, or the code to end with after the message.
int Begin(const TransferArguments& arguments, bool sends_file, int* address) {
  if (!ReadAddress(arguments.address, address)) return exit_usage;
  if (sends_file && !Readable(arguments.file)) {
    Report("cannot read '" + arguments.file + "': nothing was sent");
    return exit_usage;
  }
  std::string error;
  if (!OpenLink(arguments.link, &error)) {
    Report(error);
    return exit_link;
  }
  // The transfers speak to amplifiers.
  if (!AttachDevice(*address, twta_device, &error)) {
    Report(error);
    CloseLink();
    return exit_link;
  }
  // The transfer owns the line: no poll may come between its frames.
  polling_enabled = 0;
  return exit_done;
}

class stderr_cfg_report : public cfg_exchange_report {
 public:
  explicit stderr_cfg_report(int address) : address_(address) {}
  void Sending(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }
  void Failed(const std::string& text, bool by_device) override {
    Report(by_device ? DeviceName(address_) + ": " + text : text);
    code_ = by_device ? exit_device : exit_usage;
  }
  int Code() const { return code_; }

 private:
  int address_;
  int code_ = exit_done;
};

int GetConfig(const TransferArguments& arguments) {
  int address = 0;
  if (const int code = Begin(arguments, false, &address); code != exit_done) return code;
  stderr_cfg_report report(address);
  FetchModelCfg(arguments.file.c_str(), address, report);
  CloseLink();
  if (report.Code() == exit_done)
    std::printf("Configuration saved in %s.\n", arguments.file.c_str());
  return report.Code();
}

int SendConfig(const TransferArguments& arguments) {
  int address = 0;
  if (const int code = Begin(arguments, true, &address); code != exit_done) return code;
  stderr_cfg_report report(address);
  PushModelCfg(arguments.file.c_str(), address, report);
  CloseLink();
  if (report.Code() == exit_done) std::printf("Configuration Sent\n");
  return report.Code();
}

// Progress as lines on stderr: every status, and the percentage at each
// step of 5 %.
class stderr_firmware_report : public firmware_report {
 public:
  explicit stderr_firmware_report(int address) : address_(address) {}
  void Status(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void Progress(long chunk, std::uint32_t chunks) override {
    const int steps = ProgressSteps(chunk, chunks);
    if (steps == shown_steps_ && chunk + 1 < static_cast<long>(chunks)) return;
    shown_steps_ = steps;
    std::fprintf(stderr, "%s (%ld of %lu chunks)\n", PercentText(chunk, chunks).c_str(), chunk + 1,
                 static_cast<unsigned long>(chunks));
  }
  void Aborted(const std::string& text) override {
    Report(DeviceName(address_) + ": Transfer Aborted. " + text);
  }
  void RestoreFailed(const std::string& problem) override {
    Report(DeviceName(address_) + ": " + problem);
  }

 private:
  int address_;
  int shown_steps_ = -1;
};

int Firmware(const TransferArguments& arguments) {
  int address = 0;
  if (!ReadAddress(arguments.address, &address)) return exit_usage;
  stderr_firmware_report report(address);
  firmware_download download(report);
  std::string error;
  if (!download.Open(arguments.file.c_str(), &error)) {
    Report(error);
    return exit_usage;
  }
  if (const int code = Begin(arguments, true, &address); code != exit_done) return code;
  CatchInterrupts();
  bool done = download.Start(address);
  if (done) {
    while (download.ChunksLeft() && !interrupted) {
      if (download.SendChunk() == firmware_download::chunk_result::failed) break;
    }
    if (interrupted && download.ChunksLeft()) {
      Report("The download was cancelled after " + std::to_string(download.CurrentChunk()) +
             " of " + std::to_string(download.Chunks()) + " chunks: " + DeviceName(address) +
             " has not received the whole firmware.");
      download.Abandon(address);
    }
    done = !download.ChunksLeft() && download.Finish();
    if (done) Loop().Run([] { return interrupted != 0; }, firmware_reboot_msec);
  } else {
    Report(DeviceName(address) + " did not take the start of the download");
  }
  download.Close();
  CloseLink();
  return done ? exit_done : exit_device;
}

// The service console sequence on the plain loop: its tick, and the serial
// port watched while a step is taking bytes.
class loop_sequence_host : public sequence_host {
 public:
  explicit loop_sequence_host(std::string local_file) : local_file_(std::move(local_file)) {}
  ~loop_sequence_host() override { StopDrivers(); }

  void StartDrivers() override {
    if (timer_ < 0) timer_ = Loop().AddTimer(sequence_tick_msec, [this] { OnTick(); });
    if (watch_ < 0 && SerialPortIsOpen()) {
      watch_ = Loop().WatchFd(serial_device, true, false, [this](bool, bool) { OnReadable(); });
    }
  }
  void StopDrivers() {
    if (timer_ >= 0) Loop().RemoveTimer(timer_);
    if (watch_ >= 0) Loop().Unwatch(watch_);
    timer_ = watch_ = -1;
  }
  std::string StatusText() override { return status_; }
  void ShowStatus(const std::string& text) override {
    if (text == status_) return;
    status_ = text;
    if (!text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
  }
  void Ended(bool completed) override {
    ended_ = true;
    completed_ = completed;
  }
  std::string LocalFile() override { return local_file_; }
  void Problem(sequence_problem, const std::string& text) override { Report(text); }

  bool HasEnded() const { return ended_; }
  bool Completed() const { return completed_; }

 private:
  // Bytes the step did not take wait for the next tick, which watches again:
  // the loop must not wake for them over and over.
  void OnReadable() {
    const std::int32_t count_before = protocol_state[0].receive_count;
    const transfer_sequence_enum step_before = transfer_step;
    ModelCfgXmodemSequence();
    const bool took = protocol_state[0].receive_count != count_before ||
                      transfer_step != step_before || !SerialWaitReadable(0);
    if (watch_ >= 0) Loop().UpdateFd(watch_, took, false);
  }
  void OnTick() {
    ModelCfgXmodemSequence();
    if (watch_ >= 0) Loop().UpdateFd(watch_, true, false);
  }

  std::string local_file_;
  std::string status_;
  int timer_ = -1;
  int watch_ = -1;
  bool ended_ = false;
  bool completed_ = false;
};

int SendAllSerial(int address, const std::string& file) {
  loop_sequence_host host(std::filesystem::absolute(file).string());
  UseSequenceHost(&host);
  transfer_device = address;
  transfer_getfile = 0;
  transfer_step = ts_unstarted;
  CatchInterrupts();
  InitModelCfgXmodemSequence();
  // Interrupted, a sequence in progress simply stops, as when its dialog closes.
  if (!host.HasEnded()) Loop().Run([&host] { return host.HasEnded() || interrupted; });
  host.StopDrivers();
  if (transfer_step >= ts_whysquiggle && transfer_step <= ts_sending) {
    AbortModelCfgXmodemSequence();
    // The reset must leave at the console's rate, before the line changes back.
    platform::DrainPort(serial_device);
    Loop().Run(nullptr, reset_settle_msec);
  }
  UseSequenceHost(nullptr);
  if (target_file) {
    std::fclose(target_file);
    target_file = nullptr;
  }
  // The line goes back to the link's own settings.
  InitSerial();
  if (host.Completed()) return exit_done;
  Report(DeviceName(address) +
         (interrupted ? ": the service console transfer was interrupted: "
                      : ": the service console transfer failed: ") +
         host.StatusText());
  return exit_device;
}

int SendAllEthernet(int address, const TransferArguments& arguments) {
  std::ifstream file(arguments.file, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) {
    Report("cannot read '" + arguments.file + "': nothing was sent");
    return exit_usage;
  }
  // The upload has a connection of its own, to the device's host: frames
  // never go into its stream.
  std::string host;
  std::uint16_t command_port = 0;
  DeviceEndpoint(address, &host, &command_port);
  const std::string where =
      EndpointText(host.c_str(), arguments.upload_port) + " (" + DeviceName(address) + ")";
  CloseDeviceSocket(address);
  std::string error;
  if (!ConnectDeviceSocket(address, host.c_str(), static_cast<std::uint16_t>(arguments.upload_port),
                           &error)) {
    Report(error + " Nothing was sent.");
    return exit_device;
  }
  if (const std::string failure = SendUpload(address, content, where); !failure.empty()) {
    Report(failure);
    return exit_device;
  }
  std::fprintf(stderr, "Model.cfg sent.\n");
  if (!arguments.reboot) return exit_done;
  if (!AttachDevice(address, twta_device, &error)) {
    Report(error + " The unit was not rebooted.");
    return exit_device;
  }
  if (!DoCommand(address, "~", 0, 500, 4)) {
    Report(DeviceName(address) + " did not answer the restart (\"~\")");
    return exit_device;
  }
  std::fprintf(stderr, "Rebooting unit\n");
  return exit_done;
}

int SendAll(const TransferArguments& arguments) {
  int address = 0;
  if (const int code = Begin(arguments, true, &address); code != exit_done) return code;
  const int code =
      use_ethernet ? SendAllEthernet(address, arguments) : SendAllSerial(address, arguments.file);
  CloseLink();
  return code;
}

CLI::App* AddTransfer(CLI::App& app, const char* name, const char* description,
                      const char* file_text, TransferArguments* arguments) {
  CLI::App* command = app.add_subcommand(name, description);
  command
      ->add_option("ADDR", arguments->address,
                   "poll address: one character (A) or two hexadecimal digits (41)")
      ->required();
  command->add_option("FILE", arguments->file, file_text)->required();
  AddLinkOptions(command, &arguments->link);
  return command;
}

}  // namespace

void AddTransferCommands(CLI::App& app, int* exit_code) {
  static TransferArguments get_config, send_config, send_all, firmware;
  AddTransfer(app, "get-config", "fetch the device's configuration file (\"Y0\") into FILE",
              "where to save it", &get_config)
      ->callback([exit_code] { *exit_code = GetConfig(get_config); });
  AddTransfer(app, "send-config",
              "send FILE's configuration lines to the device, one \"Y1\" frame each",
              "the configuration file to send", &send_config)
      ->callback([exit_code] { *exit_code = SendConfig(send_config); });
  CLI::App* all = AddTransfer(
      app, "send-all",
      "replace the device's whole Model.cfg with FILE: through its service console over "
      "serial, or by upload over TCP",
      "the file to send as Model.cfg", &send_all);
  all->add_flag("--reboot", send_all.reboot, "over TCP: restart the unit after the upload");
  all->add_option("--upload-port", send_all.upload_port,
                  "over TCP: the device's upload port (2003)")
      ->check(CLI::Range(1, 65535));
  all->callback([exit_code] { *exit_code = SendAll(send_all); });
  AddTransfer(app, "firmware", "download the firmware in FILE to the device; progress on stderr",
              "the firmware image", &firmware)
      ->callback([exit_code] { *exit_code = Firmware(firmware); });
}
