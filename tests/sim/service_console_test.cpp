// The amplifier's service console after "Y~", its XMODEM sender and receiver with their
// faults, and the upload port. The test side speaks XMODEM with its own small code.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace sim_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char soh = 0x01, eot = 0x04, ack_byte = 0x06, nak_byte = 0x15, can = 0x18;

std::uint16_t Crc(std::string_view bytes) {
  std::uint16_t crc = 0;
  for (unsigned char byte : bytes) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
  }
  return crc;
}

std::string Packet(int number, std::string block, bool crc) {
  block.resize(128, '\x1A');
  std::string packet = {soh, static_cast<char>(number), static_cast<char>(255 - number)};
  packet += block;
  if (crc) return packet + char(Crc(block) >> 8) + char(Crc(block) & 0xFF);
  int sum = 0;
  for (unsigned char byte : block) sum += byte;
  return packet + static_cast<char>(sum);
}

bool Intact(std::string_view packet, bool crc) {
  const std::string block(packet.substr(3, 128));
  return static_cast<unsigned char>(packet[1]) + static_cast<unsigned char>(packet[2]) == 255 &&
         packet == Packet(static_cast<unsigned char>(packet[1]), block, crc);
}

class ServiceConsoleTest : public SimTest {
 protected:
  void Open(std::vector<std::string> args = {}) {
    args.insert(args.end(), {"--reboot-ms", "300"});
    Launch(args);
    bus_->Write(Frame(Family::tessary, 'A', "Y~"));
    Collect(100);
    SetSpeed(B9600);
  }
  void SetSpeed(speed_t speed) {
    termios settings{};
    ASSERT_EQ(tcgetattr(bus_->Fd(), &settings), 0);
    cfsetspeed(&settings, speed);
    ASSERT_EQ(tcsetattr(bus_->Fd(), TCSANOW, &settings), 0);
  }
  // What arrives until the line has been quiet for quiet_ms.
  std::string Collect(int quiet_ms) {
    std::string bytes;
    for (std::string more; !(more = bus_->Drain(quiet_ms)).empty();) bytes += more;
    return bytes;
  }
  std::string Type(const std::string& line) {
    bus_->Write(line);
    return Collect(100);
  }
  // Receives a file as a plain receiver would: NAK or "C" to start, ACK for an intact block
  // or a repeat, NAK for a damaged one. False when the sender cancels or goes quiet.
  bool Receive(char start, std::string* file) {
    const bool crc = start == 'C';
    const std::size_t size = crc ? 133 : 132;
    std::string buffer;
    int expected = 1;
    bus_->Write(std::string(1, start));
    for (const auto end = Clock::now() + std::chrono::seconds(10); Clock::now() < end;) {
      buffer += Collect(60);
      while (!buffer.empty() && buffer[0] != soh && buffer[0] != eot && buffer[0] != can)
        buffer.erase(0, 1);
      if (buffer.empty() || (buffer[0] == soh && buffer.size() < size)) continue;
      if (buffer[0] != soh) {
        bus_->Write(std::string(1, ack_byte));
        return buffer[0] == eot;
      }
      const std::string packet = buffer.substr(0, size);
      buffer.erase(0, size);
      const int number = static_cast<unsigned char>(packet[1]);
      if (!Intact(packet, crc)) {
        buffer.clear();
        bus_->Write(std::string(1, nak_byte));
        continue;
      }
      if (number == (expected & 0xFF)) {
        *file += packet.substr(3, 128);
        ++expected;
      }
      bus_->Write(std::string(1, ack_byte));
    }
    return false;
  }
  // Sends a file as a plain sender would, resending after a second without an answer. The
  // receiver's last answer, ACK after the EOT when all went well.
  char Send(const std::string& file) {
    std::string start;
    for (int wait = 0; wait < 10 && start.empty(); ++wait) start = Collect(100);
    if (start.empty()) return 0;
    const bool crc = start.back() == 'C';
    const int blocks = static_cast<int>((file.size() + 127) / 128);
    for (int block = 1; block <= blocks + 1;) {
      const std::string packet = block > blocks
                                     ? std::string(1, eot)
                                     : Packet(block, file.substr((block - 1) * 128, 128), crc);
      bus_->Write(packet);
      std::string answer;
      for (int wait = 0; wait < 10 && answer.empty(); ++wait) answer = bus_->Drain(100);
      if (answer.find(can) != std::string::npos) return can;
      if (!answer.empty() && answer[0] == ack_byte && block++ > blocks) return ack_byte;
    }
    return 0;
  }
};

TEST_F(ServiceConsoleTest, ConsoleAnswersAtNineSixHundredAndResetsToFrames) {
  Launch({"--reboot-ms", "300"});
  bus_->Write(Frame(Family::tessary, 'A', "Y~"));
  EXPECT_EQ(Collect(150), "") << "the console takes over the line without an answer frame";
  SetSpeed(B19200);
  EXPECT_EQ(Type("\r\n"), "") << "bytes at another rate are garbled";
  SetSpeed(B9600);
  EXPECT_EQ(Type("\r\n"), "\r\n\r\nC:\\>");
  const struct {
    std::string line;
    std::string answer;  // a part of the answer
  } cases[] = {
      {"\x1b Dir Vdisk.sys \r\n", "VDISK    SYS"},
      {"\x1b Dir E100Bpkt.com \r\n", "File not found"},
      {"\x1b E: \r\n", "Invalid drive specification\r\n\r\nC:\\>"},
      {"\x1b D: \r\n", "\r\nD:\\>"},
      {"garbage\x1b\x1b dir \r\n", "\\\r\n\\\r\n dir \r\n Volume in drive D"},
      {"\x1b Transfer /s Model.cfg \r\n", "Failed"},  // it is on drive C
      {"\x1b frobnicate \r\n", "Bad command or file name"},
  };
  std::vector<std::string> lines = {"\r\n"};  // the garbled one is no line
  for (const auto& [line, answer] : cases) {
    EXPECT_NE(Type(line).find(answer), std::string::npos) << line;
    lines.push_back(line);
  }
  EXPECT_EQ(sim_.ConsoleLines('A'), lines);
  EXPECT_EQ(sim_.ConsoleState('A'), "prompt D: line=9600 8N1 garbled=2");
  EXPECT_EQ(sim_.LineFormat(), "9600 8N1");
  ASSERT_TRUE(sim_.SetDrive('A', 'C', "E100BPKT.COM"));
  ASSERT_TRUE(sim_.SetDrive('A', 'D', "none"));
  EXPECT_NE(Type("\x1b Dir E100Bpkt.com \r\n").find("E100BPKT COM"), std::string::npos);
  EXPECT_FALSE(bus_->Ask('A', "?1A", 200)) << "no frames while the console holds the line";
  std::string noise(64 * 1024, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7 % 251 + 1);
  bus_->Write(noise);
  Collect(200);
  EXPECT_EQ(Type("\x1b \r\n"), "\\\r\n \r\n\r\nC:\\>") << "64 KiB without a line end";

  Type("\x1b \r\nReset\r\n");
  EXPECT_EQ(sim_.ConsoleState('A').value_or("").substr(0, 3), "off");
  EXPECT_FALSE(bus_->Ask('A', "?1A", 150)) << "quiet while it reboots";
  usleep(300 * 1000);
  EXPECT_TRUE(bus_->Ask('A', "?1A"));
}

TEST_F(ServiceConsoleTest, SenderDeliversTheFileThroughItsFaults) {
  const struct {
    const char* faults;
    char start;
    bool complete;
    const char* logged;
  } cases[] = {
      {"off", nak_byte, true, "start:NAK block:1 ack:1"},
      {"off", 'C', true, "start:C block:1 ack:1"},
      {"repeat=2", nak_byte, true, "ack:2 repeat:2 ack:2 block:3"},
      {"damaged_repeat=2", 'C', true, "damaged-repeat:2 nak resend:2 ack:2 block:3"},
      {"corrupt=1", nak_byte, true, "corrupt:1 nak resend:1 ack:1"},
      {"noise=3", 'C', true, "block:3 ack:3"},
      {"cancel=2", nak_byte, false, "ack:1 cancel:2"},
  };
  Open();
  const std::string cfg = sim_.ModelCfg('A').value_or("");
  ASSERT_GT(cfg.size(), 3 * 128u);
  for (const auto& [faults, start, complete, logged] : cases) {
    SCOPED_TRACE(faults);
    ASSERT_TRUE(sim_.SetTransferFaults('A', faults));
    EXPECT_NE(Type("\x1b Transfer /s Model.cfg \r\n").find("Sending MODEL.CFG"), std::string::npos);
    std::string file;
    EXPECT_EQ(Receive(start, &file), complete);
    if (complete) {
      EXPECT_EQ(file.substr(0, cfg.size()), cfg);
      EXPECT_EQ(file.substr(cfg.size()), std::string(file.size() - cfg.size(), '\x1A'));
    }
    EXPECT_NE(sim_.TransferLog('A').value_or("").find(logged), std::string::npos)
        << *sim_.TransferLog('A');
    Collect(100);
  }
  ASSERT_TRUE(sim_.SetTransferFaults('A', "failed"));
  EXPECT_NE(Type("\x1b Transfer /s Model.cfg \r\n").find("Failed\r\n"), std::string::npos);
}

TEST_F(ServiceConsoleTest, ReceiverStoresTheFileAsModelCfgAfterReset) {
  const struct {
    const char* faults;
    char start;
    char last_answer;
    const char* logged;
  } cases[] = {
      {"off", 'C', ack_byte, "start:C block:1 ack:1 block:2 ack:2 block:3 ack:3 eot ack:eot"},
      {"drop_ack=2", nak_byte, ack_byte, "ack-dropped:2 repeat:2 ack block:3"},
      {"nak_eot", 'C', ack_byte, "eot nak:eot eot ack:eot saved:300"},
      {"cancel=2", nak_byte, can, "block:2 cancel:2"},
  };
  Open();
  std::string file;
  for (int i = 0; i < 300; ++i) file.push_back(static_cast<char>('A' + i % 26));
  for (const auto& [faults, start, last_answer, logged] : cases) {
    SCOPED_TRACE(faults);
    ASSERT_TRUE(sim_.SetTransferFaults('A', faults));
    ASSERT_TRUE(sim_.SetReceiverStart('A', start, 500, 300, 5));
    const std::string echo = Type("\x1b transfer /r D:Model.cfg \r\n");
    EXPECT_EQ(echo, "\\\r\n transfer /r D:Model.cfg \r\n") << "the start byte waits";
    EXPECT_EQ(Send(file), last_answer);
    EXPECT_NE(sim_.TransferLog('A').value_or("").find(logged), std::string::npos)
        << *sim_.TransferLog('A');
    Collect(100);
  }
  EXPECT_EQ(sim_.ReceivedFile('A'), file) << "padding stripped";
  const std::string old_cfg = sim_.ModelCfg('A').value_or("");
  EXPECT_NE(old_cfg, file);
  Type("\x1b \r\nReset\r\n");
  usleep(400 * 1000);
  EXPECT_EQ(sim_.ModelCfg('A'), file);
}

TEST_F(ServiceConsoleTest, UploadPortTakesExactlyTheAnnouncedBytes) {
  Launch({"--tcp-port", "0", "--reboot-ms", "100"});
  ASSERT_NE(sim_.UploadPort(), 0);
  const std::string cfg = "UPLOADED   \t*ON / OFF\r\n";
  const std::string whole =
      "2002," + std::to_string(cfg.size() + 10) + ":Model.cfg>" + cfg + "\r\n";
  const std::string count = std::to_string(cfg.size() + 10);
  const struct {
    const char* mode;
    std::string bytes;
    std::string state;  // a part of the port's state afterwards
    bool applied;
  } cases[] = {
      {"refuse", whole, "refuse waiting uploads=0", false},
      {"normal", whole.substr(0, whole.size() - 5), "last=short", false},
      {"normal", "2003,5:Model.cfg>", "last=bad-header", false},
      {"slow 7", whole,
       "last=complete header=2002," + count + ": name=Model.cfg count=" + count +
           " trailer=\\x0D\\x0A",
       true},
  };
  for (const auto& [mode, bytes, state, applied] : cases) {
    SCOPED_TRACE(mode + (" " + bytes));
    ASSERT_TRUE(sim_.SetUpload('A', mode));
    const int fd = ConnectTcp(sim_.DeviceAddress('A'), sim_.UploadPort());
    if (fd >= 0) {
      BusClient upload(fd);
      upload.Write(bytes);
      upload.Drain(500);
    }
    usleep(400 * 1000);
    EXPECT_NE(sim_.UploadState('A').value_or("").find(state), std::string::npos)
        << *sim_.UploadState('A');
    EXPECT_TRUE(bus_->Ask('A', "~"));
    usleep(300 * 1000);
    EXPECT_EQ(sim_.ModelCfg('A') == cfg, applied);
  }
}

}  // namespace
}  // namespace sim_test
