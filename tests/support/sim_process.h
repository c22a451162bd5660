// Runs corvane-sim as a separate process for a test: its bus link and control socket live in
// a fresh temporary directory, removed when it stops.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// One frame the simulator received on the bus, with the line's settings at that moment.
struct TraceEntry {
  long ms;  // CLOCK_MONOTONIC, as std::chrono::steady_clock in this process
  int address;
  std::string body;
  long speed;  // 0 when the line runs at no standard rate
  int stop_bits;
  unsigned cflag;  // the line's raw c_cflag
};

// An amplifier's firmware loader, as "Y2", "Y3" and "Y4" left it.
struct FirmwareState {
  long announced = -1;      // size from "Y2", -1 none
  long chunks = 0;          // distinct chunks stored
  long repeats = 0;         // chunks received again
  long mismatches = 0;      // chunks received again with other bytes than before
  std::vector<long> gaps;   // chunk numbers missing below the highest
  std::string hash;         // FirmwareHash of the image cut to the announced size
  bool finished = false;    // "Y4" with the right count came
  long finish_count = -1;   // the count "Y4" carried
  std::vector<long> rates;  // the line speed each firmware and "X" command came at, in order
                            // (0 over TCP)
};

// The hash the simulator reports for a firmware image: FNV-1a 64, 16 lowercase hex digits.
std::string FirmwareHash(std::string_view bytes);

class SimProcess {
 public:
  SimProcess();
  ~SimProcess();  // destructor stops it
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // starts corvane-sim with args, adding --link <tmpdir>/bus and
  // --control <tmpdir>/control itself; waits for "ready" (timeout 10 s)
  bool Start(const std::vector<std::string>& args, std::string* error = nullptr);
  const std::string& LinkPath() const;
  // The network side, with --tcp and friends: the TCP port every device listens on (0
  // without), a device's IPv4 address by poll address ("" when it has none), and where
  // discovery requests are answered ("" without --discovery).
  int TcpPort() const { return tcp_port_; }
  std::string DeviceAddress(std::uint8_t poll_address) const;
  const std::string& DiscoveryAddress() const { return discovery_address_; }
  int DiscoveryPort() const;
  // The port every device takes file uploads on, at its own address (0 without a network).
  int UploadPort() const { return upload_port_; }
  // The upload port of the device at a poll address: its state ("127.0.0.10:2003 normal
  // waiting uploads=1 last=complete header=2002,32: name=Model.cfg count=32
  // trailer=\x0D\x0A", count being the bytes after the header,
  // last being none, header, receiving, complete, short, bad-header, no-name or unwanted),
  // the file of its last upload, and how it behaves: "normal", "refuse", "mute" (accepts and
  // never reads), "slow N" (N bytes per 100 ms) or "close".
  std::optional<std::string> UploadState(std::uint8_t address);
  std::optional<std::string> UploadedFile(std::uint8_t address);
  bool SetUpload(std::uint8_t address, const std::string& mode);
  // How often the device restarted ("~", or "Reset" in its service console); -1 when it
  // cannot say.
  int Restarts(std::uint8_t address);
  std::string Control(const std::string& command);  // one line answer

  // An amplifier's Model.cfg, byte for byte: the file as it stands, replaced whole, and the
  // text the next "Y0" answer carries (between the kind letter and the closing zero; it
  // differs from the file under a "Y0" fault). Nothing, or false, when the simulator
  // refuses or has no amplifier there.
  std::optional<std::string> ModelCfg(std::uint8_t address);
  bool SetModelCfg(std::uint8_t address, const std::string& bytes);
  std::optional<std::string> Y0Text(std::uint8_t address);
  // How many "Y0" commands the amplifier answered or met a fault on; -1 when it cannot say.
  int Y0Count(std::uint8_t address);
  // Every "Y1" command body the amplifier received, oldest first, "Y1" included.
  std::optional<std::vector<std::string>> Y1Bodies(std::uint8_t address);
  // From the from-th "Y1" after this call on (1 = the next one), the amplifier stays silent
  // or answers NAK, and stores nothing; none answers and stores again.
  enum class Y1Fault { none, silent, nak };
  bool SetY1Fault(std::uint8_t address, Y1Fault fault, int from = 1);
  // The "Y0" answer: whole (none), a frame under six bytes, a frame over 3000 bytes, or the
  // file followed by a line of NULs and bytes 0x80 to 0xFF.
  enum class Y0Fault { none, short_reply, oversize, binary };
  bool SetY0Fault(std::uint8_t address, Y0Fault fault);

  // The service console an amplifier opens on "Y~": its state ("off", or "prompt C:",
  // "sending", "receiving D:MODEL.CFG", each followed by " line=9600 8N1" as the console
  // last set the line when it typed, and " garbled=N", the bytes typed at another setting),
  // every command line received byte for byte (ESC and CR LF included), and the events of
  // the last transfer ("send:C:MODEL.CFG start:NAK block:1 ack:1 ... eot ack:eot").
  std::optional<std::string> ConsoleState(std::uint8_t address);
  // The bus line as the console holds it now, e.g. "9600 8N1" (a pseudo-terminal always
  // reports 8 bits without parity); empty when the simulator does not answer.
  std::string LineFormat();
  // "rtscts" while the console holds the line with RTS/CTS handshaking, else "none".
  std::string LineHandshake();
  std::optional<std::vector<std::string>> ConsoleLines(std::uint8_t address);
  std::optional<std::string> TransferLog(std::uint8_t address);
  // Faults of the amplifier's transfers, blocks counted from 1: "off" or any of
  // drop_ack=K repeat=K damaged_repeat=K corrupt=K noise=K cancel=K nak_eot failed.
  bool SetTransferFaults(std::uint8_t address, const std::string& faults);
  // How the amplifier's receiver asks for a file: 'C' or NAK (0x15), the wait before the
  // first start byte, between repeats, and how many it sends before it gives up.
  bool SetReceiverStart(std::uint8_t address, char byte, int delay_ms, int repeat_ms, int tries);
  // The files "Dir" lists on drive 'C' or 'D' (names separated by blanks; "none": no such
  // drive). C: always holds MODEL.CFG, the amplifier's live file.
  bool SetDrive(std::uint8_t address, char drive, const std::string& names);
  // The last file the amplifier received by XMODEM, its padding stripped.
  std::optional<std::string> ReceivedFile(std::uint8_t address);

  // A device's serial line settings, every item written out
  // ("19200:N82,port=1,other=9600:N81,mode=2,term=T", then ",any", ",at_once", ",refuse",
  // ",noise" when they hold), and replaced as for --serial
  // ("19200:N82,port=2,other=9600:N81,mode=4,term=U,at_once"; items left out take their
  // defaults, and without RATE:PDS first the device answers at any settings).
  std::optional<std::string> DeviceLine(std::uint8_t address);
  bool SetDeviceLine(std::uint8_t address, const std::string& spec);
  // Answers go out at line speed (as --pace), or as fast as the line takes them.
  bool SetPace(bool on);
  // Every frame received on the bus since the start or the last ClearTrace, oldest first
  // (the newest 10000).
  std::optional<std::vector<TraceEntry>> Trace();
  bool ClearTrace();
  // An amplifier's firmware loader; nothing when the simulator refuses or has no amplifier
  // there. A new "Y2" starts a new image; the speeds of the commands are kept throughout.
  std::optional<FirmwareState> Firmware(std::uint8_t address);
  // "off" or any of: silent_chunk=K:TRIES (no answer to chunk K for its next TRIES
  // receptions, though it is stored), refuse_y2, lose_speed_answer (the answer to the next
  // port set is lost while the device switches anyway). Replaces the faults set before.
  bool SetFirmwareFaults(std::uint8_t address, const std::string& faults);
  pid_t Pid() const { return pid_; }
  void Stop();
  bool Running();

 private:
  bool WaitReady(std::string* error);
  bool ReadNetwork(std::string* error);
  std::optional<std::string> Field(std::uint8_t address, const std::string& field);
  // A field of "COUNT WORD..." with every word escaped.
  std::optional<std::vector<std::string>> Words(std::uint8_t address, const std::string& field);

  pid_t pid_ = -1;
  int output_ = -1;  // the simulator's stdout
  std::string directory_;
  std::string link_path_;
  std::string control_path_;
  int tcp_port_ = 0;
  int upload_port_ = 0;
  std::string discovery_address_;
  std::map<std::uint8_t, std::string> device_addresses_;
};

}  // namespace test_support
