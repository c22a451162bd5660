// The paced line the transfer tests and benches run over: its rate, its two directions and
// the bytes it is told to lose.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/relay_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using test_support::RelayDrop;
using test_support::RelayOptions;
using test_support::RelayProcess;

struct End {
  explicit End(const std::string& path) : fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd, TCSANOW, &settings);
  }
  ~End() { close(fd); }
  void Write(const std::string& bytes) const {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Reads until `count` bytes came or nothing came for quiet_ms.
  std::string Read(std::size_t count, int quiet_ms = 2000) const {
    std::string bytes;
    char chunk[256];
    pollfd ready = {fd, POLLIN, 0};
    while (bytes.size() < count && poll(&ready, 1, quiet_ms) > 0) {
      const ssize_t got = read(fd, chunk, sizeof chunk);
      if (got > 0) bytes.append(chunk, got);
    }
    return bytes;
  }
  int fd;
};

RelayOptions Line(long rate, std::vector<RelayDrop> drops = {}) {
  RelayOptions options;
  options.rate = rate;
  options.drops = std::move(drops);
  return options;
}

std::string Pattern(std::size_t size) {
  std::string bytes;
  for (std::size_t n = 0; n < size; ++n) bytes.push_back(static_cast<char>(n * 7));
  return bytes;
}

TEST(Relay, PacesBothDirectionsAtOnceAtTheCharacterTime) {
  RelayProcess relay;
  std::string error;
  // 8E1 at 4800 bit/s: 11 bits a character, 480 characters take 1.1 s each way.
  RelayOptions options = Line(4800);
  options.frame = "8E1";
  ASSERT_TRUE(relay.Start(options, &error)) << error;
  const End a(relay.PathA());
  const End b(relay.PathB());
  const std::string there = Pattern(480);
  const std::string back(480, '\x55');
  const auto start = Clock::now();
  a.Write(there);
  b.Write(back);
  EXPECT_EQ(b.Read(there.size()), there);
  EXPECT_EQ(a.Read(back.size()), back);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_GT(seconds, 1.05);
  EXPECT_LT(seconds, 1.6);
}

TEST(Relay, AnEndCanBeAnExistingDevice) {
  RelayProcess first;
  RelayProcess second;
  std::string error;
  ASSERT_TRUE(first.Start(Line(0), &error)) << error;
  RelayOptions options = Line(0);
  options.a_path = first.PathB();
  ASSERT_TRUE(second.Start(options, &error)) << error;
  EXPECT_EQ(second.PathA(), first.PathB());
  const End a(first.PathA());
  const End b(second.PathB());
  a.Write("through two");
  EXPECT_EQ(b.Read(11), "through two");
}

struct DropCase {
  const char* name;
  RelayDrop drop;
  std::string sent;
  std::string expected;
};

class RelayDrops : public ::testing::TestWithParam<DropCase> {};

TEST_P(RelayDrops, LoseExactlyTheChosenByte) {
  const DropCase& test = GetParam();
  RelayProcess relay;
  std::string error;
  ASSERT_TRUE(relay.Start(Line(115200, {test.drop}), &error)) << error;
  const End a(relay.PathA());
  const End b(relay.PathB());
  const End& from = test.drop.direction == RelayDrop::a_to_b ? a : b;
  const End& to = test.drop.direction == RelayDrop::a_to_b ? b : a;
  from.Write(test.sent);
  EXPECT_EQ(to.Read(test.expected.size() + 1, 300), test.expected);
  EXPECT_EQ(relay.Dropped(0, 1000), 1);
  // The other direction loses nothing.
  to.Write(test.sent);
  EXPECT_EQ(from.Read(test.sent.size(), 300), test.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RelayDrops,
    ::testing::Values(
        DropCase{"FourthByte", {RelayDrop::a_to_b, {}, 4}, "abcdef", "abcef"},
        DropCase{"ThirdAck", {RelayDrop::b_to_a, 0x06, 3}, "\6x\6\6y\6", "\6x\6y\6"},
        DropCase{"FirstAckAfterFour", {RelayDrop::b_to_a, 0x06, 1, 4}, "\6\6\6\6\6z", "\6\6\6\6z"},
        DropCase{"SecondCAfterTwo", {RelayDrop::a_to_b, 'C', 2, 2}, "CCCxCC", "CCCxC"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
