// The firmware download against a link the test plays: chunk numbering,
// padding and percentages, the chunk reader, the refusals, the speed change
// and its recovery, and the dialog's pacing and failures.
#include "transfer/download.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/scratch_directory.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/firmware_dialog.h"
#include "transfer/download_comm.h"
#include "transfer/download_link.h"
#include "transfer/firmware_file.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using ui::ScriptedOperator;

std::string Bytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t n = 0; n < size; ++n) bytes[n] = static_cast<char>((n * 7 + 3) % 256);
  return bytes;
}

TEST(FirmwareFile, ChunkCountsAndRefusals) {
  struct Case {
    std::uint64_t size;
    std::uint32_t chunks;
    const char* refusal;  // a part of it; nullptr: accepted
  } cases[] = {
      {0, 0, "fw.exe is empty"}, {1, 1, nullptr},
      {99, 1, nullptr},          {100, 1, nullptr},
      {101, 2, nullptr},         {250, 3, nullptr},
      {9999900, 99999, nullptr}, {9999901, 100000, "at most 9999900 bytes (99999 chunks"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirmwareChunkCount(c.size), c.chunks) << c.size;
    const std::string refusal = FirmwareSizeRefusal("fw.exe", c.size);
    if (c.refusal) {
      EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
      EXPECT_EQ(refusal.rfind("fw.exe", 0), 0u) << refusal;
    } else {
      EXPECT_EQ(refusal, "") << c.size;
    }
  }
}

TEST(FirmwareFile, EveryChunkCarriesItsOwnBytesAndTheLastIsPadded) {
  ScratchDirectory directory;
  const std::string content = Bytes(250);
  directory.Write("fw.exe", content);
  std::FILE* file = std::fopen(directory.File("fw.exe").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  unsigned char buf[firmware_chunk_size];
  // Out of order and repeated, as chunks offered again are read.
  for (long chunk : {0L, 1L, 1L, 2L, 1L, 0L}) {
    ASSERT_TRUE(ReadFirmwareChunk(file, chunk, content.size(), buf)) << chunk;
    std::string expected = content.substr(static_cast<std::size_t>(chunk) * 100, 100);
    expected.resize(100, '\0');
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 100), expected) << chunk;
  }
  EXPECT_FALSE(ReadFirmwareChunk(file, 3, content.size(), buf));
  // A file that became shorter than announced fails before its last chunk.
  EXPECT_FALSE(ReadFirmwareChunk(file, 2, 350, buf));
  EXPECT_FALSE(ReadFirmwareChunk(nullptr, 0, 250, buf));
  std::fclose(file);
}

TEST(FirmwareFile, PercentagesAndProgressSteps) {
  struct Case {
    long chunk;
    std::uint32_t chunks;
    const char* text;
    int steps;
  } cases[] = {{0, 3, "33.3%", 6},          {1, 3, "66.7%", 13},    {2, 3, "100.0%", 20},
               {0, 1000, "00.1%", 0},       {49, 1000, "05.0%", 1}, {98, 1000, "09.9%", 1},
               {0, 10, "10.0%", 2},         {8, 10, "90.0%", 18},   {0, 99999, "00.0%", 0},
               {99998, 99999, "100.0%", 20}};
  for (const Case& c : cases) {
    EXPECT_EQ(PercentText(c.chunk, c.chunks), c.text) << c.chunk << "/" << c.chunks;
    EXPECT_EQ(ProgressSteps(c.chunk, c.chunks), c.steps) << c.chunk << "/" << c.chunks;
  }
}

// A device behind the local port: it answers only at its own rate, switches
// after answering a port set, and remembers what it received.
class FakeLink final : public DownloadLink {
 public:
  bool serial = true;
  long line = 9600;
  long device_rate = 9600;
  std::string port_answer = "X1009600N81";
  bool lose_set_answer = false;  // the next port set switches unanswered
  bool ignore_sets = false;      // port sets go unanswered and change nothing
  bool connected = true;
  // Whether the device answers a body (after the rate check).
  std::function<bool(const std::string&)> answers = [](const std::string&) { return true; };
  std::vector<std::string> sent;  // each body, then '@' and the line's rate
  int reopened = 0;

  bool Serial() override { return serial; }
  bool Command(int, const char* body, int length, int, int) override {
    const std::string text(body, length ? static_cast<std::size_t>(length) : std::strlen(body));
    sent.push_back(text + "@" + std::to_string(line));
    if (serial && line != device_rate) return false;
    const bool port_set = text.size() == 11 && text[0] == 'X';
    if (port_set && ignore_sets) return false;
    if (!answers(text)) return false;
    reply_ = std::string(
                 "\x06"
                 "A") +
             (text == "X?" ? port_answer : text.substr(0, 1));
    if (port_set) {
      device_rate = std::stol(text.substr(2, 6));
      if (lose_set_answer) {
        lose_set_answer = false;
        return false;
      }
    }
    return true;
  }
  int ReplyByte(int, int at) override {
    return at >= 1 && at < static_cast<int>(reply_.size()) ? static_cast<unsigned char>(reply_[at])
                                                           : -1;
  }
  bool Connected(int) override { return connected; }
  bool SetLine(std::int32_t baud, std::uint8_t, std::uint8_t, std::uint8_t) override {
    line = baud;
    return true;
  }
  bool Reopen() override {
    line = 9600;
    ++reopened;
    return true;
  }
  void Pause(int) override {}
  // The bodies sent, chunks cut to their number.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const std::string& s : sent) {
      commands.push_back(s.rfind("Y3", 0) == 0 ? s.substr(0, 7) + s.substr(s.find('@', 107)) : s);
    }
    return commands;
  }

 private:
  std::string reply_;
};

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    UseDownloadLink(&link);
    restore_comm = 0;
    autoload_fw = 0;
  }
  void TearDown() override {
    UseDownloadLink(nullptr);
    ResetSettings();
    ResetLinkSettings();
    autoload_fw = 0;
  }
  FakeLink link;
};

using Strings = std::vector<std::string>;

TEST_F(Download, SpeedChangeTakesTheDeviceSettingsOnlyFromAWholeAnswer) {
  struct Case {
    const char* answer;
    bool taken;
  } cases[] = {{"X1009600N81", true},
               {"X2019200E72", true},
               {"X100960", false},
               {"X1OO9600N81", false},
               {"X1009600Q81", false},
               {"X1009600N\xB8"
                "1",
                false},
               {"X1009600N83", false},
               {"", false}};
  for (const Case& c : cases) {
    link = FakeLink();
    link.port_answer = c.answer;
    restore_comm = 0;
    EXPECT_EQ(SpeedyComm('A'), c.taken ? 1 : 0) << c.answer;
    EXPECT_EQ(restore_comm, c.taken ? 1 : 0) << c.answer;
    if (!c.taken) {
      EXPECT_EQ(link.Commands(), Strings{"X?@9600"}) << c.answer;
      continue;
    }
    const std::string set = std::string("X") + c.answer[1] + "057600N81@9600";
    EXPECT_EQ(link.Commands(), (Strings{"X?@9600", set})) << c.answer;
    EXPECT_EQ(link.line, 57600);
  }
  EXPECT_EQ(save_port, 2);
  EXPECT_EQ(save_baud, 19200);
  EXPECT_EQ(save_parity, 'E');
  EXPECT_EQ(save_data, 7);
  EXPECT_EQ(save_stop, 2);
}

TEST_F(Download, RestoreFindsTheDeviceWhereverTheSpeedChangeLeftIt) {
  struct Case {
    const char* name;
    bool lose_set_answer, ignore_sets, dead_after_set;
    int speedy, restored;
    Strings restore_commands;
  } cases[] = {
      {"answered", false, false, false, 1, 1, {"X1009600N81@57600"}},
      {"answer lost", true, false, false, 0, 1, {"X1009600N81@57600"}},
      {"never switched", false, true, false, 0, 0, {"X1009600N81@57600", "X1009600N81@9600"}},
      {"gone", false, false, true, 1, 0, {"X1009600N81@57600", "X1009600N81@9600"}},
  };
  for (const Case& c : cases) {
    link = FakeLink();
    link.lose_set_answer = c.lose_set_answer;
    link.ignore_sets = c.ignore_sets;
    EXPECT_EQ(SpeedyComm('A'), c.speedy) << c.name;
    if (c.dead_after_set) link.answers = [](const std::string&) { return false; };
    // A device that ignores sets still answers at its rate.
    const int restored = RestoreComm('A');
    if (c.ignore_sets) {
      EXPECT_EQ(restored, 0) << c.name;
    } else {
      EXPECT_EQ(restored, c.restored) << c.name;
    }
    const Strings commands = link.Commands();
    EXPECT_EQ(
        Strings(commands.end() - static_cast<long>(c.restore_commands.size()), commands.end()),
        c.restore_commands)
        << c.name;
    EXPECT_EQ(link.reopened, 1) << c.name;
    EXPECT_EQ(restore_comm, 0) << c.name;
    if (restored) {
      EXPECT_EQ(link.device_rate, 9600) << c.name;
      EXPECT_EQ(RestoreProblem(), "") << c.name;
    } else {
      EXPECT_EQ(RestoreProblem(),
                "Device A answers neither at 57600 baud nor at its own 9600 baud: its serial port "
                "may be left at 57600 baud.")
          << c.name;
    }
  }
}

class DownloadDialog : public Download {
 protected:
  void SetUp() override {
    Download::SetUp();
    content = Bytes(250);
    directory.Write("fw.exe", content);
    path = directory.File("fw.exe").string();
  }
  // Starts as "/f" does, presses OK, and runs until the status is final;
  // then what `then` does, with the dialog still open.
  void Run(std::function<void(ui::Handle)> then) {
    CopyField(firmware_filename, path.c_str());
    autoload_fw = 1;
    op.WhenDialogOpens("4", [&, then](ui::Handle dialog) {
      dialog_title = ui::Title(dialog);
      ScriptedOperator::Press(dialog, ui::id_ok);
      ScriptedOperator::RunUntil(
          [&] {
            status = ui::ControlText(dialog, id_firmware_status);
            return status == "Transfer Failed." || status == "Initialization failed." ||
                   status == "Transfer Complete, rebooting Unit...";
          },
          5000);
      then(dialog);
      if (ui::IsLive(dialog)) ScriptedOperator::Press(dialog, ui::id_cancel);
    });
    DownloadCode();
  }
  ScratchDirectory directory;
  ScriptedOperator op;
  std::string content, path, status, dialog_title;
};

TEST_F(DownloadDialog, SendsNumberedChunksAtTheDownloadRateAndEndsAtTheOldOne) {
  Run([](ui::Handle) {});
  EXPECT_EQ(dialog_title, "Send Firmware: " + path);
  EXPECT_EQ(status, "Transfer Complete, rebooting Unit...");
  EXPECT_EQ(link.Commands(),
            (Strings{"X?@9600", "X1057600N81@9600", "Y2 250@57600", "Y300000@57600",
                     "Y300001@57600", "Y300002@57600", "X1009600N81@57600", "Y400003@9600"}));
  EXPECT_EQ(link.sent[5].substr(7, 100), content.substr(200) + std::string(50, '\0'));
  EXPECT_EQ(autoload_fw, 0);
  EXPECT_EQ(directory.Read("defaults.txt").find("FIRMWARE_FILENAME: " + path + "\r\n") !=
                std::string::npos,
            true);
  EXPECT_EQ(polling_enabled, 1);
  EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(DownloadDialog, AnUnansweredChunkIsOfferedAgainWithItsOwnBytesFourInARowFailOnce) {
  for (const int turbo : {1, 0}) {
    for (const int silent_offers : {3, 1000}) {
      SCOPED_TRACE("turbo " + std::to_string(turbo) + ", silent " + std::to_string(silent_offers));
      link = FakeLink();
      op.ClearBoxes();
      turbo_download = turbo;
      int offers = 0;
      link.answers = [&](const std::string& body) {
        return body.rfind("Y300001", 0) != 0 || ++offers > silent_offers;
      };
      // The normal mode's timer keeps running while the dialog stays open.
      Run([](ui::Handle) { ScriptedOperator::RunFor(300); });
      Strings chunk_one;
      for (const std::string& s : link.sent) {
        if (s.rfind("Y300001", 0) == 0) chunk_one.push_back(s);
      }
      if (silent_offers == 3) {
        EXPECT_EQ(status, "Transfer Complete, rebooting Unit...");
        ASSERT_EQ(chunk_one.size(), 4u);
        for (const std::string& s : chunk_one)
          EXPECT_EQ(s.substr(7, 100), content.substr(100, 100));
        EXPECT_TRUE(op.Boxes().empty());
      } else {
        EXPECT_EQ(status, "Transfer Failed.");
        EXPECT_EQ(chunk_one.size(), 4u);
        ASSERT_EQ(op.Boxes().size(), 1u);
        EXPECT_EQ(op.Boxes()[0].text, "Missing response from HPA.");
        EXPECT_EQ(op.Boxes()[0].caption, "Transfer Aborted.");
        EXPECT_EQ(link.Commands().back(), "X1009600N81@57600");
        EXPECT_EQ(link.line, 9600);
      }
    }
  }
}

TEST_F(DownloadDialog, AnUnansweredEndIsAFailure) {
  link.answers = [](const std::string& body) { return body.rfind("Y4", 0) != 0; };
  Run([](ui::Handle) {});
  EXPECT_EQ(status, "Transfer Failed.");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Transfer Aborted.");
}

TEST_F(DownloadDialog, ALostLinkFailsAtOnceNamingItAndTheDeviceState) {
  std::snprintf(serial_port, sizeof serial_port, "/dev/ttyUSB7");
  link.answers = [&](const std::string& body) {
    if (body.rfind("Y300001", 0) == 0) link.connected = false;
    return link.connected;
  };
  Run([](ui::Handle) {});
  EXPECT_EQ(status, "Transfer Failed.");
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text, "The connection to /dev/ttyUSB7 was lost after 1 of 3 chunks.");
  EXPECT_EQ(op.Boxes()[1].text.rfind("Device A answers neither at 57600 baud", 0), 0u);
  const Strings commands = link.Commands();
  EXPECT_EQ(Strings(commands.end() - 3, commands.end()),
            (Strings{"Y300001@57600", "X1009600N81@57600", "X1009600N81@9600"}));
}

TEST_F(DownloadDialog, FilesThatCannotBeSentAreRefusedBeforeTheDialog) {
  directory.Write("empty.exe", "");
  directory.Write("big.exe", "");
  std::filesystem::resize_file(directory.File("big.exe"), 9999901);
  struct Case {
    std::string file;
    const char* refusal;
  } cases[] = {{"empty.exe", " is empty: a firmware file holds at least 1 byte."},
               {"big.exe", " has 9999901 bytes: a firmware file holds at most 9999900 bytes"},
               {"gone.exe", "Can't find file "}};
  for (const Case& c : cases) {
    op.ClearBoxes();
    const std::string file = directory.File(c.file).string();
    op.AnswerFileDialog(file);
    DownloadCode();
    ASSERT_EQ(op.Boxes().size(), 1u) << c.file;
    EXPECT_NE(op.Boxes()[0].text.find(c.refusal), std::string::npos) << op.Boxes()[0].text;
    EXPECT_NE(op.Boxes()[0].text.find(file), std::string::npos) << op.Boxes()[0].text;
    EXPECT_EQ(op.Boxes()[0].caption, "Error");
  }
  EXPECT_TRUE(op.OpenedDialogs().empty());
  EXPECT_TRUE(link.sent.empty());
  EXPECT_EQ(polling_enabled, 1);
}

TEST_F(DownloadDialog, AFileChosenUnderALongPathIsTakenWhole) {
  std::filesystem::path folder = directory.File("");
  for (int level = 0; level < 8; ++level)
    folder /= std::string(200, static_cast<char>('a' + level));
  std::filesystem::create_directories(folder);
  const std::string long_path = (folder / "fw.exe").string();
  ASSERT_GT(long_path.size(), 1500u);
  std::filesystem::copy_file(path, long_path);
  op.AnswerFileDialog(long_path);
  op.WhenDialogOpens("4", [this](ui::Handle dialog) {
    dialog_title = ui::Title(dialog);
    ScriptedOperator::Press(dialog, ui::id_cancel);
  });
  DownloadCode();
  EXPECT_EQ(dialog_title, "Send Firmware: " + long_path);
  EXPECT_EQ(std::string(firmware_filename), long_path);
}

TEST_F(DownloadDialog, TheCommandLineFileIsTakenOnceThenTheOperatorIsAsked) {
  Run([](ui::Handle) {});
  EXPECT_TRUE(op.FileDialogs().empty());
  DownloadCode();  // no answer queued: the file dialog is cancelled
  ASSERT_EQ(op.FileDialogs().size(), 1u);
  EXPECT_EQ(op.FileDialogs()[0].title, "Select firmware executable to send");
  EXPECT_EQ(op.FileDialogs()[0].filter_pattern, "*.exe");
  EXPECT_EQ(op.OpenedDialogs().size(), 1u);
}

}  // namespace
