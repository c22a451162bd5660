#include <string>

#include <gtest/gtest.h>

#include "fake_line.h"
#include "link/capture.h"
#include "link/console.h"

namespace {

using namespace std::string_literals;

// Feeds bytes one call at a time, as ticks would see them.
int TrapEach(const FakeLine& line, const std::string& bytes) {
  int result = 0;
  for (char c : bytes) {
    line.Feed(std::string(1, c));
    result = TrapResponse(0);
  }
  return result;
}

TEST(TessaryCapture, AcceptsAFrameWhateverItsChecksumByteIs) {
  // A body byte chosen so that the checksum comes out as each control byte.
  for (const char control : {'\x02', '\x03', '\x06', '\x15'}) {
    FakeLine line;
    const char body = static_cast<char>(control ^ 0x06 ^ 'A' ^ '?' ^ 0x03);
    const std::string frame = "\x06" "A?"s + body + '\x03' + control;
    EXPECT_EQ(TrapEach(line, frame), 1) << int(control);
    EXPECT_EQ(Captured(), frame);
  }
}

TEST(TessaryCapture, GarbageAndEarlyEtxBeforeTheStartAreDropped) {
  FakeLine line;
  const std::string answer = TessaryAnswer('A', "?0123");
  line.Feed("\x03xyz\x03\x7F"s);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].response_done, 0);
  line.Feed(answer);
  EXPECT_EQ(TrapResponse(0), 1);
  EXPECT_EQ(Captured(), answer);
  // A start byte while collecting starts the frame over.
  ResetReceiver(0);
  line.Feed("\x06" "Ajunk"s + answer);
  EXPECT_EQ(TrapResponse(0), 1);
  EXPECT_EQ(Captured(), answer);
}

TEST(TessaryCapture, FinishedVerdictsHoldUntilReset) {
  FakeLine line;
  // A NAK-started answer ends at once with 0 and keeps giving 0.
  line.Feed(TessaryAnswer('A', "?", 0x15));
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].response_done, 2);
  line.Feed(TessaryAnswer('A', "?"));
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(TrapResponse(0), 0);
  // The good answer was not read: it is there after the reset.
  ResetReceiver(0);
  EXPECT_EQ(TrapResponse(0), 1);
  // Valid answers stay valid on later calls.
  EXPECT_EQ(TrapResponse(0), 1);
  // An STX-started frame is captured but never valid.
  ResetReceiver(0);
  line.Feed(TessaryAnswer('A', "?", 0x02));
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(Captured(), TessaryAnswer('A', "?", 0x02));
  // A wrong checksum fails on the serial line.
  ResetReceiver(0);
  std::string bad = TessaryAnswer('A', "?12");
  bad.back() ^= 1;
  line.Feed(bad);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].response_done, 2);
}

TEST(TessaryCapture, OverflowAtThreeThousandBytesStaysFailed) {
  FakeLine line;
  line.Feed("\x06"s + std::string(2998, 'x'));
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 2999);
  EXPECT_EQ(protocol_state[0].response_done, 0);
  line.Feed("x" + TessaryAnswer('A', "?"));
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 0);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(CaptureFinished(0), 1);
  ResetReceiver(0);
  EXPECT_EQ(TrapResponse(0), 1);
  EXPECT_EQ(Captured(), TessaryAnswer('A', "?"));
}

TEST(TessaryCapture, ReceivedBytesShowInTheReceivedColour) {
  FakeLine line;
  InitDebugConsole();
  ClearConsole();
  line.Feed("\x15"s);
  TrapResponse(0);
  ASSERT_FALSE(ConsoleLines().empty());
  const ConsoleRun& run = ConsoleLines().back().runs.back();
  EXPECT_EQ(run.color, console_received);
  EXPECT_EQ(run.text, "[NAK]");
  CloseDebugConsole();
}

TEST(QuillonCapture, CompletesOnLengthAndEtx) {
  FakeLine line;
  quillon_protocol = 1;
  const std::string answer = QuillonAnswer('A', "?0123");
  // Bytes before STX are dropped; byte by byte it completes on the last one.
  EXPECT_EQ(TrapEach(line, "zz" + answer), 1);
  EXPECT_EQ(Captured(), answer);
  EXPECT_EQ(TrapResponse(0), 1);
  // Every byte read shows in the received colour, the dropped ones too, and
  // nothing past the frame: that belongs to the next capture.
  InitDebugConsole();
  ClearConsole();
  ResetReceiver(0);
  line.Feed("z" + answer + "\x02");
  EXPECT_EQ(TrapResponse(0), 1);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  ASSERT_EQ(ConsoleLines()[0].runs.size(), 1u);
  EXPECT_EQ(ConsoleLines()[0].runs[0].color, console_received);
  EXPECT_EQ(ConsoleLines()[0].runs[0].text, "z[STX][LF]A?0123F[ETX]");
  CloseDebugConsole();
  ResetReceiver(0);
  EXPECT_EQ(TrapResponse(0), 0);
  // What follows a complete frame is left for the next capture.
  ResetReceiver(0);
  line.Feed(answer + answer);
  EXPECT_EQ(TrapResponse(0), 1);
  ResetReceiver(0);
  EXPECT_EQ(TrapResponse(0), 1);
}

TEST(QuillonCapture, LengthLimitsAndRefusals) {
  FakeLine line;
  quillon_protocol = 1;
  // The longest acceptable frame: 127 bytes.
  const std::string longest = QuillonAnswer('A', std::string(122, 'q'));
  ASSERT_EQ(longest.size(), 127u);
  line.Feed(longest);
  EXPECT_EQ(TrapResponse(0), 1);
  // A length byte of 0x80 or more reads as negative: discarded at byte three.
  ResetReceiver(0);
  line.Feed("\x02\x80" "A"s);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 0);
  // A frame running past its announced length is discarded.
  line.Feed("\x02\x06" "A?xyz\x03"s);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 0);
  // "ERROR" in the body fails whatever the sum says.
  line.Feed(QuillonAnswer('A', "?ERROR"));
  EXPECT_EQ(TrapResponse(0), 0);
  ResetReceiver(0);
  std::string bad = QuillonAnswer('A', "?12");
  bad[bad.size() - 2] ^= 1;
  line.Feed(bad);
  EXPECT_EQ(TrapResponse(0), 0);
  // A frame of the announced length without the closing ETX never completes:
  // the next byte runs past the length and discards it.
  ResetReceiver(0);
  line.Feed("\x02\x06" "A?\x00\x00"s);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 6);
  line.Feed("\x03"s);
  EXPECT_EQ(TrapResponse(0), 0);
  EXPECT_EQ(protocol_state[0].receive_count, 0);
}

TEST(RawReading, AppendsUpToTheBufferAndKeepsTheRest) {
  FakeLine line;
  line.Feed("CCC");
  EXPECT_EQ(ReadSerial(0), 3);
  EXPECT_EQ(ReadSerial(0), 0);
  line.Feed(std::string(3100, 'd'));
  EXPECT_EQ(ReadSerial(0), 2996);
  EXPECT_EQ(protocol_state[0].receive_count, 2999);
  EXPECT_EQ(ReadSerial(0), 0);
  ResetReceiver(0);
  EXPECT_EQ(ReadSerial(0), 104);
}

TEST(CheckSumError, ComparesTheLastByte) {
  FakeLine line;
  EXPECT_EQ(CheckSumError(0), 1);  // nothing stored
  line.Feed(TessaryAnswer('A', "?"));
  TrapResponse(0);
  EXPECT_EQ(CheckSumError(0), 0);
  protocol_state[0].response_buf[1] = 'B';
  EXPECT_EQ(CheckSumError(0), 1);
}

}  // namespace
