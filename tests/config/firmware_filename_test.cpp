#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/defaults_file.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "scratch_directory.h"

namespace {

class FirmwareFilename : public ::testing::Test {
 protected:
  void SetUp() override { Restore(); }
  void TearDown() override { Restore(); }
  static void Restore() {
    ResetSettings();
    SetLogParameterDefaults();
  }
  ScratchDirectory directory;
};

TEST_F(FirmwareFilename, AnyPathSurvivesARestartWithTheSettingsBehindIt) {
  const std::string long_path = "/srv/" + std::string(1495, 'p');
  const std::string names[] = {
      "/opt/fw,v2/TUBE, FW.exe",
      "C:\\fw\\a, NORMAL_DOWNLOAD, LOG_PARAMETERS: ijt, POLLING_INTERVAL: 9 seconds.exe",
      long_path,
      long_path + ",x",
      std::string(sizeof firmware_filename - 1, 'n'),
      "",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name.substr(0, 80));
    std::strcpy(firmware_filename, name.c_str());
    polling_interval = 500;
    log_parameter[0].enabled = 0;
    SaveConfig();
    const std::string file = directory.Read("defaults.txt");
    EXPECT_NE(file.find("\r\nFIRMWARE_FILENAME: " + name + "\r\nPOLLING_INTERVAL: 500 seconds\r\n"),
              std::string::npos)
        << "the name has its own line, whole";
    Restore();
    LoadConfig();
    EXPECT_EQ(firmware_filename, name);
    EXPECT_EQ(turbo_download, 1);
    EXPECT_EQ(polling_interval, 500u);
    EXPECT_EQ(log_parameter[0].enabled, 0);
    EXPECT_EQ(log_parameter[6].enabled, 0) << "the name's text sets nothing";
    Restore();
  }
}

TEST_F(FirmwareFilename, FilesOfExistingInstallationsLoadAsBefore) {
  // As every version wrote them: a name without commas on a CR LF line.
  directory.Write("defaults.txt",
                  "LOG_CONFIG, LOG_PROMPT, LOG_NOHOURS, BRIGHT_COLOR\r\n"
                  "NORMAL_DOWNLOAD, POLL_FREQUENCY, QUILLON_PROTOCOL, RS485_2WIRE_MODE, "
                  "DOWNLOAD_BAUD: 115200\r\n"
                  "FIRMWARE_FILENAME: C:\\Corvane\\TUBEFW.exe\r\n"
                  "POLLING_INTERVAL: 700 seconds\r\n"
                  "LOGGING_INTERVAL: 60 seconds\r\n"
                  "LOG_PARAMETERS: IJ-------\r\n");
  LoadConfig();
  EXPECT_STREQ(firmware_filename, "C:\\Corvane\\TUBEFW.exe");
  EXPECT_EQ(logging_on + log_prompt + bright_color + poll_frequency + quillon_protocol + mode_2wire,
            6);
  EXPECT_EQ(log_hours + turbo_download, 0);
  EXPECT_EQ(download_baud, 115200);
  EXPECT_EQ(polling_interval, 700u);
  EXPECT_EQ(logging_interval, 60u);
  EXPECT_EQ(log_parameter[1].enabled, 1);
  EXPECT_EQ(log_parameter[2].enabled, 0);
}

}  // namespace
