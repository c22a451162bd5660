// One line to the console: bytes in through a transport, command frames decoded, each handed
// to the device it is addressed to, the answers queued and written back in order.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "sim/clock.h"
#include "sim/device.h"
#include "sim/fault_injector.h"
#include "sim/frame_codec.h"
#include "sim/frame_trace.h"
#include "sim/line_commands.h"
#include "sim/transport.h"

namespace sim {

using Devices = std::map<std::uint8_t, std::unique_ptr<Device>>;

struct LinkCounts {
  long frames = 0;       // intact command frames
  long unaddressed = 0;  // frames for an address where no device is
  long answered = 0;     // answers queued
  long dropped = 0;      // answers lost to fault injection or a full queue
};

class Link {
 public:
  Link(Transport& transport, std::unique_ptr<FrameCodec> codec, Devices& devices,
       FaultInjector& faults);
  // A line to one device alone, as a network connection is: it answers every frame, under
  // the address the frame was sent to.
  Link(Transport& transport, std::unique_ptr<FrameCodec> codec, Device& device,
       FaultInjector& faults);
  // Reads what has arrived and answers it; idle when no one is on the line.
  Transport::ReadResult Receive(Clock::time_point now);
  // Writes the answers that are due, as far as the line takes them.
  void Send(Clock::time_point now);
  // When the first queued answer falls due; nothing when the queue is empty.
  std::optional<Clock::time_point> NextDue() const;
  const LinkCounts& Counts() const { return counts_; }
  // Every frame received on a line with settings (the bus), and those settings.
  FrameTrace& Trace() { return trace_; }
  // Answers go out at the line's speed, one byte per 10 bit times (on a line with settings).
  void SetPace(bool on) { pace_ = on; }
  bool Paced() const { return pace_; }

 private:
  struct Outgoing {
    Clock::time_point due;  // of the next byte while paced
    std::string bytes;
    // Made once the last byte has gone out.
    Device* device = nullptr;
    std::optional<LineChange> change;
    bool started = false;  // paced: the first byte's time has been counted
  };

  void Answer(const Command& command, const std::optional<LineState>& line, Clock::time_point now);
  // Whether `device` may move to `address`: nobody else is there, and this line can move it.
  bool CanMove(const Device& device, std::uint8_t address) const;
  void Apply(Device& device, const LineChange& change);
  void Queue(Outgoing outgoing);
  // Writes the front answer as far as its time and the line allow; true when it is done.
  bool SendFront(Outgoing& front, Clock::time_point now);

  Transport& transport_;
  std::unique_ptr<FrameCodec> codec_;
  Devices* devices_ = nullptr;
  Device* sole_device_ = nullptr;
  FaultInjector& faults_;
  std::deque<Outgoing> queue_;
  std::size_t queued_bytes_ = 0;
  LinkCounts counts_;
  FrameTrace trace_;
  bool pace_ = false;
  std::minstd_rand noise_random_{1};  // apart from the fault sequence
};

}  // namespace sim
