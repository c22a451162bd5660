#include "sim/link.h"

#include <vector>

namespace sim {

namespace {

// A console that stopped reading must not make the simulator grow without end.
constexpr std::size_t max_queued_bytes = 64 * 1024;

}  // namespace

Link::Link(Transport& transport, std::unique_ptr<FrameCodec> codec, Devices& devices,
           FaultInjector& faults)
    : transport_(transport), codec_(std::move(codec)), devices_(&devices), faults_(faults) {}

Link::Link(Transport& transport, std::unique_ptr<FrameCodec> codec, Device& device,
           FaultInjector& faults)
    : transport_(transport), codec_(std::move(codec)), sole_device_(&device), faults_(faults) {}

Transport::ReadResult Link::Receive(Clock::time_point now) {
  std::string bytes;
  const Transport::ReadResult result = transport_.Read(&bytes);
  std::vector<Command> commands;
  codec_->Feed(bytes, &commands);
  for (const Command& command : commands) Answer(command, now);
  return result;
}

void Link::Answer(const Command& command, Clock::time_point now) {
  ++counts_.frames;
  Device* device = sole_device_;
  if (device == nullptr) {
    const auto found = devices_->find(command.address);
    if (found == devices_->end()) {
      ++counts_.unaddressed;
      return;
    }
    device = found->second.get();
  }
  const std::size_t room = codec_->BodyRoom(false);
  std::optional<sim::Answer> answer = device->Execute(command.body, room, now);
  if (!answer) return;
  // An answer longer than the console can take is refused rather than cut.
  if (answer->body.size() > codec_->BodyRoom(answer->frame_positioned) && !answer->overflow)
    answer->refused = true;
  const AnswerFate fate = faults_.Decide();
  if (fate.nak) answer->refused = true;
  std::string bytes = fate.garbage + codec_->Encode(command.address, *answer, fate.bad_checksum);
  if (fate.drop || queued_bytes_ + bytes.size() > max_queued_bytes) {
    ++counts_.dropped;
    return;
  }
  ++counts_.answered;
  queued_bytes_ += bytes.size();
  queue_.push_back({After(now, fate.delay_ms), std::move(bytes)});
}

void Link::Send(Clock::time_point now) {
  // In order: a late answer holds back the ones behind it, as a busy device would.
  while (!queue_.empty() && queue_.front().due <= now) {
    std::string& bytes = queue_.front().bytes;
    const std::size_t written = transport_.Write(bytes);
    queued_bytes_ -= written;
    if (written < bytes.size()) {
      bytes.erase(0, written);
      return;
    }
    queue_.pop_front();
  }
}

std::optional<Clock::time_point> Link::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

}  // namespace sim
