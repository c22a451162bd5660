// The amplifiers' Model.cfg on the bus and over TCP: a file per device byte for byte, "Y1"
// replacing or appending lines, the record of "Y1" bodies, and the faults of both commands.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace sim_test {
namespace {

using Y0Fault = test_support::SimProcess::Y0Fault;
using Y1Fault = test_support::SimProcess::Y1Fault;

enum class Line { bus, tcp };

class ModelCfgTest : public SimTest, public ::testing::WithParamInterface<Line> {
 protected:
  ~ModelCfgTest() override {
    for (const std::string& path : files_) unlink(path.c_str());
  }
  void Start(std::vector<std::string> args) {
    if (GetParam() == Line::tcp) args.insert(args.end(), {"--tcp-port", "0"});
    clients_.clear();
    Launch(args);
  }
  std::string File(const std::string& bytes) {
    char path[] = "/tmp/corvane-sim-cfg-XXXXXX";
    const int fd = mkstemp(path);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    files_.push_back(path);
    return path;
  }
  // Over TCP as the console speaks there: a connection per device, frames ending in CR LF.
  std::optional<Reply> Ask(std::uint8_t address, const std::string& body, int timeout_ms = 1000) {
    if (GetParam() == Line::bus) return bus_->Ask(address, body, timeout_ms);
    auto& client = clients_[address];
    if (!client)
      client = std::make_unique<BusClient>(ConnectTcp(sim_.DeviceAddress(address), sim_.TcpPort()));
    client->Write(Frame(Family::tessary, address, body) + "\r\n");
    return client->Read(timeout_ms);
  }
  // What the console keeps of the "Y0" answer: all but three bytes at each end.
  std::string Fetch(std::uint8_t address) {
    const auto reply = Ask(address, "Y0");
    if (!reply || reply->refused || reply->raw.size() < 6) return "(no text)";
    return reply->raw.substr(3, reply->raw.size() - 6);
  }

 private:
  std::vector<std::string> files_;
  std::map<std::uint8_t, std::unique_ptr<BusClient>> clients_;
};

std::string AllBytes() {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes.push_back(static_cast<char>(byte));
  return bytes;
}

TEST_P(ModelCfgTest, EachDeviceKeepsItsOwnFileByteForByte) {
  // Framing bytes in the file would end the answer early in any capture, so the file sent
  // on the line leaves them out; the control channel takes every byte.
  std::string sendable;
  for (char byte : AllBytes())
    if (byte != 0x02 && byte != 0x03 && byte != 0x06 && byte != 0x15) sendable.push_back(byte);
  sendable += "\r\rlast line without LF";
  const std::string shared = "SHARED\t*YES / NO\n";
  Start({"--amp", "A", "--amp", "B", "--amp", "C", "--model-cfg", "A=" + File(sendable),
         "--model-cfg", File(shared), "--model-cfg", "42=" + File(AllBytes())});
  EXPECT_EQ(Fetch('A'), sendable);
  EXPECT_EQ(sim_.ModelCfg('A'), sendable);
  EXPECT_EQ(sim_.Y0Text('A'), sendable);
  EXPECT_EQ(sim_.ModelCfg('B'), AllBytes());
  EXPECT_EQ(Fetch('C'), shared);
  ASSERT_TRUE(sim_.SetModelCfg('C', sendable + "\\ "));
  EXPECT_EQ(Fetch('C'), sendable + "\\ ");
}

TEST_P(ModelCfgTest, Y1ReplacesTheLineOfItsFirstTokenOrAppendsAndIsRecordedRaw) {
  Start({"--amp", "A", "--model-cfg", "A=" + File("POWER\t*HIGH / LOW\r\n; note\nBAND KU")});
  struct Step {
    std::string body;
    std::string file;  // afterwards; empty when refused
  };
  const std::vector<Step> steps = {
      // The line keeps its own line end; trailing blanks (a sent CR LF) are not stored.
      {"Y1POWER\t\tHIGH / *LOW", "POWER\t\tHIGH / *LOW\r\n; note\nBAND KU"},
      {"Y1; other  ", "POWER\t\tHIGH / *LOW\r\n; other\nBAND KU"},
      {"Y1abc  ", "POWER\t\tHIGH / *LOW\r\n; other\nBAND KU\r\nabc\r\n"},
      {"Y1 BAND\tKA", "POWER\t\tHIGH / *LOW\r\n; other\n BAND\tKA\r\nabc\r\n"},
      {"Y1  ", "POWER\t\tHIGH / *LOW\r\n; other\n BAND\tKA\r\nabc\r\n"},
      {"Y1\xE9t\xE9\t*\xFF",
       "POWER\t\tHIGH / *LOW\r\n; other\n BAND\tKA\r\nabc\r\n\xE9t\xE9\t*\xFF\r\n"},
      {"Y1BAD\x03 *X", ""},
  };
  std::vector<std::string> sent;
  std::string file;
  for (const Step& step : steps) {
    const auto reply = Ask('A', step.body);
    sent.push_back(step.body);
    ASSERT_TRUE(reply) << step.body;
    EXPECT_EQ(reply->refused, step.file.empty()) << step.body;
    if (!step.file.empty()) file = step.file;
    EXPECT_EQ(Fetch('A'), file) << step.body;
  }
  EXPECT_EQ(sim_.ModelCfg('A'), file);
  EXPECT_EQ(sim_.Y1Bodies('A'), sent);
}

TEST_P(ModelCfgTest, Y1FaultsSilenceOrRefuseFromTheNthLineOn) {
  struct Case {
    Y1Fault fault;
    int from;
  };
  for (const Case& c : {Case{Y1Fault::silent, 3}, Case{Y1Fault::nak, 2}}) {
    Start({"--amp", "A", "--model-cfg", "A=" + File("")});
    // Counted from when the fault is set.
    ASSERT_TRUE(Ask('A', "Y1K0 x"));
    ASSERT_TRUE(sim_.SetY1Fault('A', c.fault, c.from));
    std::string file = "K0 x\r\n";
    std::vector<std::string> sent = {"Y1K0 x"};
    for (int i = 1; i <= 4; ++i) {
      const std::string line = "K" + std::to_string(i) + " x";
      const auto reply = Ask('A', "Y1" + line, 300);
      sent.push_back("Y1" + line);
      if (i < c.from) {
        ASSERT_TRUE(reply && !reply->refused) << i;
        file += line + "\r\n";
      } else if (c.fault == Y1Fault::silent) {
        EXPECT_FALSE(reply) << i;
      } else {
        ASSERT_TRUE(reply) << i;
        EXPECT_TRUE(reply->refused) << i;
      }
    }
    EXPECT_EQ(Fetch('A'), file);
    EXPECT_EQ(sim_.Y1Bodies('A'), sent);
    ASSERT_TRUE(sim_.SetY1Fault('A', Y1Fault::none));
    const auto good = Ask('A', "Y1K9 x");
    ASSERT_TRUE(good);
    EXPECT_FALSE(good->refused);
    sim_.Stop();
  }
}

TEST_P(ModelCfgTest, Y0FaultsSpoilTheAnswerTheirOwnWay) {
  const std::string file = "POWER\t*HIGH / LOW\r\n";
  Start({"--amp", "A", "--model-cfg", "A=" + File(file)});
  std::string binary(1, '\0');
  for (int byte = 0x80; byte <= 0xFF; ++byte) binary.push_back(static_cast<char>(byte));
  binary += std::string(1, '\0') + "\r\n";

  ASSERT_TRUE(sim_.SetY0Fault('A', Y0Fault::short_reply));
  auto reply = Ask('A', "Y0");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->raw.size(), 5u) << "under the six bytes of an empty file";
  EXPECT_FALSE(reply->refused);

  ASSERT_TRUE(sim_.SetY0Fault('A', Y0Fault::oversize));
  reply = Ask('A', "Y0");
  ASSERT_TRUE(reply);
  EXPECT_GT(reply->raw.size(), 3000u);
  EXPECT_TRUE(reply->checksum_ok);
  EXPECT_EQ(reply->raw.substr(3, file.size()), file);

  ASSERT_TRUE(sim_.SetY0Fault('A', Y0Fault::binary));
  EXPECT_EQ(Fetch('A'), file + binary);
  EXPECT_EQ(sim_.Y0Text('A'), file + binary);

  ASSERT_TRUE(sim_.SetY0Fault('A', Y0Fault::none));
  EXPECT_EQ(Fetch('A'), file);
  EXPECT_EQ(sim_.ModelCfg('A'), file) << "faults leave the file alone";
  EXPECT_EQ(sim_.Y0Count('A'), 4);
}

INSTANTIATE_TEST_SUITE_P(Lines, ModelCfgTest, ::testing::Values(Line::bus, Line::tcp),
                         [](const auto& info) { return info.param == Line::bus ? "bus" : "tcp"; });

TEST_F(SimTest, QuillonCarriesConfigurationOnlyWhenItFitsUnder128Bytes) {
  char path[] = "/tmp/corvane-sim-cfg-XXXXXX";
  const int fd = mkstemp(path);
  const std::string file = "POWER_UNITS\t*DBM / WATTS\n; short\n";
  ASSERT_EQ(write(fd, file.data(), file.size()), static_cast<ssize_t>(file.size()));
  close(fd);
  Launch({"--amp", "A", "--model-cfg", path}, Family::quillon);
  unlink(path);
  const auto reply = bus_->Ask('A', "Y0");
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->raw.substr(3, reply->raw.size() - 6), file);
  // Grown past what one Quillon answer holds, the file is refused, never cut.
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(bus_->Ask('A', "Y1LINE" + std::to_string(i) + " of a longer file"));
  const auto long_reply = bus_->Ask('A', "Y0");
  ASSERT_TRUE(long_reply);
  EXPECT_EQ(long_reply->body, "ERROR");
}

}  // namespace
}  // namespace sim_test
