#include "config/defaults_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "config/log_parameters.h"
#include "config/settings.h"
#include "scratch_directory.h"

namespace {

const std::string initial_file =
    "STD_CONFIG, LOG_NOPROMPT, LOG_HOURS, DEFAULT_COLOR\r\n"
    "TURBO_DOWNLOAD, NO_FREQUENCY_POLLING, TESSARY_PROTOCOL, RS485_4WIRE_MODE, DOWNLOAD_BAUD: "
    "57600\r\n"
    "FIRMWARE_FILENAME: \r\n"
    "POLLING_INTERVAL: 350 seconds\r\n"
    "LOGGING_INTERVAL: 900 seconds\r\n"
    "LOG_PARAMETERS: I-P-TV---\r\n";

// Every setting the file carries, as the file would show it.
std::string Settings() {
  std::string selection;
  for (const log_parm_struct& p : log_parameter) selection += p.enabled ? p.letter : "-";
  return std::to_string(logging_on) + std::to_string(log_prompt) + std::to_string(log_hours) +
         std::to_string(bright_color) + std::to_string(turbo_download) +
         std::to_string(poll_frequency) + std::to_string(quillon_protocol) +
         std::to_string(mode_2wire) + " " + std::to_string(download_baud) + " [" +
         firmware_filename + "] " + std::to_string(polling_interval) + " " +
         std::to_string(logging_interval) + " " + selection;
}

const std::string initial_settings = "00101000 57600 [] 350 900 I-P-TV---";

class DefaultsFile : public ::testing::Test {
 protected:
  void SetUp() override { Restore(); }
  void TearDown() override { Restore(); }
  static void Restore() {
    ResetSettings();
    SetLogParameterDefaults();
  }
  std::string Load(const std::string& bytes) {
    directory.Write("defaults.txt", bytes);
    LoadConfig();
    return Settings();
  }
  ScratchDirectory directory;
};

TEST_F(DefaultsFile, InitialValuesGiveTheKnownFileAndReadBackUnchanged) {
  EXPECT_EQ(Settings(), initial_settings);
  SaveConfig();
  EXPECT_EQ(directory.Read("defaults.txt"), initial_file);
  EXPECT_EQ(Load(initial_file), initial_settings);
}

TEST_F(DefaultsFile, EveryOtherAlternativeIsWrittenAndReadBack) {
  logging_on = log_prompt = bright_color = poll_frequency = quillon_protocol = mode_2wire = 1;
  log_hours = turbo_download = 0;
  download_baud = -115200;
  std::strcpy(firmware_filename, "/opt/fw/TUBE FW.exe");
  polling_interval = 10000;
  logging_interval = 4294967295u;
  for (log_parm_struct& p : log_parameter) p.enabled = !p.enabled;
  const std::string changed = Settings();
  SaveConfig();
  EXPECT_EQ(directory.Read("defaults.txt"),
            "LOG_CONFIG, LOG_PROMPT, LOG_NOHOURS, BRIGHT_COLOR\r\n"
            "NORMAL_DOWNLOAD, POLL_FREQUENCY, QUILLON_PROTOCOL, RS485_2WIRE_MODE, DOWNLOAD_BAUD: "
            "-115200\r\n"
            "FIRMWARE_FILENAME: /opt/fw/TUBE FW.exe\r\n"
            "POLLING_INTERVAL: 10000 seconds\r\n"
            "LOGGING_INTERVAL: 4294967295 seconds\r\n"
            "LOG_PARAMETERS: -J-Q--tij\r\n");
  Restore();
  LoadConfig();
  EXPECT_EQ(Settings(), changed);
  EXPECT_EQ(poll_timer.msec_interval, 10000);
}

TEST_F(DefaultsFile, SavingReplacesALongerFile) {
  directory.Write("defaults.txt", std::string(5000, 'x'));
  SaveConfig();
  EXPECT_EQ(directory.Read("defaults.txt"), initial_file);
}

TEST_F(DefaultsFile, MissingFileStillPutsTheLogParameterDefaultsBack) {
  log_parameter[1].enabled = 1;
  std::strcpy(log_parameter[3].response[200], "12.5");
  LoadConfig();
  EXPECT_EQ(Settings(), initial_settings);
  EXPECT_STREQ(log_parameter[3].response[200], "????");
}

struct load_case {
  std::string bytes;
  const char* settings;
};

// What a file holding only these bytes leaves behind.
class DefaultsFileCase : public DefaultsFile, public ::testing::WithParamInterface<load_case> {};

TEST_P(DefaultsFileCase, Loads) {
  EXPECT_EQ(Load(GetParam().bytes), GetParam().settings);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, DefaultsFileCase,
    ::testing::Values(
        load_case{"LOG_NOHOURS", "00001000 57600 [] 350 900 I-P-TV---"},
        load_case{"LOG_NOHOURS, LOG_HOURS\r\n", "00001000 57600 [] 350 900 I-P-TV---"},
        load_case{"POLLING_INTERVAL: 500 seconds\r\n", "00101000 57600 [] 500 900 I-P-TV---"},
        load_case{"FIRMWARE_FILENAME: /fw/TUBEFW.exe\n",
                  "00101000 57600 [/fw/TUBEFW.exe] 350 900 I-P-TV---"},
        load_case{"FIRMWARE_FILENAME: /fw/a,b/x.exe\r\nLOG_CONFIG, BRIGHT_COLOR",
                  "10111000 57600 [/fw/a,b/x.exe] 350 900 I-P-TV---"},
        load_case{"FIRMWARE_FILENAME:", "00101000 57600 [] 350 900 I-P-TV---"},
        load_case{"LOG_PARAMETERS: ijt\r\n", "00101000 57600 [] 350 900 ------tij"},
        load_case{"LOG_PARAMETERS: IJPQTVtijIJ\r\n", "00101000 57600 [] 350 900 IJPQTVtij"},
        load_case{"LOG_PARAMETERS: ", "00101000 57600 [] 350 900 ---------"},
        load_case{"DOWNLOAD_BAUD: fast\r\n", "00101000 57600 [] 350 900 I-P-TV---"},
        load_case{"DOWNLOAD_BAUD:\r\n", "00101000 57600 [] 350 900 I-P-TV---"},
        load_case{"DOWNLOAD_BAUD: 99999999999\r\n", "00101000 2147483647 [] 350 900 I-P-TV---"},
        load_case{"LOGGING_INTERVAL: -1 seconds\r\n", "00101000 57600 [] 350 4294967295 I-P-TV---"},
        load_case{"log_config, LOG_CONFIG BRIGHT_COLOR", "10101000 57600 [] 350 900 I-P-TV---"},
        load_case{std::string("STD_CONFIG\0LOG_NOHOURS, RS485_2WIRE_MODE", 40),
                  "00101001 57600 [] 350 900 I-P-TV---"},
        load_case{"", "00101000 57600 [] 350 900 I-P-TV---"},
        load_case{",,\n\n,\r\n", "00101000 57600 [] 350 900 I-P-TV---"}));

TEST_F(DefaultsFile, WhatLiesPastTheLongestSavedFileIsNotSeen) {
  std::strcpy(firmware_filename, std::string(sizeof firmware_filename - 1, 'f').c_str());
  SaveConfig();
  std::string bytes = directory.Read("defaults.txt");
  Restore();
  bytes.resize(sizeof firmware_filename + 512, ' ');
  const std::string seen = Load(bytes);
  Restore();
  EXPECT_EQ(Load(bytes + "LOG_CONFIG"), seen);
  EXPECT_EQ(std::strlen(firmware_filename), sizeof firmware_filename - 1);
}

TEST_F(DefaultsFile, HugeAndRandomFilesLoadWithoutHarm) {
  EXPECT_EQ(Load("LOG_PARAMETERS: " + std::string(1 << 20, 'i')),
            "00101000 57600 [] 350 900 -------i-");
  Restore();
  Load("FIRMWARE_FILENAME: " + std::string(1 << 20, 'x'));
  EXPECT_EQ(std::string(firmware_filename), std::string(sizeof firmware_filename - 1, 'x'));
  Restore();
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    std::string bytes(1 + random() % 3000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    EXPECT_EQ(Load(bytes), initial_settings);
  }
}

}  // namespace
