#include "sim/link.h"

#include <vector>

namespace sim {

namespace {

// A console that stopped reading must not make the simulator grow without end.
constexpr std::size_t max_queued_bytes = 64 * 1024;

// How long one byte of 10 bits takes at `speed`.
Clock::duration ByteTime(long speed) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(10'000'000) / speed);
}

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
  // The frames just read were sent at the settings the line has now.
  const std::optional<LineState> line = commands.empty() ? std::nullopt : transport_.Line();
  for (const Command& command : commands) {
    if (line) trace_.Add(now, command.address, command.body, *line);
    Answer(command, line, now);
  }
  return result;
}

void Link::Answer(const Command& command, const std::optional<LineState>& line,
                  Clock::time_point now) {
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
  if (line && !device->Hears(*line)) {
    // At another rate a device hears garbage; it answers nothing, or sends garbage back.
    if (!device->Line().noise) return;
    std::uniform_int_distribution<int> count(2, 5), value(0x20, 0xFF);
    const auto size = static_cast<std::size_t>(count(noise_random_));
    std::string noise;
    while (noise.size() < size) {
      const char byte = static_cast<char>(value(noise_random_));
      if (!IsFramingByte(byte)) noise.push_back(byte);
    }
    Queue({now, std::move(noise), nullptr, std::nullopt});
    return;
  }
  const std::size_t room = codec_->BodyRoom(false);
  std::optional<sim::Answer> answer =
      device->Execute(command.body, room, line ? line->speed : 0, now);
  std::optional<LineChange> change = device->TakeLineChange();
  if (change && change->address && !CanMove(*device, *change->address)) {
    change.reset();
    if (answer) answer->refused = true;
  }
  if (!answer) return;
  // An answer longer than the console can take is refused rather than cut.
  if (answer->body.size() > codec_->BodyRoom(answer->frame_positioned) && !answer->overflow)
    answer->refused = true;
  const AnswerFate fate = faults_.Decide();
  if (fate.nak) {
    answer->refused = true;
    change.reset();
  }
  std::string bytes = fate.garbage + codec_->Encode(command.address, *answer, fate.bad_checksum);
  if (fate.drop || queued_bytes_ + bytes.size() > max_queued_bytes) {
    ++counts_.dropped;
    // The device took the command; only its answer was lost.
    if (change) Apply(*device, *change);
    return;
  }
  ++counts_.answered;
  Queue({After(now, fate.delay_ms), std::move(bytes), device, std::move(change)});
}

bool Link::CanMove(const Device& device, std::uint8_t address) const {
  if (address == device.Address()) return true;
  // A network connection reaches one device by its IP address; its poll address is the bus's.
  return devices_ != nullptr && devices_->find(address) == devices_->end();
}

void Link::Apply(Device& device, LineChange change) {
  const std::uint8_t from = device.Address();
  // Another device may have moved there since this one answered.
  if (change.address && !CanMove(device, *change.address)) change.address.reset();
  device.ApplyLine(change);
  if (devices_ == nullptr || device.Address() == from) return;
  auto node = devices_->extract(from);
  node.key() = device.Address();
  devices_->insert(std::move(node));
}

void Link::Queue(Outgoing outgoing) {
  queued_bytes_ += outgoing.bytes.size();
  queue_.push_back(std::move(outgoing));
}

bool Link::SendFront(Outgoing& front, Clock::time_point now) {
  for (;;) {
    const std::optional<LineState> line = pace_ ? transport_.Line() : std::nullopt;
    if (!line || line->speed <= 0) {
      const std::size_t written = transport_.Write(front.bytes);
      queued_bytes_ -= written;
      front.bytes.erase(0, written);
      return front.bytes.empty();
    }
    // Each byte leaves once its 10 bit times at the line's present speed have passed.
    if (front.started) {
      if (transport_.Write(std::string_view(front.bytes).substr(0, 1)) != 1) return false;
      --queued_bytes_;
      front.bytes.erase(0, 1);
      if (front.bytes.empty()) return true;
    }
    front.started = true;
    front.due += ByteTime(line->speed);
    if (front.due > now) return false;
  }
}

void Link::Send(Clock::time_point now) {
  // In order: a late answer holds back the ones behind it, as a busy device would.
  while (!queue_.empty() && queue_.front().due <= now) {
    Outgoing& front = queue_.front();
    if (!SendFront(front, now)) return;
    if (front.change) Apply(*front.device, *front.change);
    queue_.pop_front();
  }
}

std::optional<Clock::time_point> Link::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return queue_.front().due;
}

}  // namespace sim
