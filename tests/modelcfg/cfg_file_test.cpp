#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "modelcfg/model_cfg.h"
#include "modelcfg/received_file.h"
#include "modelcfg/replace_file.h"
#include "modelcfg/table_fixture.h"
#include "records/program_state.h"
#include "ui/scripted_operator.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConfigFile : public LineTable {
 protected:
  void SetUp() override {
    LineTable::SetUp();
    std::random_device random;
    do {
      folder_ = fs::temp_directory_path() / ("corvane-cfg-" + std::to_string(random()));
    } while (!fs::create_directory(folder_));
    UsePath(folder_ / "Model.cfg");
  }
  void TearDown() override {
    file_ops = &system_file_ops;
    fs::permissions(folder_, fs::perms::owner_all);
    fs::remove_all(folder_);
    transfer_filepath[0] = '\0';
    LineTable::TearDown();
  }
  void UsePath(const fs::path& path) {
    ASSERT_LT(path.string().size(), sizeof transfer_filepath);
    std::strcpy(transfer_filepath, path.c_str());
  }
  void Put(const std::string& bytes) const {
    std::ofstream(transfer_filepath, std::ios::binary) << bytes;
  }
  std::string Saved() const { return ReadAll(transfer_filepath); }
  int Load(const std::string& bytes) {
    Put(bytes);
    return ProcessReceivedFile();
  }
  std::string LoadAndSave(const std::string& bytes) {
    EXPECT_EQ(Load(bytes), 1);
    EXPECT_EQ(WriteModelCfgToFile(), 1);
    return Saved();
  }
  int FilesInFolder() const {
    return static_cast<int>(
        std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }
  void ExpectOneBox(const std::string& text, const std::string& caption) const {
    ASSERT_EQ(user.Boxes().size(), 1u) << text;
    EXPECT_EQ(user.Boxes()[0].text, text);
    EXPECT_EQ(user.Boxes()[0].caption, caption);
  }

  ui::ScriptedOperator user;
  fs::path folder_;
};

TEST_F(ConfigFile, SavesTheNormalFormByteForByteAndReadsItBack) {
  const std::string normal =
      "POWER               \t*HIGH / LOW\r\n"
      "ABC                 \r\n"
      "Hpa_SSA             \t*YES_Attenuator / NO_Attenuator\r\n"
      "CAF\xC9                \t\xE9t\xE9 / *hiver\r\n"
      "A_KEYWORD_LONGER_THAN_20\t*on / off\r\n";
  EXPECT_EQ(LoadAndSave(normal), normal);

  const std::string spaced = "POWER               \t*HIGH / LOW\r\n";
  EXPECT_EQ(LoadAndSave("POWER *HIGH,LOW\r\n"), spaced);
  EXPECT_EQ(LoadAndSave("ABC"), "ABC" + std::string(17, ' ') + "\r\n");  // 22 bytes, no LF read
  EXPECT_EQ(LoadAndSave("\n\r\nPOWER *HIGH,LOW\n \t,\n\x1A\r\n"), spaced);
  EXPECT_TRUE(user.Boxes().empty());

  // Whatever the spacing read, what is saved reads back to itself.
  const std::string messy = "  lead *x,y\r\n\tTAB plain  \r\nX *A / B\n; see *note\r\nAB CD *x\n" +
                            std::string(200, 'q') +
                            "\r\nHpa_SSA yes attenuator *no\n\xFF\x80 *\xA0";
  const std::string once = LoadAndSave(messy);
  EXPECT_EQ(LoadAndSave(once), once);
}

TEST_F(ConfigFile, RefusedLoadsKeepTheTable) {
  Add("KEEP *me");
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "L" + std::to_string(i) + " *a / b\r\n";

  EXPECT_EQ(Load(hundred + "\r\n  \r\n\x1A"), 1);
  EXPECT_EQ(total_cfg_lines, 100);
  total_cfg_lines = 0;
  Add("KEEP *me");

  EXPECT_EQ(Load(hundred + "one more\r\n"), 0);
  ExpectOneBox(
      std::string(transfer_filepath) + " has more than 100 lines; the editor holds at most 100.",
      "Error");
  user.ClearBoxes();

  fs::remove(transfer_filepath);
  EXPECT_EQ(ProcessReceivedFile(), 0);
  ExpectOneBox(std::string("Can't open ") + transfer_filepath, "Error");
  EXPECT_EQ(Keywords(), (std::vector<std::string>{"KEEP"}));
}

TEST_F(ConfigFile, CutOrSplitLinesAreReportedOnceNamingTheFirst) {
  const std::string long_line(600, 'w');
  EXPECT_EQ(Load("SHORT\r\n" + long_line + "\r\nX\r\n" + long_line + "\r\n"), 1);
  ExpectOneBox("Some lines of " + std::string(transfer_filepath) +
                   " were cut or split to fit the editor; the first is line 2.",
               "Warning");
  EXPECT_EQ(Keywords().size(), 6u);  // each long line makes two, the first cut to 250
}

// Makes the process obey file permissions even when it runs as root.
class ObeyPermissions {
 public:
  ObeyPermissions() {
    syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header_, reduced);
  }
  ~ObeyPermissions() { syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
};

TEST_F(ConfigFile, SaveIntoAReadOnlyFolderLeavesTheOldFile) {
  Put("old contents\r\n");
  Add("NEW *line");
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  {
    ObeyPermissions obey;
    EXPECT_EQ(WriteModelCfgToFile(), 0);
  }
  EXPECT_EQ(Saved(), "old contents\r\n");
  EXPECT_EQ(FilesInFolder(), 1);
  ExpectOneBox(std::string("Unable to create ") + transfer_filepath + ".", "Error");
  EXPECT_EQ(user.Boxes()[0].icon, ui::Icon::error);
}

// File operations that fail at one chosen step.
enum class failing_step { none, create, write, sync, close, rename };
failing_step fail_at = failing_step::none;
std::size_t write_budget = 0;

const replace_file_ops failing_ops{
    [](char* name) {
      return fail_at == failing_step::create ? (errno = EACCES, -1) : mkstemp(name);
    },
    [](int fd, const void* data, std::size_t size) -> ssize_t {
      if (fail_at != failing_step::write) return write(fd, data, size);
      if (write_budget == 0) return errno = ENOSPC, -1;
      const ssize_t written = write(fd, data, std::min(size, write_budget));
      write_budget -= static_cast<std::size_t>(written);
      return written;
    },
    [](int fd) { return fail_at == failing_step::sync ? (errno = EIO, -1) : fsync(fd); },
    [](int fd) {
      const int closed = close(fd);
      return fail_at == failing_step::close ? (errno = EIO, -1) : closed;
    },
    [](const char* from, const char* to) {
      return fail_at == failing_step::rename ? (errno = EXDEV, -1) : std::rename(from, to);
    },
};

TEST_F(ConfigFile, AFailedSaveLeavesTheOldFileAndNoTemporary) {
  struct Case {
    failing_step step;
    std::size_t budget;
  } const cases[] = {
      {failing_step::create, 0}, {failing_step::write, 0}, {failing_step::write, 25},
      {failing_step::write, 40}, {failing_step::sync, 0},  {failing_step::close, 0},
      {failing_step::rename, 0}, {failing_step::none, 0},
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    user.ClearBoxes();
    Put("old contents\r\n");
    Add("POWER *HIGH,LOW");
    Add("ABC");
    fail_at = c.step;
    write_budget = c.budget;
    file_ops = &failing_ops;
    const int result = WriteModelCfgToFile();
    file_ops = &system_file_ops;
    const int step = static_cast<int>(c.step);
    EXPECT_EQ(FilesInFolder(), 1) << step << " after " << c.budget;
    if (c.step == failing_step::none) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(Saved(), "POWER               \t*HIGH / LOW\r\nABC                 \r\n");
      EXPECT_TRUE(user.Boxes().empty());
      continue;
    }
    EXPECT_EQ(result, 0) << step;
    EXPECT_EQ(Saved(), "old contents\r\n") << step << " after " << c.budget;
    ExpectOneBox(std::string("Unable to create ") + transfer_filepath + ".", "Error");
  }
}

TEST_F(ConfigFile, AnyBytesLoadOrAreRefusedWhole) {
  std::mt19937 random(7);
  std::string noise(64 * 1024, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string many_lines;
  for (int i = 0; i < 5000; ++i) many_lines += "LINE" + std::to_string(i) + " *a / b\r\n";
  std::string carriage_returns;
  for (int i = 0; i < 10000; ++i) carriage_returns += "ab\r";
  struct Case {
    const char* name;
    std::string bytes;
    int result;
  } const cases[] = {
      {"random", noise, 0},
      {"zeros", std::string(4096, '\0'), 1},
      {"1 MB without LF", std::string(1 << 20, 'x'), 0},
      {"CR only", carriage_returns, 1},
      {"EOF mark mid-file", "A *x\r\n\x1A\r\nB \x1A\r\n", 1},
      {"5000 lines", many_lines, 0},
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    Add("KEEP *me");
    EXPECT_EQ(Load(c.bytes), c.result) << c.name;
    EXPECT_LE(total_cfg_lines, max_cfg_lines);
    if (c.result == 0) {
      EXPECT_EQ(Keywords(), (std::vector<std::string>{"KEEP"})) << c.name;
    }
    for (int i = 0; i < total_cfg_lines; ++i) {
      EXPECT_LT(std::strlen(configuration_line[i].keyword), sizeof configuration_line[i].keyword);
    }
    EXPECT_EQ(WriteModelCfgToFile(), 1) << c.name;
  }
}

TEST_F(ConfigFile, LongPathsAreUsedWhole) {
  fs::path deep = folder_;
  while (deep.string().size() < 780) deep /= std::string(200, 'd');
  fs::create_directories(deep);
  UsePath(deep / "Model.cfg");
  EXPECT_EQ(LoadAndSave("POWER *HIGH,LOW"), "POWER               \t*HIGH / LOW\r\n");

  UsePath(deep / "missing" / "Model.cfg");
  EXPECT_EQ(WriteModelCfgToFile(), 0);
  EXPECT_EQ(ProcessReceivedFile(), 0);
  ASSERT_EQ(user.Boxes().size(), 2u);
  EXPECT_EQ(user.Boxes()[0].text,
            "Unable to create " + (deep / "missing" / "Model.cfg").string() + ".");
  EXPECT_EQ(user.Boxes()[1].text, "Can't open " + (deep / "missing" / "Model.cfg").string());
}

}  // namespace
