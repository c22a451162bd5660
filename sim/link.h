// One line to the console: bytes in through a transport, command frames decoded, each handed
// to the device it is addressed to, the answers queued and written back in order.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "sim/clock.h"
#include "sim/device.h"
#include "sim/fault_injector.h"
#include "sim/frame_codec.h"
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

 private:
  void Answer(const Command& command, Clock::time_point now);

  struct Outgoing {
    Clock::time_point due;
    std::string bytes;
  };
  Transport& transport_;
  std::unique_ptr<FrameCodec> codec_;
  Devices* devices_ = nullptr;
  Device* sole_device_ = nullptr;
  FaultInjector& faults_;
  std::deque<Outgoing> queue_;
  std::size_t queued_bytes_ = 0;
  LinkCounts counts_;
};

}  // namespace sim
