// The amplifier's service console: after "Y~" the serial line carries a DOS-like text console
// at 9600 8N1 instead of command frames. It echoes what is typed, drops a line on ESC, and
// knows "Dir", drive changes, "transfer /s" and "/r" (XMODEM) and "Reset". Every command line
// is kept byte for byte, and every transfer's events, for the control channel.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/clock.h"
#include "sim/model_cfg.h"
#include "sim/xmodem_peer.h"

namespace sim {

class ServiceConsole {
 public:
  explicit ServiceConsole(const ModelCfg& cfg);
  bool IsOpen() const { return open_; }
  void Open();
  // Bytes from the line with the line's settings as the console set them ("9600 8N1"); at
  // any other setting the bytes are garbled and count for nothing.
  void Feed(std::string_view bytes, const std::string& line, Clock::time_point now);
  void Poll(Clock::time_point now);
  std::optional<Clock::time_point> NextWake() const;
  // What the console writes to the line, taken away.
  std::string TakeOutput();
  // "Reset" was typed: the console is closed and the firmware must restart. Asked once.
  bool TakeReset();
  // A Model.cfg received by "transfer /r", padding stripped, for the next start.
  std::optional<std::string> TakeModelCfg();

  // Control channel fields; nothing when the field is another's.
  std::optional<std::string> Set(std::string_view field, std::string_view value);
  bool Get(std::string_view field, std::string* value) const;

 private:
  using Files = std::map<std::string, std::string>;

  void Type(char byte, Clock::time_point now);
  void Execute(std::string_view line, Clock::time_point now);
  std::string Dir(std::string_view name) const;
  std::string SendFile(std::string_view name, Clock::time_point now);
  std::string ReceiveFile(std::string_view name, Clock::time_point now);
  void Finish();
  void Prompt();
  // The file's bytes on a drive; nothing when there is no such file.
  std::optional<std::string> Find(char drive, const std::string& name) const;
  std::string SetDrive(char drive, std::string_view names);
  std::string StateText() const;

  const ModelCfg& cfg_;
  bool open_ = false;
  bool reset_ = false;
  char drive_ = 'C';
  std::map<char, Files> drives_;
  std::string typed_;  // the line as edited so far
  std::string raw_;    // the line's bytes as received
  bool after_cr_ = false;
  std::deque<std::string> lines_;
  std::string output_;
  std::string line_settings_;
  long garbled_ = 0;

  XmodemFaults faults_;
  XmodemStart start_;
  XmodemLog log_;
  std::unique_ptr<XmodemPeer> peer_;
  bool receiving_ = false;
  char target_drive_ = 'C';
  std::string target_name_;
  std::string received_;
  std::optional<std::string> new_model_cfg_;
};

}  // namespace sim
