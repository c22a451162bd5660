// The settings file and the log stamps under a locale that writes decimal
// commas: byte for byte what the C locale gives.
#include <gtest/gtest.h>

#include <string>

#include "app/wlog.h"
#include "config/defaults_file.h"
#include "config/settings.h"
#include "test_support.h"

namespace {

TEST(CommaLocaleFiles, SettingsAndLogStampsAreTheCLocales) {
  if (!CommaLocale().Active()) GTEST_SKIP() << no_comma_locale;
  ScratchDirectory directory;
  ResetSettings();
  download_baud = 115200;
  polling_interval = 1500;
  logging_interval = 60;
  char c_stamp[time_stamp_size], comma_stamp[time_stamp_size], later_stamp[time_stamp_size];
  TimeStamp(c_stamp);
  SaveConfig();
  const std::string c_file = directory.Read("defaults.txt");
  {
    CommaLocale comma;
    TimeStamp(comma_stamp);
    SaveConfig();
    EXPECT_EQ(directory.Read("defaults.txt"), c_file);
    ResetSettings();
    LoadConfig();
    EXPECT_EQ(download_baud, 115200);
    EXPECT_EQ(polling_interval, 1500u);
    EXPECT_EQ(logging_interval, 60u);
  }
  TimeStamp(later_stamp);
  // A minute may turn between the stamps.
  EXPECT_TRUE(std::string(comma_stamp) == c_stamp || std::string(comma_stamp) == later_stamp)
      << comma_stamp << " / " << c_stamp;
  ResetSettings();
}

}  // namespace
