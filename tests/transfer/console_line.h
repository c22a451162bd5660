// A pseudo-terminal standing in for the amplifier's serial line: the console
// opens its far end by name, the test reads and writes this end.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "ui/scripted_operator.h"

class ConsoleLine {
 public:
  ConsoleLine() {
    ResetSettings();
    ResetLinkSettings();
    char name[256] = {};
    openpty(&master_, &slave_, name, nullptr, nullptr);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    std::snprintf(serial_port, sizeof serial_port, "%s", name);
    // The console's own format differs from the service console's 9600 8N1
    // (a pseudo-terminal holds only rate and stop bits).
    serial_baud = 19200;
    serial_stop = two_stop_bits;
    std::memset(protocol_state, 0, sizeof protocol_state);
    polling_enabled = 1;
    opened_ = InitSerial() == 1;
  }
  ~ConsoleLine() {
    if (ui::IsLive(transfer_dialog)) ui::Destroy(transfer_dialog);
    CloseSerial();
    close(slave_);
    close(master_);
    ResetSettings();
    ResetLinkSettings();
  }
  bool Opened() const { return opened_; }
  void Feed(const std::string& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t count = write(master_, bytes.data() + done, bytes.size() - done);
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
  }
  // Everything the console has written so far.
  const std::string& Sent() {
    char bytes[4096];
    ssize_t count;
    while ((count = read(master_, bytes, sizeof bytes)) > 0) sent_.append(bytes, count);
    return sent_;
  }
  bool SentHas(const std::string& text) { return Sent().find(text) != std::string::npos; }
  // Runs the console until done, at most timeout_ms.
  bool Until(const std::function<bool()>& done, int timeout_ms) {
    return ui::ScriptedOperator::RunUntil(done, timeout_ms);
  }
  bool UntilSent(const std::string& text, int timeout_ms = 3000) {
    return Until([&] { return SentHas(text); }, timeout_ms);
  }
  // The console's line format as the port is set now.
  termios Format() const {
    termios line{};
    tcgetattr(serial_device, &line);
    return line;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  bool opened_ = false;
  std::string sent_;
};

inline bool IsOwnFormat(const termios& line) {
  return cfgetospeed(&line) == B19200 && (line.c_cflag & CSTOPB);
}

inline bool Is9600N81(const termios& line) {
  return cfgetospeed(&line) == B9600 && !(line.c_cflag & CSTOPB);
}
