#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace sim_test {
namespace {

class Framing : public SimTest, public ::testing::WithParamInterface<Family> {};

TEST_P(Framing, AnswersAreFramedAndCheckedInTheirFamily) {
  Launch({"--amp", "A"}, GetParam());
  const auto reply = bus_->Ask('A', "?1AMNPV");
  ASSERT_TRUE(reply);
  EXPECT_TRUE(reply->checksum_ok);
  EXPECT_FALSE(reply->refused);
  EXPECT_EQ(reply->address, 'A');
  if (GetParam() == Family::tessary) {
    EXPECT_EQ(reply->raw[0], 0x06);
  } else {
    EXPECT_EQ(static_cast<unsigned char>(reply->raw[1]), reply->raw.size());
    EXPECT_EQ(reply->raw.back(), 0x03);
  }
  // '?', two status bytes, attenuation, heater and beam hours, power, voltage.
  const std::string& body = reply->body;
  ASSERT_EQ(body.size(), 1u + 2 + 4 + 6 + 6 + 4 + 4);
  EXPECT_EQ(body[0], '?');
  EXPECT_EQ(body[1], 0x30) << "powered, high voltage on, local";
  EXPECT_EQ(body[2], 0x00);
  EXPECT_EQ(body.substr(3, 4), "12.5");
  EXPECT_EQ(body.substr(7, 6), "001875");
  EXPECT_EQ(body.substr(13, 6), "001502");
  EXPECT_EQ(body.substr(19, 4), "43.2");
  EXPECT_EQ(body.substr(23, 4), "10.5");
}

TEST_P(Framing, FieldsTheConsoleReadsAtFixedFramePositionsAreThereInBothFamilies) {
  Launch({"--amp", "A"}, GetParam());
  ASSERT_EQ(Ok("set A part 305-1234-567"), "");
  ASSERT_EQ(Ok("set A serial 12345"), "");
  ASSERT_EQ(Ok("set A version 325"), "");
  // "00" is read at Tessary frame offsets in both families; "0" keeps its kind letter, so in
  // Quillon its fields lie one byte further on.
  const std::size_t letter = GetParam() == Family::quillon ? 1 : 0;
  for (const auto& [command, shift] : {std::pair{"0", letter}, std::pair{"00", std::size_t{0}}}) {
    const auto id = bus_->Ask('A', command);
    ASSERT_TRUE(id);
    const std::string r = id->raw.substr(shift);
    ASSERT_GE(r.size(), 22u) << command;
    EXPECT_EQ(r.substr(3, 4) + r[7] + r.substr(8, 3), "1234-567") << command;
    EXPECT_EQ(r.substr(12, 5), "12345") << command;
    EXPECT_EQ((std::string{r[18], r[20], r[21]}), "325") << command;
  }
  ASSERT_EQ(Ok("set A id old"), "");
  const auto old = bus_->Ask('A', "00");
  ASSERT_TRUE(old);
  EXPECT_NE(old->raw[7], '-');
  EXPECT_EQ(old->raw.substr(3, 7), "1234567");
  EXPECT_EQ(old->raw.substr(10, 3), "325");

  ASSERT_EQ(Ok("set A frequency 8.15"), "");
  ASSERT_EQ(Ok("set A offset -0.3"), "");
  const auto offset = bus_->Ask('A', "TO08.15?");
  ASSERT_TRUE(offset);
  EXPECT_EQ(offset->raw.substr(10, 5), "-0.30");
}

TEST_P(Framing, UnknownCommandsAreRefused) {
  Launch({"--amp", "A"}, GetParam());
  for (const char* command : {"Q", "?1AZ", "K12.0", "V?", ""}) {
    const auto reply = bus_->Ask('A', command);
    ASSERT_TRUE(reply) << command;
    EXPECT_TRUE(reply->checksum_ok);
    if (GetParam() == Family::tessary) {
      EXPECT_TRUE(reply->refused) << command;
    } else {
      EXPECT_NE(reply->body.find("ERROR"), std::string::npos) << command;
    }
  }
}

TEST_P(Framing, AFrameWithAWrongChecksumGetsNoAnswer) {
  Launch({"--amp", "A"}, GetParam());
  std::string frame = Frame(GetParam(), 'A', "55");
  frame[frame.size() - (GetParam() == Family::tessary ? 1 : 2)] ^= 0x01;
  bus_->Write(frame);
  EXPECT_FALSE(bus_->Read(300));
  EXPECT_TRUE(bus_->Ask('A', "55"));
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Framing,
                         ::testing::Values(Family::tessary, Family::quillon));

TEST_F(SimTest, TessaryFramesMayEndInCrLf) {
  Launch({"--amp", "A"});
  bus_->Write(Frame(Family::tessary, 'A', "55") + "\r\n" + Frame(Family::tessary, 'A', "0") +
              "\r\n");
  const auto screen = bus_->Read();
  const auto id = bus_->Read();
  ASSERT_TRUE(screen && id);
  EXPECT_EQ(screen->body[0], '5');
  EXPECT_EQ(id->body[0], '0');
}

TEST_F(SimTest, TheFaultLogIsRecordsOf21Bytes) {
  Launch({"--amp", "A"});
  for (int i = 0; i < 4; ++i) Ok("fault A on ARC " + std::to_string(i));
  const auto reply = bus_->Ask('A', "4");
  ASSERT_TRUE(reply);
  const std::string payload = reply->raw.substr(3, reply->raw.size() - 5);
  ASSERT_EQ(payload.size(), 7u * 21);
  EXPECT_EQ(payload.substr(0, 20), "000112 HELIX OVERCUR");
  EXPECT_EQ(payload.substr(6 * 21, 20), "001502 ARC 3        ");
  EXPECT_EQ(payload[20], '\0');
}

}  // namespace
}  // namespace sim_test
