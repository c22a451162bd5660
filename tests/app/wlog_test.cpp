#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "records/device_records.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "test_support.h"

namespace {

class StatusLog : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogParameterDefaults();
    ZeroDeviceData(20);
    logfile[20] = std::fopen(directory.File("log.txt").c_str(), "ab");
  }
  void TearDown() override {
    if (logfile[20]) std::fclose(logfile[20]);
    logfile[20] = nullptr;
    ResetSettings();
  }
  // The log with every time stamp replaced by "T", so lines compare exactly.
  std::string Log() const {
    static const std::regex stamp(R"(\d{1,2} [A-Z][a-z]{2} \d\d, \d\d:\d\d)");
    return std::regex_replace(directory.Read("log.txt"), stamp, "T");
  }
  ScratchDirectory directory;
};

TEST_F(StatusLog, TimeStampsUseDayMonthYearAndTime) {
  char stamp[time_stamp_size];
  TimeStamp(stamp);
  EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{1,2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d, \d\d:\d\d)")))
      << stamp;
}

TEST_F(StatusLog, ValueLinesAndClosingLinesAreWrittenExactly) {
  device_data[20].heater = 1234;
  device_data[20].beam = -1;
  CopyField(log_parameter[0].response[20], "12.5");
  CopyField(log_parameter[2].response[20], "40.1");
  CopyField(log_parameter[4].response[20], "0035");
  CopyField(log_parameter[5].response[20], "07.2");
  LogColumnTitles(20);
  UpdateLogFiles(1);
  CloseLog(20);
  EXPECT_EQ(logfile[20], nullptr);
  EXPECT_EQ(Log(),
            "T,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n"
            "T,  12.5, 40.1, 0035, 07.2\r\n"
            "T,  Ending Heater Hours: 001234, Beam Hours: ??????\r\n"
            "----------------------------------------------------------------------\r\n");
}

TEST_F(StatusLog, NoParametersMeansNoTitlesNoValuesAndNoHoursWhenOff) {
  for (log_parm_struct& parameter : log_parameter) parameter.enabled = 0;
  log_hours = 0;
  LogColumnTitles(20);
  UpdateLogFiles(1);
  CloseLog(20);
  EXPECT_EQ(Log(), "----------------------------------------------------------------------\r\n");
}

TEST_F(StatusLog, ValueLinesWaitForTheInterval) {
  logging_interval = 3600;
  UpdateLogFiles(1);  // a forced pass starts the interval
  UpdateLogFiles(0);
  UpdateLogFiles(0);
  CloseLog(20);
  EXPECT_EQ(Log(),
            "T,  ????, ????, ????, ????\r\n"
            "T,  Ending Heater Hours: ??????, Beam Hours: ??????\r\n"
            "----------------------------------------------------------------------\r\n");
}

}  // namespace
