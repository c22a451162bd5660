// The service console sequence against a line the test plays by hand: the
// address rules, each step's command lines and retries, the line format, the
// teardown and what unexpected console output does.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <optional>
#include <string>

#include "config/scratch_directory.h"
#include "console_line.h"
#include "platform/serial_port_calls.h"
#include "resources/modelcfg_dialogs.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using ui::ScriptedOperator;

// The console answers the first blank lines and then the prompt step's.
void AnswerPrompts(ConsoleLine& line, const char* prompt = "\r\nC:\\>") {
  line.Feed(prompt);
  ASSERT_TRUE(line.Until([] { return transfer_step == ts_findprompt; }, 2000));
  line.Feed(prompt);
}

TEST(TransferAddress, OneCharacterIsItsCodeLongerIsHexadecimalAndTheRestIsRefused) {
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "AS");
  EXPECT_EQ(ui::Title(dialog), "Send Configuration");
  EXPECT_EQ(transfer_device, 'A');
  EXPECT_EQ(polling_enabled, 0);
  struct Case {
    const char* text;
    int device;  // -1: refused
  } cases[] = {{"41", 0x41}, {"1", '1'}, {"ff", 255}, {"00", 0},   {"100", -1},
               {"G1", -1},   {"", -1},   {"4 1", -1}, {"\xE9", -1}};
  for (const Case& c : cases) {
    op.ClearBoxes();
    ScriptedOperator::Type(dialog, id_transfer_address, c.text);
    EXPECT_EQ(transfer_device, c.device) << c.text;
    if (c.device >= 0) continue;
    ScriptedOperator::Press(dialog, ui::id_ok);
    ASSERT_EQ(op.Boxes().size(), 1u) << c.text;
    EXPECT_EQ(op.Boxes()[0].text, "Enter Valid Device Address.");
    EXPECT_EQ(op.Boxes()[0].caption, "Bad Address.");
    EXPECT_EQ(transfer_step, ts_unstarted);
  }
  EXPECT_EQ(line.Sent(), "");
  ScriptedOperator::Press(dialog, ui::id_cancel);
  EXPECT_FALSE(ui::IsLive(dialog));
  EXPECT_EQ(polling_enabled, 1);
}

struct DrivePick {
  const char* vdisk_answer;
  const char* e100_answer;
  char drive;
};

class TransferSteps : public ::testing::TestWithParam<DrivePick> {};

// The prompt of drive E counts as a prompt; the target is C or D by the drivers found.
TEST_P(TransferSteps, ASendTypesEachCommandLineAndPicksTheDrive) {
  ScratchDirectory directory;
  directory.Write("Model.cfg", "BAND KU\r\n");
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "BS");
  ScriptedOperator::Press(dialog, ui::id_ok);
  EXPECT_TRUE(Is9600N81(line.Format()));
  EXPECT_TRUE(
      line.SentHas("\x02"
                   "BY~\x03"));
  ASSERT_TRUE(line.UntilSent("\r\n\r\n"));
  EXPECT_EQ(ui::ControlText(dialog, id_transfer_status), "Initializing remote console");
  AnswerPrompts(line, "\r\nE:\\>");
  ASSERT_TRUE(line.UntilSent("\x1b Dir Vdisk.sys \r\n"));
  line.Feed(GetParam().vdisk_answer);
  ASSERT_TRUE(line.UntilSent("\x1b Dir E100Bpkt.com \r\n"));
  line.Feed(GetParam().e100_answer);
  const std::string set_drive = std::string("\x1b ") + GetParam().drive + ": \r\n";
  ASSERT_TRUE(line.UntilSent(set_drive));
  line.Feed(std::string("\r\n") + GetParam().drive + ":\\>");
  const std::string receive =
      std::string("\x1b Transfer /r ") + GetParam().drive + ":Model.cfg \r\n";
  ASSERT_TRUE(line.UntilSent(receive));
  EXPECT_EQ(transfer_step, ts_sendfile);
  EXPECT_EQ(ui::ControlText(dialog, id_transfer_status),
            std::string("Transferring ") + GetParam().drive + ":Model.cfg");
  EXPECT_TRUE(Is9600N81(line.Format()));
  EXPECT_TRUE(op.Boxes().empty());

  // Cancel mid-transfer: the console's own format, no tick, polling again.
  ScriptedOperator::Press(dialog, ui::id_cancel);
  EXPECT_FALSE(ui::IsLive(dialog));
  EXPECT_TRUE(IsOwnFormat(line.Format()));
  EXPECT_EQ(xmodem_timer, 0u);
  EXPECT_EQ(target_file, nullptr);
  EXPECT_EQ(polling_enabled, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, TransferSteps,
    ::testing::Values(DrivePick{"File not found\r\n", "File not found\r\n", 'C'},
                      DrivePick{" VDISK    SYS  1234\r\n", "File not found\r\n", 'D'},
                      DrivePick{" VDISK    SYS  1234\r\n", " E100BPKT COM  999\r\n", 'C'},
                      DrivePick{"File not found VDISK\r\n", "File not found\r\n", 'C'}));

TEST(TransferSequence, AnUnreadableFileIsAskedForThriceThenTheAmplifierIsReset) {
  ScratchDirectory directory;
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "AS");
  ScriptedOperator::Press(dialog, ui::id_ok);
  AnswerPrompts(line);
  ASSERT_TRUE(line.UntilSent("\x1b Dir Vdisk.sys \r\n"));
  line.Feed("File not found\r\n");
  ASSERT_TRUE(line.UntilSent("\x1b Dir E100Bpkt.com \r\n"));
  line.Feed("File not found\r\n");
  // Every drive change is answered with the prompt; the file stays unreadable.
  std::size_t answered = 0;
  ASSERT_TRUE(line.Until(
      [&] {
        std::size_t asked = 0;
        for (std::size_t at = 0; (at = line.Sent().find("\x1b C: \r\n", at)) != std::string::npos;
             ++at)
          ++asked;
        for (; answered < asked; ++answered) line.Feed("\r\nC:\\>");
        return transfer_step == ts_abort;
      },
      6000));
  ASSERT_FALSE(op.Boxes().empty());
  EXPECT_LE(answered, 3u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't read " + directory.File("Model.cfg").string() + ".");
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_TRUE(line.SentHas("\r\nReset\r\n"));
  EXPECT_EQ(ui::ControlText(dialog, id_transfer_status), "Operation failed.  Rebooting firmware.");
}

// Console output that never holds what a step waits for: the steps retry and
// give up, reading it without overrunning the buffer or spinning a core.
class UnexpectedOutput : public ::testing::TestWithParam<std::string> {};

TEST_P(UnexpectedOutput, EndsInTheResetWithoutHangingOrSpinning) {
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "AS");
  ScriptedOperator::Press(dialog, ui::id_ok);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  std::size_t fed = 0;
  const bool ended = line.Until(
      [&] {
        if (fed < GetParam().size()) {
          const std::size_t piece = std::min<std::size_t>(1024, GetParam().size() - fed);
          line.Feed(GetParam().substr(fed, piece));
          fed += piece;
        }
        return transfer_step == ts_abort;
      },
      10000);
  ASSERT_TRUE(ended);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) +
                     (after.ru_utime.tv_usec - before.ru_utime.tv_usec) / 1e6;
  EXPECT_LT(cpu, wall / 2);
  EXPECT_LE(protocol_state[0].receive_count, response_buffer_size);
  EXPECT_TRUE(line.SentHas("\r\nReset\r\n"));
  EXPECT_TRUE(ui::IsLive(dialog));
}

std::string AllByteValues() {
  std::string bytes;
  for (int round = 0; round < 16; ++round) {
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Output, UnexpectedOutput,
    ::testing::Values(std::string("\x7f\x80 garbage; no prompt here\n\n\n\x1b[2J"),
                      std::string(4000, 'x') + "\nno carriage return\n", AllByteValues(),
                      std::string(64 * 1024, 'Z')));

}  // namespace

// A box a step opens runs the window system's own loop, in which the tick
// keeps firing: no step may run until the operator has answered.
TEST(TransferSequence, NoStepRunsWhileAStepsMessageBoxIsOpen) {
  ScratchDirectory directory;
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  std::optional<ScriptedOperator> op(std::in_place);
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "AS");
  ScriptedOperator::Press(dialog, ui::id_ok);
  AnswerPrompts(line);
  ASSERT_TRUE(line.UntilSent("\x1b Dir Vdisk.sys \r\n"));
  line.Feed("File not found\r\n");
  ASSERT_TRUE(line.UntilSent("\x1b Dir E100Bpkt.com \r\n"));
  line.Feed("File not found\r\n");
  ASSERT_TRUE(line.UntilSent("\x1b C: \r\n"));
  // The real box this time, answered after 1.5 s: the step's retry falls due meanwhile.
  op.reset();
  line.Feed("\r\nC:\\>");
  usleep(20000);  // on the console's side of the line before any step runs
  const std::size_t sent_before = line.Sent().size();
  std::size_t sent_when_answered = 0;
  QTimer::singleShot(1500, [&] {
    sent_when_answered = line.Sent().size();
    if (QWidget* box = QApplication::activeModalWidget()) box->close();
  });
  ASSERT_TRUE(line.Until([&] { return sent_when_answered != 0; }, 4000));
  EXPECT_EQ(sent_when_answered, sent_before);
  EXPECT_EQ(transfer_step, ts_setdrive);
}

// The real calls, except that the port claims modem lines and RTS is recorded.
class RtsRecorder : public platform::PortCalls {
 public:
  RtsRecorder() : real_(platform::CurrentPortCalls()) { platform::UsePortCalls(this); }
  ~RtsRecorder() override { platform::UsePortCalls(nullptr); }
  bool GetLine(int port, termios2* line) override { return real_.GetLine(port, line); }
  bool SetLine(int port, const termios2& line) override { return real_.SetLine(port, line); }
  bool GetRs485(int, serial_rs485*) override { return false; }
  bool SetRs485(int, const serial_rs485&) override { return false; }
  bool GetModemLines(int, int* lines) override {
    *lines = 0;
    return true;
  }
  void SetModemLines(int, int lines, bool on) override {
    if (lines & TIOCM_RTS) rts_on = on;
  }
  ssize_t Write(int port, const unsigned char* bytes, std::size_t count) override {
    return real_.Write(port, bytes, count);
  }
  bool WaitWritable(int port, int msec) override { return real_.WaitWritable(port, msec); }
  int OutputQueue(int port) override { return real_.OutputQueue(port); }
  void DrainHardware(int port) override { real_.DrainHardware(port); }
  void DiscardOutput(int port) override { real_.DiscardOutput(port); }
  std::uint64_t NowMsec() override { return real_.NowMsec(); }
  void SleepMsec(unsigned msec) override { real_.SleepMsec(msec); }

  bool rts_on = false;

 private:
  platform::PortCalls& real_;
};

// RTS stays on for the service console; the teardown gives the port back
// its toggling (RTS released between writes).
TEST(TransferSequence, TheTeardownRestoresRtsToggling) {
  RtsRecorder rts;
  ConsoleLine line;
  ASSERT_TRUE(line.Opened());
  ScriptedOperator op;
  const ui::Handle dialog = OpenTransferDialog(ui::no_window, "AS");
  ScriptedOperator::Press(dialog, ui::id_ok);
  EXPECT_TRUE(rts.rts_on);
  ScriptedOperator::Press(dialog, ui::id_cancel);
  EXPECT_FALSE(rts.rts_on);
  EXPECT_TRUE(IsOwnFormat(line.Format()));
}
