#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_line.h"
#include "link/console.h"
#include "link/ethernet_path.h"
#include "link/framing.h"

namespace {

using namespace std::string_literals;

// A stand-in for the TCP transport: one connection per address.
struct FakeEthernet {
  static inline bool good[256];
  static inline std::vector<std::pair<int, std::string>> sent;
  static inline std::string incoming[256];
  static const ethernet_path* Path() {
    static const ethernet_path path{
        [](int device) { return good[device] ? 1 : 0; },
        [](int device, const unsigned char* bytes, int count, int) {
          sent.emplace_back(device, std::string(reinterpret_cast<const char*>(bytes), count));
        },
        [](unsigned char* ch, int device) {
          if (incoming[device].empty()) return 0;
          *ch = static_cast<unsigned char>(incoming[device][0]);
          incoming[device].erase(0, 1);
          return 1;
        },
        [](int device, int) { return incoming[device].empty() ? 0 : 1; },
    };
    return &path;
  }
  FakeEthernet() {
    for (auto& g : good) g = false;
    for (auto& i : incoming) i.clear();
    sent.clear();
    SetEthernetPath(Path());
    use_ethernet = 1;
  }
  ~FakeEthernet() { SetEthernetPath(nullptr); }
};

TEST(Checksums, XorAndSumFollowTheirRanges) {
  const unsigned char frame[] = {0x02, 0x41, 0x35, 0x35, 0x03};
  EXPECT_EQ(XorChecksum(frame, 5), 0x40);
  EXPECT_EQ(XorChecksum(frame, 0), 0);
  EXPECT_EQ(XorChecksum(frame, -4), 0);
  // Lengths past the buffer are cut to 2999 bytes.
  std::vector<unsigned char> big(5000, 0);
  big[2998] = 0x11;
  big[2999] = 0x22;
  big[4000] = 0x44;
  EXPECT_EQ(XorChecksum(big.data(), 3000), 0x11);
  EXPECT_EQ(XorChecksum(big.data(), 99999), 0x11);
  const unsigned char quillon[] = {0x02, 0x07, 0x41, 0x35, 0x35, 0xAB, 0x03};
  EXPECT_EQ(QuillonCheckSum(quillon, 7), 0xAB);
  // Frames too short to hold a body sum to nothing rather than read outside.
  EXPECT_EQ(QuillonCheckSum(quillon, 2), 0);
}

TEST(SendCommand, TessaryAndQuillonFramesOnTheSerialLine) {
  FakeLine line;
  SendCommand('A', "55", 0);
  EXPECT_EQ(line.Sent(), "\x02\x41\x35\x35\x03\x40"s);
  EXPECT_EQ(response_pending, 'A');
  // An explicit length sends embedded zero bytes and address bytes as they are.
  SendCommand(0xFE, "4\0x", 3);
  EXPECT_EQ(line.Sent(), "\x02\xFE" "4\0x\x03"s + static_cast<char>(0x02 ^ 0xFE ^ '4' ^ 'x' ^ 0x03));
  EXPECT_EQ(response_pending, 0xFE);
  quillon_protocol = 1;
  SendCommand('A', "55", 0);
  EXPECT_EQ(line.Sent(), "\x02\x07\x41\x35\x35\xAB\x03"s);
}

TEST(SendCommand, BodiesAreCutToTheLongestCommand) {
  FakeLine line;
  const std::string body(400, 'b');
  SendCommand('A', body.c_str(), 400);
  const std::string sent = line.Sent();
  ASSERT_EQ(sent.size(), 254u);
  EXPECT_EQ(sent.substr(2, 250), body.substr(0, 250));
  EXPECT_EQ(sent[252], '\x03');
  quillon_protocol = 1;
  SendCommand('A', body.c_str(), 400);
  const std::string quillon = line.Sent();
  ASSERT_EQ(quillon.size(), 255u);
  EXPECT_EQ(static_cast<unsigned char>(quillon[1]), 255);
}

TEST(SendCommand, EthernetAppendsCrLfAndSendsOnlyOnAGoodConnection) {
  FakeLine line;
  FakeEthernet ethernet;
  InitDebugConsole();
  ClearConsole();
  SendCommand('B', "55", 0);
  EXPECT_TRUE(FakeEthernet::sent.empty());
  // The frame is still shown, as built.
  ASSERT_FALSE(ConsoleLines().empty());
  EXPECT_EQ(ConsoleLines().back().runs.back().text, "[STX]B55[ETX]C[CR][LF]");
  FakeEthernet::good['B'] = true;
  SendCommand('B', "55", 0);
  ASSERT_EQ(FakeEthernet::sent.size(), 1u);
  EXPECT_EQ(FakeEthernet::sent[0].first, 'B');
  EXPECT_EQ(FakeEthernet::sent[0].second, "\x02\x42\x35\x35\x03\x43\r\n"s);
  EXPECT_EQ(line.Sent(), "");
  // Quillon frames always take the serial line, without CR LF.
  quillon_protocol = 1;
  SendCommand('B', "55", 0);
  EXPECT_EQ(line.Sent(), "\x02\x07\x42\x35\x35\xAC\x03"s);
  EXPECT_EQ(FakeEthernet::sent.size(), 1u);
  CloseDebugConsole();
}

TEST(SendCommand, ShowsTheFrameOnceInTheSentColour) {
  FakeLine line;
  InitDebugConsole();
  ClearConsole();
  SendCommand('A', "55", 0);
  SerialSendChar(0x06);
  const ConsoleLine& shown = ConsoleLines().back();
  ASSERT_EQ(shown.runs.size(), 1u);
  EXPECT_EQ(shown.runs[0].color, console_sent);
  EXPECT_EQ(shown.runs[0].text, "[STX]A55[ETX]@[ACK]");
  CloseDebugConsole();
}

TEST(Capture, EthernetKeepsOneBufferPerAddressAndSkipsTheChecksum) {
  FakeLine line;
  FakeEthernet ethernet;
  FakeEthernet::incoming['A'] = "\x06" "A?123\x03\x00"s;  // wrong checksum
  FakeEthernet::incoming['B'] = TessaryAnswer('B', "5row");
  EXPECT_EQ(TrapResponse('A'), 1);
  EXPECT_EQ(TrapResponse('B'), 1);
  EXPECT_EQ(Captured('A'), "\x06" "A?123\x03\x00"s);
  EXPECT_EQ(Captured('B'), TessaryAnswer('B', "5row"));
  EXPECT_EQ(protocol_state[0].receive_count, 0);
  // Over the serial line the same wrong checksum fails, in buffer 0.
  use_ethernet = 0;
  line.Feed("\x06" "A?123\x03\x00"s);
  EXPECT_EQ(TrapResponse('A'), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 8);
}

}  // namespace
