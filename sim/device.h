// One device on the bus: its poll address, its command interpreter and the fields that the
// control channel reads and changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "sim/clock.h"
#include "sim/frame_codec.h"
#include "sim/line_commands.h"
#include "sim/line_settings.h"

namespace sim {

class ServiceConsole;

struct DeviceTiming {
  int hour_ms;  // 0: the hour counters stand still
  int reboot_ms;
  int warmup_ms;
  bool steady;  // readings do not drift
};

class Device {
 public:
  Device(const DeviceTiming& timing, unsigned seed);
  virtual ~Device() = default;
  virtual const char* KindName() const = 0;

  // The answer to one command addressed to this device, or nothing while it keeps quiet
  // (silenced, or restarting). body_room is the longest body the family can carry; speed is
  // the line's speed the command came at, 0 off the serial line.
  std::optional<Answer> Execute(const std::string& body, std::size_t body_room, long speed,
                                Clock::time_point now);
  // A change of the serial settings the last command asked for, to be made once its answer
  // has gone out; nothing when it asked for none (or made it at once).
  std::optional<LineChange> TakeLineChange();
  // Makes a change, the address too (the owner of the address map moves the device).
  void ApplyLine(const LineChange& change);
  // The serial settings, and whether the device hears a frame sent at the line's settings.
  DeviceLine& Line() { return line_; }
  const DeviceLine& Line() const { return line_; }
  bool Hears(const LineState& state) const { return sim::Hears(line_, state); }
  // The poll address the device is at; it changes with an address set.
  std::uint8_t Address() const { return address_; }
  void SetAddress(std::uint8_t address) { address_ = address; }

  // Lets time pass: hours, drifting readings, the end of a restart.
  void Advance(Clock::time_point now);
  // The firmware goes down and keeps quiet for the reboot time, then starts again.
  void Restart(Clock::time_point now);
  // The service console while it holds the serial line; null while frames are answered.
  virtual ServiceConsole* Console() { return nullptr; }
  // A file uploaded over the network; false when the device has no use for it.
  virtual bool TakeUpload(std::string_view, std::string_view) { return false; }

  // Control channel fields. Set returns an error text, empty on success; Get false for an
  // unknown field.
  virtual std::string Set(std::string_view field, std::string_view value, Clock::time_point now);
  virtual bool Get(std::string_view field, Clock::time_point now, std::string* value) const;

 protected:
  // A command of this device's kind; a refusal for anything it does not know.
  virtual Answer Handle(std::string_view body, std::size_t body_room, Clock::time_point now) = 0;
  // Called about four times a second; elapsed_ms since the last call.
  virtual void Run(int elapsed_ms, Clock::time_point now) = 0;
  // The firmware starts again after a restart.
  virtual void Boot(Clock::time_point now) = 0;
  // A serial setup command came; true (for a port set only) when its answer is to be lost,
  // the settings being changed all the same.
  virtual bool LineCommandCame(bool /*port_set*/) { return false; }
  // The line's speed the command being executed came at, 0 off the serial line.
  long CommandSpeed() const { return command_speed_; }

  static Answer Refuse() { return Answer{true, false, {}}; }
  static Answer Reply(std::string body) { return Answer{false, false, std::move(body)}; }

  const DeviceTiming timing_;
  std::mt19937 random_;  // for drifting readings, apart from the line faults

 private:
  std::uint8_t address_ = 0;
  DeviceLine line_;
  std::optional<LineChange> line_change_;
  bool silent_ = false;
  std::optional<Clock::time_point> restart_done_;
  std::optional<Clock::time_point> last_run_;
  long commands_ = 0;
  long command_speed_ = 0;
  long restarts_ = 0;
  std::string last_command_;
};

// A table that sends each command to its handler by the text it starts with.
template <typename Kind>
struct Route {
  std::string_view prefix;
  bool exact;  // the whole body, not only its start
  Answer (Kind::*handler)(std::string_view rest, std::size_t body_room, Clock::time_point now);
};

template <typename Kind, std::size_t count>
std::optional<Answer> Dispatch(Kind* device, const Route<Kind> (&routes)[count],
                               std::string_view body, std::size_t body_room,
                               Clock::time_point now) {
  for (const Route<Kind>& route : routes) {
    if (route.exact ? body == route.prefix : body.substr(0, route.prefix.size()) == route.prefix)
      return (device->*route.handler)(body.substr(route.prefix.size()), body_room, now);
  }
  return std::nullopt;
}

}  // namespace sim
