// corvane-relay: a serial line between two ends, paced as a UART paces it. Pseudo-terminals
// pass bytes as fast as they are written; this relay delivers each byte one character time
// after the previous one left, in both directions, and can lose chosen bytes on the way.
//
//   corvane-relay [--rate BPS] [--frame 8N1] [--a PATH] [--b PATH] [--drop RULE]...
//
// An end without a path is a new pseudo-terminal. The relay prints "a PATH", "b PATH" and
// "ready" on stdout, then "dropped DIR INDEX 0xHH" for every byte it loses. --rate 0 passes
// bytes on unpaced. A RULE is "ab" or "ba" (the direction) followed by optional fields:
// ",byte=0xHH" counts only bytes of that value, ",nth=K" drops the K-th counted byte (1 by
// default), ",after=M" counts only after the first M bytes of the direction. Each rule
// drops one byte; give several for more.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Bytes read but not yet delivered; beyond this the relay stops reading, as a full UART
// buffer would, so a writer cannot run far ahead of the line.
constexpr std::size_t lane_capacity = 4096;

struct DropRule {
  std::optional<unsigned char> value;
  long nth = 1;
  long after = 0;
  long counted = 0;
  bool done = false;
};

struct InFlight {
  unsigned char byte;
  Clock::time_point due;
};

// One direction of the line.
struct Lane {
  const char* name;
  int from = -1;
  int to = -1;
  bool from_open = true;
  long passed = 0;  // bytes read from the source so far
  Clock::time_point line_free{};
  std::deque<InFlight> queue;
  std::vector<DropRule> rules;
};

struct Options {
  long rate = 9600;
  int frame_bits = 10;
  std::string a_path;
  std::string b_path;
  std::vector<std::pair<bool, DropRule>> drops;  // first: from b to a
};

bool ParseNumber(std::string_view text, long* value) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *value, base);
  return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "8N1", "7E1", "8N2": start bit, data bits, parity bit if any, stop bits.
bool ParseFrame(std::string_view text, int* bits) {
  if (text.size() != 3 || text[0] < '5' || text[0] > '8' || text[2] < '1' || text[2] > '2')
    return false;
  const char parity = text[1];
  if (parity != 'N' && parity != 'E' && parity != 'O' && parity != 'M' && parity != 'S')
    return false;
  *bits = 1 + (text[0] - '0') + (parity == 'N' ? 0 : 1) + (text[2] - '0');
  return true;
}

bool ParseDrop(std::string_view text, bool* b_to_a, DropRule* rule) {
  const std::string_view direction = text.substr(0, 2);
  if (direction != "ab" && direction != "ba") return false;
  *b_to_a = direction == "ba";
  text.remove_prefix(2);
  while (!text.empty()) {
    if (text[0] != ',') return false;
    text.remove_prefix(1);
    const std::size_t end = std::min(text.find(','), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(end);
    const std::size_t equals = field.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view name = field.substr(0, equals);
    long value = 0;
    if (!ParseNumber(field.substr(equals + 1), &value) || value < 0) return false;
    if (name == "byte" && value <= 0xFF) {
      rule->value = static_cast<unsigned char>(value);
    } else if (name == "nth" && value >= 1) {
      rule->nth = value;
    } else if (name == "after") {
      rule->after = value;
    } else {
      return false;
    }
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int n = 1; n + 1 < argc; n += 2) {
    const std::string_view name = argv[n];
    const std::string_view value = argv[n + 1];
    if (name == "--rate") {
      if (!ParseNumber(value, &options->rate) || options->rate < 0) return false;
    } else if (name == "--frame") {
      if (!ParseFrame(value, &options->frame_bits)) return false;
    } else if (name == "--a") {
      options->a_path = value;
    } else if (name == "--b") {
      options->b_path = value;
    } else if (name == "--drop") {
      std::pair<bool, DropRule> drop;
      if (!ParseDrop(value, &drop.first, &drop.second)) return false;
      options->drops.push_back(drop);
    } else {
      return false;
    }
  }
  return argc % 2 == 1;
}

void Say(const std::string& line) {
  const std::string text = line + "\n";
  if (write(STDOUT_FILENO, text.data(), text.size()) < 0) {
    // Nobody listens any more; the line itself carries on.
  }
}

void MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return;
  cfmakeraw(&settings);
  tcsetattr(fd, TCSANOW, &settings);
}

// An end of the line: an existing device opened, or a new pseudo-terminal whose other side
// the relay holds open too, so that the end stays usable while its user closes and reopens it.
bool OpenEnd(const std::string& path, int* fd, std::string* shown, std::string* error) {
  if (!path.empty()) {
    *fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (*fd < 0) {
      *error = "cannot open " + path + ": " + std::strerror(errno);
      return false;
    }
    MakeRaw(*fd);
    *shown = path;
    return true;
  }
  *fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (*fd < 0 || grantpt(*fd) != 0 || unlockpt(*fd) != 0 || ptsname(*fd) == nullptr) {
    *error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  *shown = ptsname(*fd);
  const int held = open(shown->c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (held < 0) {
    *error = "cannot open " + *shown + ": " + std::strerror(errno);
    return false;
  }
  MakeRaw(held);
  return true;
}

bool Dropped(Lane* lane, unsigned char byte) {
  bool drop = false;
  for (DropRule& rule : lane->rules) {
    if (rule.done || lane->passed <= rule.after) continue;
    if (rule.value && *rule.value != byte) continue;
    if (++rule.counted == rule.nth) {
      rule.done = true;
      drop = true;
    }
  }
  return drop;
}

void Read(Lane* lane, Clock::duration char_time) {
  unsigned char bytes[512];
  const std::size_t room = std::min(sizeof bytes, lane_capacity - lane->queue.size());
  const ssize_t count = read(lane->from, bytes, room);
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (count <= 0) {
    // The other side of that end closed for good.
    lane->from_open = false;
    return;
  }
  const Clock::time_point now = Clock::now();
  for (ssize_t n = 0; n < count; ++n) {
    ++lane->passed;
    if (Dropped(lane, bytes[n])) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", bytes[n]);
      Say(std::string("dropped ") + lane->name + " " + std::to_string(lane->passed) + " " + hex);
      continue;
    }
    lane->line_free = std::max(now, lane->line_free) + char_time;
    lane->queue.push_back({bytes[n], lane->line_free});
  }
}

// Delivers every byte that is due; false when the destination is full. Bytes for an end
// whose other side is gone are lost, as on a cable with nobody at its end.
bool Deliver(Lane* lane) {
  const Clock::time_point now = Clock::now();
  unsigned char bytes[512];
  std::size_t count = 0;
  while (count < lane->queue.size() && count < sizeof bytes && lane->queue[count].due <= now) {
    bytes[count] = lane->queue[count].byte;
    ++count;
  }
  if (count == 0) return true;
  const ssize_t written = write(lane->to, bytes, count);
  if (written < 0) {
    if (errno == EAGAIN) return false;
    if (errno != EINTR) lane->queue.clear();
    return true;
  }
  lane->queue.erase(lane->queue.begin(), lane->queue.begin() + written);
  return static_cast<std::size_t>(written) == count;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: corvane-relay [--rate BPS] [--frame 8N1] [--a PATH] [--b PATH] "
                 "[--drop ab|ba[,byte=0xHH][,nth=K][,after=M]]...\n");
    return 2;
  }
  // A relay started by a test ends with it.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  signal(SIGPIPE, SIG_IGN);

  int a = -1;
  int b = -1;
  std::string a_shown;
  std::string b_shown;
  std::string error;
  if (!OpenEnd(options.a_path, &a, &a_shown, &error) ||
      !OpenEnd(options.b_path, &b, &b_shown, &error)) {
    std::fprintf(stderr, "corvane-relay: %s\n", error.c_str());
    return 1;
  }
  const Clock::duration char_time =
      options.rate == 0 ? Clock::duration::zero()
                        : std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(
                              options.frame_bits * 1'000'000'000LL / options.rate));
  Lane lanes[2];
  lanes[0].name = "ab";
  lanes[0].from = a;
  lanes[0].to = b;
  lanes[1].name = "ba";
  lanes[1].from = b;
  lanes[1].to = a;
  for (const auto& [b_to_a, rule] : options.drops) lanes[b_to_a ? 1 : 0].rules.push_back(rule);

  Say("a " + a_shown);
  Say("b " + b_shown);
  Say("ready");

  bool blocked[2] = {false, false};
  for (;;) {
    pollfd fds[4];
    Lane* owners[4];
    bool wants_read[4];
    nfds_t count = 0;
    std::optional<Clock::time_point> wake;
    for (int n = 0; n < 2; ++n) {
      Lane& lane = lanes[n];
      if (lane.from_open && lane.queue.size() < lane_capacity) {
        fds[count] = {lane.from, POLLIN, 0};
        owners[count] = &lane;
        wants_read[count++] = true;
      }
      if (blocked[n]) {
        fds[count] = {lane.to, POLLOUT, 0};
        owners[count] = &lane;
        wants_read[count++] = false;
      } else if (!lane.queue.empty() && (!wake || lane.queue.front().due < *wake)) {
        wake = lane.queue.front().due;
      }
    }
    timespec timeout{};
    if (wake) {
      const auto left = std::max(Clock::duration::zero(), *wake - Clock::now());
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
      timeout.tv_sec = seconds.count();
      timeout.tv_nsec =
          std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count();
    }
    if (ppoll(fds, count, wake ? &timeout : nullptr, nullptr) < 0 && errno != EINTR) {
      std::fprintf(stderr, "corvane-relay: poll between %s and %s: %s\n", a_shown.c_str(),
                   b_shown.c_str(), std::strerror(errno));
      return 1;
    }
    for (nfds_t n = 0; n < count; ++n) {
      if (fds[n].revents == 0) continue;
      if (wants_read[n]) {
        Read(owners[n], char_time);
      } else {
        blocked[owners[n] - lanes] = false;
      }
    }
    for (int n = 0; n < 2; ++n) {
      if (!blocked[n]) blocked[n] = !Deliver(&lanes[n]);
    }
  }
}
