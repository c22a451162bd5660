#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "sim_fixture.h"

namespace sim_test {
namespace {

using test_support::FirmwareHash;
using test_support::FirmwareState;

// Every byte value, and a whole command frame inside the first chunk: nothing in a chunk may
// end its frame or be taken for another.
std::string FileBytes(std::size_t size, int salt = 0) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>((i * 7 + salt) % 256));
  const std::string inner = Frame(Family::tessary, 'A', "0");
  if (size >= 20 + inner.size()) bytes.replace(20, inner.size(), inner);
  return bytes;
}

std::string Numbered(const char* letters, long number) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%05ld", letters, number);
  return text;
}

// Chunk `number` of `file`, the last one padded with zero bytes.
std::string Chunk(const std::string& file, long number) {
  std::string bytes =
      file.substr(std::min(file.size(), static_cast<std::size_t>(number) * 100), 100);
  bytes.resize(100, '\0');
  return Numbered("Y3", number) + bytes;
}

class Firmware : public SimTest {
 protected:
  void LaunchLoader(std::vector<std::string> args, Family family = Family::tessary) {
    args.insert(args.end(), {"--reboot-ms", "100"});
    Launch(args, family);
  }
  // The body answered, "(none)" or "(refused)".
  std::string Body(BusClient& client, std::string_view body, int timeout_ms = 1000) {
    const auto reply = client.Ask('A', body, timeout_ms);
    if (!reply) return "(none)";
    EXPECT_TRUE(reply->checksum_ok);
    return reply->refused || reply->body == "ERROR" ? "(refused)" : reply->body;
  }
  std::string Body(std::string_view body, int timeout_ms = 1000) {
    return Body(*bus_, body, timeout_ms);
  }
  FirmwareState State() {
    const auto state = sim_.Firmware('A');
    EXPECT_TRUE(state);
    return state.value_or(FirmwareState{});
  }
  void WaitRestarted() {
    for (int i = 0; i < 100 && Ok("get A restarting") == "on"; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  void SetLine(speed_t speed) {
    termios line{};
    ASSERT_EQ(tcgetattr(bus_->Fd(), &line), 0);
    cfsetspeed(&line, speed);
    ASSERT_EQ(tcsetattr(bus_->Fd(), TCSANOW, &line), 0);
  }
};

TEST_F(Firmware, ImagesAreStoredCountedAndChecked) {
  const std::string file = FileBytes(250);
  const std::string other = FileBytes(250, 1);
  const std::string big = FileBytes(1000);
  const std::string zeros(300, '\0');
  struct Case {
    const char* name;
    long size;
    std::vector<std::string> commands;  // after "Y2 size"
    std::string last_answer;
    long chunks, repeats, mismatches;
    std::vector<long> gaps;
    bool finished;
    long finish_count;
    std::string image = "";  // hashed; the file when empty
  };
  const std::string chunks[] = {Chunk(file, 0), Chunk(file, 1), Chunk(file, 2)};
  // clang-format off
  const Case cases[] = {
      {"in order", 250, {chunks[0], chunks[1], chunks[2], "Y400003"}, "Y4", 3, 0, 0, {}, true, 3},
      {"repeats counted", 250, {chunks[0], chunks[0], chunks[1], chunks[2], chunks[2], "Y400003"},
       "Y4", 3, 2, 0, {}, true, 3},
      {"a repeat with other bytes wins and is counted", 250,
       {chunks[0], chunks[1], chunks[2], Chunk(other, 1), "Y400003"}, "Y4", 3, 1, 1, {}, true, 3,
       file.substr(0, 100) + other.substr(100, 100) + file.substr(200)},
      {"gaps listed below the highest chunk", 1000, {Chunk(big, 0), Chunk(big, 3), Chunk(big, 7)},
       "Y300007", 3, 0, 0, {1, 2, 4, 5, 6}, false, -1,
       big.substr(0, 100) + zeros.substr(100) + big.substr(300, 100) + zeros + big.substr(700, 100)},
      {"a wrong count does not finish", 250, {chunks[0], chunks[1], chunks[2], "Y400002"},
       "(refused)", 3, 0, 0, {}, false, 2},
      {"chunks past the image, bad chunk numbers and bad counts are refused", 250,
       {Chunk(file, 3), "Y3abcde" + file.substr(0, 100), "Y40003"}, "(refused)", 0, 0, 0, {}, false,
       -1, std::string(250, '\0')},
  };
  // clang-format on
  LaunchLoader({"--amp", "A"});
  EXPECT_EQ(Body("Y300000" + file.substr(0, 100)), "(refused)") << "no image announced";
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    WaitRestarted();
    const int restarts = sim_.Restarts('A');
    ASSERT_EQ(Body("Y2 " + std::to_string(test.size)), "Y2");
    std::string answer;
    for (const std::string& command : test.commands) answer = Body(command);
    EXPECT_EQ(answer, test.last_answer);
    const FirmwareState state = State();
    EXPECT_EQ(state.announced, test.size);
    EXPECT_EQ(state.chunks, test.chunks);
    EXPECT_EQ(state.repeats, test.repeats);
    EXPECT_EQ(state.mismatches, test.mismatches);
    EXPECT_EQ(state.gaps, test.gaps);
    std::string image = test.image.empty() ? file : test.image;
    image.resize(static_cast<std::size_t>(test.size), '\0');
    EXPECT_EQ(state.hash, FirmwareHash(image));
    EXPECT_EQ(state.finished, test.finished);
    EXPECT_EQ(state.finish_count, test.finish_count);
    EXPECT_EQ(sim_.Restarts('A'), restarts + (test.finished ? 1 : 0)) << "only a finish reboots";
  }
  for (const char* bad : {"Y2 0", "Y2 abc", "Y2250", "Y2 10000000"})
    EXPECT_EQ(Body(bad), "(refused)") << bad;
}

TEST_F(Firmware, FaultsWithholdAnswersButNotTheChunks) {
  const std::string file = FileBytes(250);
  LaunchLoader({"--amp", "A", "--serial", "A=9600:N81"});
  SetLine(B9600);
  EXPECT_FALSE(sim_.SetFirmwareFaults('A', "silent_chunk=1"));
  ASSERT_TRUE(sim_.SetFirmwareFaults('A', "refuse_y2 silent_chunk=1:2"));
  EXPECT_EQ(Ok("get A firmware_fault"), "silent_chunk=1:2 refuse_y2");
  EXPECT_EQ(Body("Y2 250"), "(refused)");
  EXPECT_EQ(State().announced, -1);
  ASSERT_TRUE(sim_.SetFirmwareFaults('A', "silent_chunk=1:2"));
  ASSERT_EQ(Body("Y2 250"), "Y2");
  EXPECT_EQ(Body(Chunk(file, 0)), "Y300000");
  EXPECT_EQ(Body(Chunk(file, 1), 300), "(none)");
  EXPECT_EQ(Body(Chunk(file, 1), 300), "(none)");
  EXPECT_EQ(Body(Chunk(file, 1)), "Y300001");
  EXPECT_EQ(Ok("get A firmware_fault"), "off");
  EXPECT_EQ(State().repeats, 2);

  ASSERT_TRUE(sim_.SetFirmwareFaults('A', "lose_speed_answer"));
  EXPECT_EQ(Body("X?"), "X1009600N81") << "queries are answered";
  EXPECT_EQ(Body("X1057600N81", 300), "(none)");
  EXPECT_EQ(Ok("serial A"), "57600:N81,port=1,other=9600:N81,mode=2,term=T")
      << "switched although the answer was lost";
  SetLine(B57600);
  EXPECT_EQ(Body("X1009600N81"), "X") << "only the next port set loses its answer";
}

TEST_F(Firmware, EachCommandsLineSpeedIsRecordedInBothFamilies) {
  const std::string file = FileBytes(250);
  for (const Family family : {Family::tessary, Family::quillon}) {
    SCOPED_TRACE(family == Family::tessary ? "tessary" : "quillon");
    LaunchLoader({"--amp", "A", "--serial", "A=9600:N81"}, family);
    SetLine(B9600);
    EXPECT_EQ(Body("X?"), "X1009600N81");
    EXPECT_EQ(Body("X1057600N81"), "X");
    SetLine(B57600);
    EXPECT_EQ(Body("Y2 250"), "Y2");
    for (long chunk = 0; chunk < 3; ++chunk)
      EXPECT_EQ(Body(Chunk(file, chunk)), Numbered("Y3", chunk));
    EXPECT_EQ(Body("X1009600N81"), "X");
    SetLine(B9600);
    EXPECT_EQ(Body("Y400003"), "Y4");
    const FirmwareState state = State();
    EXPECT_EQ(state.rates,
              (std::vector<long>{9600, 9600, 57600, 57600, 57600, 57600, 57600, 9600}));
    EXPECT_EQ(state.hash, FirmwareHash(file));
    EXPECT_TRUE(state.finished);
    sim_.Stop();
  }
}

TEST_F(Firmware, ChunksArriveOverTcp) {
  const std::string file = FileBytes(250);
  LaunchLoader({"--amp", "A", "--tcp-port", "0"});
  BusClient client(ConnectTcp(sim_.DeviceAddress('A'), sim_.TcpPort()));
  ASSERT_TRUE(client.IsOpen());
  auto ask = [&](const std::string& body) {
    client.Write(Frame(Family::tessary, 1, body) + "\r\n");
    const auto reply = client.Read(1000);
    return reply && !reply->refused ? reply->body : "(none)";
  };
  EXPECT_EQ(ask("Y2 250"), "Y2");
  for (long chunk = 0; chunk < 3; ++chunk)
    EXPECT_EQ(ask(Chunk(file, chunk)), Numbered("Y3", chunk));
  EXPECT_EQ(ask("Y400003"), "Y4");
  const FirmwareState state = State();
  EXPECT_EQ(state.hash, FirmwareHash(file));
  EXPECT_TRUE(state.finished);
  EXPECT_EQ(state.rates, std::vector<long>(5, 0)) << "no line speed off the serial line";
}

}  // namespace
}  // namespace sim_test
