// The XMODEM engine stepped by hand over a socket pair on a hand-moved clock:
// what it answers to each packet, damaged or not, and how each loop ends.
#include "transfer/xmodem.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/scratch_directory.h"
#include "link/fake_line.h"
#include "platform/counter.h"
#include "records/program_state.h"
#include "transfer/transfer_sequence.h"
#include "ui/scripted_operator.h"

namespace {

const std::string ack = "\x06", nak = "\x15", eot = "\x04";
const std::string cancel_receive = "\x18\x18\x18\x18\x18\x18 \x1b\r\n Reset\r\n";
const std::string reset_after_file = "\x1b \r\nReset\r\n";
const std::string reset_after_fault = "\x1b \r\n Reset\r\n";

std::string Packet(int block, std::string data, bool crc = false) {
  data.resize(128, '\x1A');
  std::string packet =
      std::string("\x01") + static_cast<char>(block) + static_cast<char>(255 - block) + data;
  if (crc) {
    const std::uint16_t check = Crc_Ccitt(reinterpret_cast<const unsigned char*>(data.data()), 128);
    return packet + static_cast<char>(check >> 8) + static_cast<char>(check & 0xFF);
  }
  unsigned char sum = 0;
  for (char c : data) sum += static_cast<unsigned char>(c);
  return packet + static_cast<char>(sum);
}

class Xmodem : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::UseManualCounter(1'000'000);
    Advance(0);
    ResetXmodem();
    transfer_retries = 0;
    transfer_driveletter = 'C';
    std::snprintf(transfer_filename, sizeof transfer_filename, "Model.cfg");
    std::snprintf(transfer_filepath, sizeof transfer_filepath, "%s",
                  directory.File("Model.cfg").c_str());
  }
  void TearDown() override {
    if (target_file) std::fclose(target_file);
    target_file = nullptr;
    transfer_step = ts_unstarted;
    platform::UseSystemCounter();
  }
  void Advance(int msec) {
    now += static_cast<std::uint64_t>(msec) * 1000;
    platform::SetManualCounter(now);
  }
  void StartReceiving(const char* path = nullptr) {
    SetTransferSequenceStep(ts_receiving);
    target_file = std::fopen(path ? path : transfer_filepath, "wb");
    ResetXmodem();
    SerialSendChar(xmodem_nak);
    line.Sent();
  }
  void StartSending(const std::string& content) {
    directory.Write("out.cfg", content);
    SetTransferSequenceStep(ts_sendfile);
    target_file = std::fopen(directory.File("out.cfg").c_str(), "rb");
    RestartLinkTimer();
  }
  // Feeds bytes, lets msec pass and runs one step; what the console sent.
  std::string Step(const std::string& bytes, int msec = 0) {
    line.Feed(bytes);
    Advance(msec);
    ModelCfgXmodemSequence();
    return line.Sent();
  }
  std::string Saved() const { return directory.Read("Model.cfg"); }

  std::uint64_t now = 1'000'000'000;
  ScratchDirectory directory;
  FakeLine line;
  ui::ScriptedOperator op;
};

TEST(XmodemCrc, IsCrc16XmodemFromItsTable) {
  const unsigned char digits[] = "123456789";
  EXPECT_EQ(Crc_Ccitt(digits, 9), 0x31C3);
  const unsigned char one = 1;
  EXPECT_EQ(Crc_Ccitt(&one, 1), 0x1021);
}

TEST_F(Xmodem, ARepeatIsAcknowledgedADamagedOneIsNakedOnceQuietAndPaddingIsDropped) {
  StartReceiving();
  const std::string first(128, 'A');
  EXPECT_EQ(Step(Packet(1, first)), ack);
  EXPECT_EQ(Step(Packet(1, first)), ack);
  // A damaged copy of block 1 is no repeat; its tail, with a 0x04, is drained first.
  std::string damaged = Packet(1, first);
  damaged[131] ^= 0x40;
  EXPECT_EQ(Step(damaged), "");
  EXPECT_EQ(Step(eot, 150), "");
  EXPECT_EQ(Step("", 150), "");
  EXPECT_EQ(Step("", 60), nak);
  EXPECT_EQ(Step(Packet(2, "B")), ack);
  EXPECT_EQ(Step(eot), ack + reset_after_file);
  EXPECT_EQ(transfer_step, ts_complete);
  EXPECT_EQ(Saved(), first + "B");
}

TEST_F(Xmodem, EveryMalformedPacketIsNakedAndNeverAcknowledged) {
  const std::string good = Packet(1, "line\r\n");
  std::string complement = good, sum = good, can_inside = good;
  complement[2] = 0;
  sum[131] ^= 1;
  can_inside[40] = '\x18';
  const std::string cases[] = {good.substr(0, 131),
                               good + "x",
                               complement,
                               sum,
                               Packet(3, "z"),
                               can_inside,
                               good.substr(0, 60) + eot,
                               eot + good.substr(0, 50)};
  for (const std::string& bad : cases) {
    StartReceiving();
    std::string sent = Step(bad);
    for (int n = 0; n < 4; ++n) sent += Step("", 200);
    EXPECT_EQ(sent.find(ack), std::string::npos);
    EXPECT_NE(sent.find(nak), std::string::npos);
    EXPECT_EQ(transfer_step, ts_receiving);
    EXPECT_EQ(Step(good), ack);
    EXPECT_EQ(Step(eot), ack + reset_after_file);
    EXPECT_EQ(Saved(), "line\r\n");
  }
}

TEST_F(Xmodem, NoiseBeyondTheBufferDoesNotHideTheNextPacket) {
  StartReceiving();
  EXPECT_EQ(Step(std::string(4000, '\x04') + Packet(1, "k")), "");
  EXPECT_EQ(Step(""), ack);
}

TEST_F(Xmodem, ReceivingEndsInCancelOnSilenceOrPeerCancelAndNeverSavesAFileItCouldNotWrite) {
  StartReceiving();
  std::string sent;
  for (int n = 0; n < 5; ++n) sent += Step("", 200);
  EXPECT_EQ(sent, nak + nak + nak + nak + cancel_receive);
  EXPECT_EQ(transfer_step, ts_abort);

  StartReceiving();
  EXPECT_EQ(Step(Packet(1, "x")), ack);
  EXPECT_EQ(Step("\x18\x18"), reset_after_fault);
  EXPECT_EQ(transfer_step, ts_failed);

  // A block that cannot be written cancels at once.
  StartReceiving();
  std::fclose(target_file);
  target_file = std::fopen(transfer_filepath, "rb");
  EXPECT_EQ(Step(Packet(1, "w")), ack);
  EXPECT_EQ(Step(Packet(2, "w")), cancel_receive);
  EXPECT_EQ(transfer_step, ts_abort);

  // The disk fills: the file is never reported saved.
  StartReceiving("/dev/full");
  EXPECT_EQ(Step(Packet(1, std::string(128, 'y'))), ack);
  EXPECT_EQ(Step(eot), ack + reset_after_file);
  EXPECT_EQ(transfer_step, ts_abort);
}

TEST_F(Xmodem, SendingWaitsForAStartByteAloneResendsOnSilenceAndWaitsForTheEotsAck) {
  StartSending(std::string(128, 'a') + "b");
  // The "C" of a prompt or of the echoed command is no start byte.
  EXPECT_EQ(Step("transfer /r C"), "");
  EXPECT_EQ(Step(":Model.cfg \r\n", 30), "");
  EXPECT_EQ(Step("C:\\>", 30), "");
  EXPECT_EQ(transfer_step, ts_sendfile);
  EXPECT_EQ(Step("C"), "");
  EXPECT_EQ(Step("", 30), "");
  ASSERT_EQ(transfer_step, ts_sending);
  const std::string block1 = Packet(1, std::string(128, 'a'), true);
  EXPECT_EQ(Step(""), block1);
  EXPECT_EQ(Step("C"), block1);  // asked again before block 1 came
  const std::string block2 = Packet(2, "b", true);
  EXPECT_EQ(Step(ack), block2);
  EXPECT_EQ(Step("", 2000), block2);  // its ACK was lost
  EXPECT_EQ(Step(ack), eot);
  EXPECT_EQ(Step("", 1500), "");
  EXPECT_EQ(Step(nak), eot);
  EXPECT_EQ(Step(ack), reset_after_file);
  EXPECT_EQ(transfer_step, ts_resetwait);
}

TEST_F(Xmodem, SendingEndsOnASecondSilenceTenNaksOrACancel) {
  struct Case {
    std::string answers;
    int silence_msec;
    transfer_sequence_enum step;
    std::string tail;
  } cases[] = {{"", 2000, ts_timeout, reset_after_fault},
               {std::string(10, '\x15'), 0, ts_failed, "\x18\x18\x18\x18\x18\x18 \r\n Reset\r\n"},
               {"\x18", 0, ts_failed, reset_after_fault}};
  for (const Case& c : cases) {
    StartSending(std::string(300, 'q'));
    Step("\x15", 30);
    Step("", 30);
    ASSERT_EQ(transfer_step, ts_sending);
    std::string sent = Step(ack);
    for (char answer : c.answers) sent = Step(std::string(1, answer));
    if (c.silence_msec) Step("", c.silence_msec);
    if (c.silence_msec) sent = Step("", c.silence_msec);
    EXPECT_EQ(transfer_step, c.step);
    EXPECT_EQ(sent.substr(sent.size() - c.tail.size()), c.tail);
  }
}

TEST_F(Xmodem, ACancelBeforeTheFirstBlockAlsoResetsTheConsole) {
  StartSending("x");
  EXPECT_EQ(Step("\x18\x18"), reset_after_fault);
  EXPECT_EQ(transfer_step, ts_failed);
}

TEST_F(Xmodem, AnEmptyFileIsAnsweredWithEotAtOnce) {
  StartSending("");
  Step("\x15", 30);
  Step("", 30);
  EXPECT_EQ(Step(""), eot);
  EXPECT_EQ(Step(ack), reset_after_file);
}

}  // namespace
