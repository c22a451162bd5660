#include "sim/device.h"

#include "sim/text_format.h"

namespace sim {

namespace {

constexpr int run_period_ms = 250;

}  // namespace

Device::Device(const DeviceTiming& timing, unsigned seed) : timing_(timing), random_(seed) {}

std::optional<Answer> Device::Execute(const std::string& body, std::size_t body_room, long speed,
                                      Clock::time_point now) {
  ++commands_;
  last_command_ = body;
  command_speed_ = speed;
  if (silent_ || restart_done_ || Console() != nullptr) return std::nullopt;
  if (body == "~") {
    // The answer goes out before the firmware goes down.
    Restart(now);
    return Reply("~");
  }
  if (IsLineCommand(body)) {
    LineReply reply = RunLineCommand(line_, address_, body);
    const bool port_set = reply.change && !reply.change->address;
    const bool lost = LineCommandCame(port_set);
    if (reply.change && (reply.change->at_once || lost)) {
      ApplyLine(*reply.change);
    } else {
      line_change_ = std::move(reply.change);
    }
    if (reply.answer.silent || lost) return std::nullopt;
    return reply.answer;
  }
  Answer answer = Handle(body, body_room, now);
  if (answer.silent) return std::nullopt;
  return answer;
}

std::optional<LineChange> Device::TakeLineChange() {
  std::optional<LineChange> change;
  change.swap(line_change_);
  return change;
}

void Device::ApplyLine(const LineChange& change) {
  line_ = change.line;
  if (change.address) address_ = *change.address;
}

void Device::Restart(Clock::time_point now) {
  ++restarts_;
  restart_done_ = After(now, timing_.reboot_ms);
}

void Device::Advance(Clock::time_point now) {
  if (restart_done_ && now >= *restart_done_) {
    restart_done_.reset();
    last_run_ = now;
    Boot(now);
  }
  if (!last_run_) last_run_ = now;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - *last_run_);
  if (elapsed.count() >= run_period_ms) {
    last_run_ = now;
    Run(static_cast<int>(elapsed.count()), now);
  }
}

std::string Device::Set(std::string_view field, std::string_view value, Clock::time_point) {
  if (field == "silent") {
    return ParseSwitch(value, &silent_) ? "" : "silent takes on or off";
  }
  return "unknown field " + std::string(field);
}

bool Device::Get(std::string_view field, Clock::time_point, std::string* value) const {
  if (field == "silent") {
    *value = silent_ ? "on" : "off";
  } else if (field == "commands") {
    *value = std::to_string(commands_);
  } else if (field == "last") {
    *value = Escaped(last_command_);
  } else if (field == "restarts") {
    *value = std::to_string(restarts_);
  } else if (field == "restarting") {
    *value = restart_done_ ? "on" : "off";
  } else {
    return false;
  }
  return true;
}

}  // namespace sim
