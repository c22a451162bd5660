// The XMODEM loops against lrzsz's sx and rx on a pseudo-terminal, stepped
// as the transfer sequence steps them: whole files byte for byte, noise,
// cancels, and through a relay that loses one ACK.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/program_state.h"
#include "support/relay_process.h"
#include "transfer/transfer_sequence.h"
#include "transfer/xmodem.h"
#include "ui/scripted_operator.h"

namespace {

using namespace std::chrono;

// socat runs the peer's shell script behind its SYSTEM address, so that the
// peer's last bytes are passed on even when it exits at once.
class Peer {
 public:
  Peer(const std::filesystem::path& directory, const std::string& script,
       const std::string& device) {
    std::FILE* file = std::fopen((directory / "peer.sh").c_str(), "w");
    std::fputs(script.c_str(), file);
    std::fclose(file);
    const std::string line = device.empty() ? "PTY,rawer,link=" + (directory / "tty").string()
                                            : "OPEN:" + device + ",rawer";
    const std::string system = "SYSTEM:exec sh peer.sh";
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      if (chdir(directory.c_str()) != 0) _exit(127);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 2);
      execlp("socat", "socat", line.c_str(), system.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Peer() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  // Whether it exited within timeout_ms.
  bool Exited(int timeout_ms) {
    for (int waited = 0; waited < timeout_ms; waited += 20) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return true;
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
  }

 private:
  pid_t pid_ = -1;
};

bool Final(transfer_sequence_enum step) {
  return step == ts_complete || step == ts_abort || step == ts_failed || step == ts_timeout ||
         step == ts_resetwait;
}

std::string Content(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  // The padding cannot be told from data that ends the same way.
  if (size) bytes.back() = '\n';
  return bytes;
}

class Lrzsz : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    std::snprintf(transfer_filename, sizeof transfer_filename, "Model.cfg");
    std::snprintf(transfer_filepath, sizeof transfer_filepath, "%s",
                  directory.File("Model.cfg").c_str());
    transfer_driveletter = 'C';
    transfer_retries = 0;
  }
  void TearDown() override {
    if (target_file) std::fclose(target_file);
    target_file = nullptr;
    transfer_step = ts_unstarted;
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  bool Open(const std::string& path) {
    for (int waited = 0; !std::filesystem::exists(path) && waited < 5000; waited += 20) {
      std::this_thread::sleep_for(milliseconds(20));
    }
    std::snprintf(serial_port, sizeof serial_port, "%s", path.c_str());
    std::memset(protocol_state, 0, sizeof protocol_state);
    return InitSerial() == 1;
  }
  // The engine's end opened on the pty; the sequence's step begun as it begins it.
  void StartReceiving() {
    SetTransferSequenceStep(ts_receiving);
    ResetXmodem();
    target_file = std::fopen(transfer_filepath, "wb");
    SerialSendChar(xmodem_nak);
  }
  void StartSending(const std::string& content) {
    directory.Write("Model.cfg", content);
    target_file = std::fopen(transfer_filepath, "rb");
    SetTransferSequenceStep(ts_sendfile);
    RestartLinkTimer();
  }
  // Steps on the tick and whenever bytes arrive, as the sequence does.
  transfer_sequence_enum Run(int timeout_ms = 20000) {
    const auto end = steady_clock::now() + milliseconds(timeout_ms);
    while (!Final(transfer_step) && steady_clock::now() < end) {
      ModelCfgXmodemSequence();
      SerialWaitReadable(56);
    }
    return transfer_step;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

class LrzszSizes : public Lrzsz, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LrzszSizes, ReceivesFromSxByteForByte) {
  const std::string content = Content(GetParam());
  directory.Write("source", content);
  Peer sx(directory.File(""), "exec sx -q source", "");
  ASSERT_TRUE(Open(directory.File("tty").string()));
  StartReceiving();
  EXPECT_EQ(Run(), ts_complete);
  EXPECT_EQ(directory.Read("Model.cfg"), content);
}

TEST_P(LrzszSizes, SendsToRxInEitherModeByteForByte) {
  const std::string content = Content(GetParam());
  for (const bool crc : {false, true}) {
    std::filesystem::remove(directory.File("got"));
    Peer rx(directory.File(""), crc ? "exec rx -c -q got" : "exec rx -q got", "");
    ASSERT_TRUE(Open(directory.File("tty").string()));
    StartSending(content);
    EXPECT_EQ(Run(), ts_resetwait) << crc;
    EXPECT_EQ(xmodem_crc16, crc ? 1 : 0);
    ASSERT_TRUE(rx.Exited(5000));
    // rx keeps the last block's padding.
    std::string padded = content;
    padded.resize((content.size() + 127) / 128 * 128, '\x1A');
    EXPECT_EQ(directory.Read("got"), padded) << crc;
    CloseSerial();
  }
}

INSTANTIATE_TEST_SUITE_P(Files, LrzszSizes, ::testing::Values(0, 1, 127, 128, 129, 40000));

TEST_F(Lrzsz, NoiseBeforeTheFirstPacketOrTheStartByteIsSkipped) {
  const std::string content = Content(300);
  directory.Write("source", content);
  {
    Peer sx(directory.File(""), "sx -q source | { sleep 0.1; printf '+++ATH\\r\\n\\030x'; cat; }",
            "");
    ASSERT_TRUE(Open(directory.File("tty").string()));
    StartReceiving();
    EXPECT_EQ(Run(), ts_complete);
    EXPECT_EQ(directory.Read("Model.cfg"), content);
    CloseSerial();
  }
  Peer rx(directory.File(""), "printf 'C:\\\\> '; exec rx -c -q got", "");
  ASSERT_TRUE(Open(directory.File("tty").string()));
  StartSending(content);
  EXPECT_EQ(Run(), ts_resetwait);
  ASSERT_TRUE(rx.Exited(5000));
  EXPECT_EQ(directory.Read("got").substr(0, content.size()), content);
}

TEST_F(Lrzsz, CanCanFromThePeerFailsEitherWayAndResetsTheConsole) {
  struct Case {
    bool send;
    const char* peer;
  } cases[] = {{false, "head -c1 >/dev/null; printf '\\030\\030'; sleep 3"},
               {true, "printf C; head -c100 >/dev/null; printf '\\030\\030'; sleep 3"}};
  for (const Case& c : cases) {
    Peer peer(directory.File(""), c.peer, "");
    ASSERT_TRUE(Open(directory.File("tty").string()));
    if (c.send) {
      StartSending(Content(1000));
    } else {
      StartReceiving();
    }
    EXPECT_EQ(Run(5000), ts_failed) << c.send;
    CloseSerial();
  }
}

struct LostAck {
  bool send;  // the engine sends to rx -c; otherwise it receives from sx
  long nth;   // 2: a middle block's ACK, 3: the last block's, 4: the EOT's
};

void PrintTo(const LostAck& lost, std::ostream* out) {
  *out << (lost.send ? "send, ACK " : "receive, ACK ") << lost.nth;
}

class LrzszLostAck : public Lrzsz, public ::testing::WithParamInterface<LostAck> {};

TEST_P(LrzszLostAck, EndsWithTheWholeFile) {
  const std::string content = Content(3 * 128);
  test_support::RelayOptions options;
  options.rate = 0;
  // The engine sits on end a.
  options.drops.push_back(
      {GetParam().send ? test_support::RelayDrop::b_to_a : test_support::RelayDrop::a_to_b,
       xmodem_ack, GetParam().nth, 0});
  test_support::RelayProcess relay;
  ASSERT_TRUE(relay.Start(options));
  if (GetParam().send) {
    Peer rx(directory.File(""), "exec rx -c -q got", relay.PathB());
    ASSERT_TRUE(Open(relay.PathA()));
    StartSending(content);
    EXPECT_EQ(Run(), ts_resetwait);
    ASSERT_TRUE(rx.Exited(5000));
    EXPECT_EQ(directory.Read("got"), content);
  } else {
    directory.Write("source", content);
    Peer sx(directory.File(""), "exec sx -q source", relay.PathB());
    ASSERT_TRUE(Open(relay.PathA()));
    StartReceiving();
    EXPECT_EQ(Run(), ts_complete);
    EXPECT_EQ(directory.Read("Model.cfg"), content);
  }
  EXPECT_EQ(relay.Dropped(0, 1000), 1);
}

std::string LostAckName(const ::testing::TestParamInfo<LostAck>& info) {
  static const char* const which[] = {"", "", "Middle", "Last", "Eot"};
  return std::string(info.param.send ? "Send" : "Receive") + which[info.param.nth];
}

INSTANTIATE_TEST_SUITE_P(Drops, LrzszLostAck,
                         ::testing::Values(LostAck{false, 2}, LostAck{false, 3}, LostAck{false, 4},
                                           LostAck{true, 2}, LostAck{true, 3}, LostAck{true, 4}),
                         LostAckName);

}  // namespace
