// The serial bus as a pseudo-terminal: the console opens the published slave side like a
// serial port; the simulator reads and writes the master.
#pragma once

#include <string>

#include "sim/transport.h"

namespace sim {

class PtyBus : public Transport {
 public:
  PtyBus() = default;
  PtyBus(const PtyBus&) = delete;
  PtyBus& operator=(const PtyBus&) = delete;
  ~PtyBus() override;
  // Opens the pair, makes the line raw once and publishes the slave as a symlink at
  // link_path (replacing what is there), or under its own name when link_path is empty.
  // An error text, empty on success.
  std::string Open(const std::string& link_path);
  // Where the console opens the line.
  const std::string& Path() const { return path_; }
  // The speed and stop bits as the console set them, e.g. "9600 1".
  std::string LineSettings() const;
  // Speed, data bits, parity and stop bits as the console set them, e.g. "9600 8N1". A
  // pseudo-terminal always keeps 8 bits without parity whatever the console asks.
  std::string LineFormat() const;
  // "rtscts" when the console asked for RTS/CTS handshaking, else "none".
  std::string Handshake() const;

  std::optional<LineState> Line() const override;

  int Fd() const override { return master_; }
  ReadResult Read(std::string* bytes) override;
  std::size_t Write(std::string_view bytes) override;

 private:
  int master_ = -1;
  // Held open for the whole run: the line keeps the console's settings when it closes the
  // port, and the master never sees a hang-up.
  int slave_ = -1;
  std::string link_path_;
  std::string path_;
};

}  // namespace sim
