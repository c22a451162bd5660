#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "records/device_records.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/program_directory.h"
#include "config/settings.h"
#include "test_support.h"
#include "ui/scripted_operator.h"

namespace {

constexpr const char* separator =
    "----------------------------------------------------------------------\r\n";

class StatusLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    SetLogParameterDefaults();
    ZeroDeviceData('B');
    ZeroDeviceComments('B');
    Identify("305-1234-567", "12345");
  }
  void TearDown() override {
    CloseLog('B');
    ResetSettings();
  }
  static void Identify(const char* part, const char* serial) {
    CopyField(device_data['B'].part, part);
    CopyField(device_data['B'].serial, serial);
  }
  // The file with every time stamp replaced by "T", so lines compare exactly.
  std::string Log(const std::string& name = "305-1234-567 12345.txt") const {
    static const std::regex stamp(R"(\d{1,2} [A-Z][a-z]{2} \d\d, \d\d:\d\d)");
    return std::regex_replace(directory.Read(name), stamp, "T");
  }
  static std::size_t FilesIn(const std::filesystem::path& path) {
    return std::distance(std::filesystem::directory_iterator(path),
                         std::filesystem::directory_iterator());
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

TEST_F(StatusLogFile, OneOpeningIsWrittenByteForByte) {
  CopyField(device_data['B'].comments, "spare tube, bay 3");
  EXPECT_EQ(CreateLog('B', 1), 1);
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_TRUE(
      std::regex_match(device_data['B'].log_zero, std::regex(R"(\d{1,2} \w{3} \d\d, \d\d:\d\d)")));
  device_data['B'].heater = 1234;
  device_data['B'].beam = 56;
  LogHours('B');
  CopyField(log_parameter[0].response['B'], "12.5");
  UpdateLogFiles(1);
  CopyField(log_parameter[0].response['B'], "12.7");
  CopyField(log_parameter[5].response['B'], "07.1");
  UpdateLogFiles(1);
  device_data['B'].heater = 1240;
  device_data['B'].beam = 62;
  CloseLog('B');
  EXPECT_EQ(logfile['B'], nullptr);
  EXPECT_EQ(Log(),
            std::string(separator) +
                "T,  Part #305-1234-567, Serial #12345, Address 'B'\r\n"
                "T,  \"spare tube, bay 3\"\r\n"
                "T,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n"
                "T,  Starting Heater Hours: 001234, Beam Hours: 000056\r\n"
                "T,  12.5, ????, ????, ????\r\n"
                "T,  12.7, ????, ????, 07.1\r\n"
                "T,  Ending Heater Hours: 001240, Beam Hours: 000062\r\n" +
                separator);
}

TEST_F(StatusLogFile, APriorLogIsOnlyAppendedToAfterConfirmation) {
  directory.Write("305-1234-567 12345.txt", "earlier history\r\n");
  op.Answer(ui::answer_no);
  EXPECT_EQ(CreateLog('B', 1), 0);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Prior Log File Exists.  Are part/serial numbers correct?");
  EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
  EXPECT_EQ(op.Boxes()[0].buttons, ui::Buttons::yes_no);
  EXPECT_EQ(logfile['B'], nullptr);
  EXPECT_STREQ(device_data['B'].log_zero, "Unavailable");
  EXPECT_EQ(Log(), "earlier history\r\n");

  op.Answer(ui::answer_yes);
  EXPECT_EQ(CreateLog('B', 1), 1);
  CloseLog('B');
  // Without verification no question is asked; the file only ever grows.
  EXPECT_EQ(CreateLog('B', 0), 1);
  CloseLog('B');
  EXPECT_EQ(op.Boxes().size(), 2u);
  const std::string opening =
      std::string(separator) +
      "T,  Part #305-1234-567, Serial #12345, Address 'B'\r\n"
      "T,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n"
      "T,  Ending Heater Hours: ??????, Beam Hours: ??????\r\n" +
      separator;
  EXPECT_EQ(Log(), "earlier history\r\n" + opening + opening);
}

TEST_F(StatusLogFile, TheQuestionComesBeforeTheOpenLogIsClosed) {
  EXPECT_EQ(CreateLog('B', 1), 1);
  std::FILE* const open_log = logfile['B'];
  const std::string log_zero = device_data['B'].log_zero;
  got_hours['B'] = 1;
  directory.Write("305-1234-567 22222.txt", "other\r\n");
  EXPECT_TRUE(PriorLogAccepted("305-1234-567", "33333"));  // no such file
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_FALSE(PriorLogAccepted("305-1234-567", "22222"));
  Identify("305-1234-567", "22222");
  EXPECT_EQ(CreateLog('B', 1), 0);
  EXPECT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(logfile['B'], open_log);
  EXPECT_EQ(device_data['B'].log_zero, log_zero);
  EXPECT_EQ(got_hours['B'], 1);
  // Yes: the old log ends, the new one waits for its starting hours.
  op.Answer(ui::answer_yes);
  EXPECT_EQ(CreateLog('B', 1), 1);
  EXPECT_EQ(got_hours['B'], 0);
  EXPECT_EQ(Log(), std::string(separator) +
                       "T,  Part #305-1234-567, Serial #12345, Address 'B'\r\n"
                       "T,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts "
                       "(kV)\r\n"
                       "T,  Ending Heater Hours: ??????, Beam Hours: ??????\r\n" +
                       separator);
}

TEST_F(StatusLogFile, NamesNeverLeaveTheProgramDirectory) {
  for (const auto& [part, serial] : {std::pair{"../../tmp/x", "1"},
                                     {"305-1234-567", "a/b"},
                                     {"..", "12345"},
                                     {"305\\12", "1"},
                                     {"305-1234-567", ".."}}) {
    Identify(part, serial);
    char name[log_name_size];
    LogFileName('B', name);
    EXPECT_STREQ(name, "") << part << " " << serial;
    op.ClearBoxes();
    EXPECT_EQ(CreateLog('B', 1), 1);
    EXPECT_EQ(logfile['B'], nullptr);
    EXPECT_STREQ(device_data['B'].log_zero, "Unavailable");
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].caption, "Confirm");
    EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::warning);
    EXPECT_EQ(op.Boxes()[0].text.rfind("Warning: Unable to open ", 0), 0u);
  }
  EXPECT_EQ(FilesIn(directory.File("")), 0u);
  EXPECT_FALSE(std::filesystem::exists("/tmp/x 1.txt"));
  // Fields that fill their whole width are cut to it.
  std::memset(device_data['B'].part, '7', sizeof device_data['B'].part);
  std::memset(device_data['B'].serial, '8', sizeof device_data['B'].serial);
  char name[log_name_size];
  LogFileName('B', name);
  EXPECT_EQ(std::string(name), std::string(save_directory) + std::string(19, '7') + " " +
                                   std::string(19, '8') + ".txt");
}

TEST_F(StatusLogFile, AFileThatCannotBeOpenedIsReported) {
  std::filesystem::create_directory(directory.File("305-1234-567 12345.txt"));
  EXPECT_EQ(CreateLog('B', 0), 1);
  EXPECT_EQ(logfile['B'], nullptr);
  EXPECT_STREQ(device_data['B'].log_zero, "Unavailable");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text,
            "Warning: Unable to open " + std::string(save_directory) + "305-1234-567 12345.txt.");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::warning);
}

TEST_F(StatusLogFile, LinesAreReadBackInPiecesOfAtMost255) {
  directory.Write("read.txt", std::string(300, 'x') + "\r\nshort\r\n\r\nlast");
  std::FILE* file = std::fopen(directory.File("read.txt").c_str(), "rb");
  char buffer[log_line_length + 1];
  std::vector<std::string> lines;
  while (GetLogLine(file, buffer)) lines.push_back(buffer);
  std::fclose(file);
  EXPECT_EQ(lines, (std::vector<std::string>{std::string(255, 'x'), std::string(45, 'x'), "short",
                                             "", "last"}));
}

}  // namespace
