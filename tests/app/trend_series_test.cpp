#include "app/trend_series.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "test_support.h"
#include "trend_log_support.h"

namespace {

const trend_series* Find(const std::vector<trend_series>& series, const std::string& name) {
  for (const trend_series& one : series) {
    if (one.name == name) return &one;
  }
  return nullptr;
}

TEST(TrendSeries, AMonthOfQuarterHoursReadsQuicklyWithItsValuesAtTheirTimes) {
  ScratchDirectory directory;
  const std::time_t start = TrendStart();
  directory.Write("log.txt", TrendLog(start, 2880));
  const auto begin = std::chrono::steady_clock::now();
  const std::vector<trend_series> series = ReadTrendLogFile(directory.File("log.txt"));
  const auto took = std::chrono::steady_clock::now() - begin;
  EXPECT_LT(took, std::chrono::milliseconds(300));

  ASSERT_EQ(series.size(), 5u);
  const trend_series* power = Find(series, "Forward Power (dBm)");
  const trend_series* volts = Find(series, "Helix/Beam Volts (kV)");
  ASSERT_TRUE(power && volts);
  ASSERT_EQ(power->points.size(), 2880u);
  ASSERT_EQ(volts->points.size(), 2880u);
  for (const int n : {0, 1, 95, 1441, 2879}) {
    EXPECT_EQ(power->points[n].time_ms, (start + 900LL * n) * 1000) << n;
    EXPECT_DOUBLE_EQ(power->points[n].value, TrendPower(n)) << n;
    EXPECT_DOUBLE_EQ(volts->points[n].value, TrendVolts(n)) << n;
  }
  EXPECT_DOUBLE_EQ(Find(series, "Current (mA)")->points[77].value, TrendCurrent(77));
  // Hours not yet known are left out; the known ones are a reading too.
  ASSERT_EQ(Find(series, "Heater Hours")->points.size(), 1u);
  EXPECT_DOUBLE_EQ(Find(series, "Heater Hours")->points[0].value, 1234);
  EXPECT_EQ(Find(series, "Beam Hours"), nullptr);
}

TEST(TrendSeries, TimeStampsAreReadAsTheConsoleWritesThem) {
  EXPECT_EQ(ParseLogTime(TrendStamp(TrendStart() + 3600 * 9 + 60 * 7)),
            (TrendStart() + 3600 * 9 + 60 * 7) * 1000LL);
  for (const char* bad : {"", "6 Dec 26", "6 Dez 26, 05:09", "32 Dec 26, 05:09", "6 Dec 26, 25:09",
                          "6 Dec 26, 05:09x", "x6 Dec 26, 05:09"})
    EXPECT_FALSE(ParseLogTime(bad)) << bad;
}

struct bad_case {
  const char* what;
  std::string lines;  // after the titles "A, B"
  std::vector<double> a, b;
};

TEST(TrendSeries, UnreadableValuesAndLinesAreSkippedTheRestIsKept) {
  const std::string t = "6 Dec 26, 05:09,  ";
  const bad_case cases[] = {
      {"unknown values", t + "????, 2.5\r\n" + t + "1.5, ????\r\n", {1.5}, {2.5}},
      {"missing fields", t + "1.5\r\n" + t + ", 2.5\r\n", {1.5}, {2.5}},
      {"too many fields", t + "1, 2, 3\r\n" + t + "1.5, 2.5\r\n", {1.5}, {2.5}},
      {"garbage", "\x01\xff garbage\r\nno stamp, 1, 2\r\n" + t + "4.x, 2.5\r\n", {}, {2.5}},
      {"a locale's comma", t + "1,5, 2\r\n" + t + "3, 4\r\n", {3}, {2, 4}},
      {"a megabyte line", std::string(1 << 20, '7') + "\r\n" + t + "3, 4\r\n", {3}, {4}},
      {"a line of stamps", t + std::string(300, '1') + ", 2\r\n" + t + "3, 4\n", {3}, {4}},
      {"no line end", t + "5, 6", {5}, {6}},
  };
  for (const bad_case& c : cases) {
    ScratchDirectory directory;
    directory.Write("log.txt", t + "A, B\r\n\"comment, 1, 2\"\r\n" + c.lines);
    const std::vector<trend_series> series = ReadTrendLogFile(directory.File("log.txt"));
    ASSERT_EQ(series.size(), 2u) << c.what;
    for (int column = 0; column < 2; ++column) {
      const std::vector<double>& expected = column == 0 ? c.a : c.b;
      std::vector<double> read;
      for (const trend_point& point : series[column].points) read.push_back(point.value);
      EXPECT_EQ(read, expected) << c.what << " column " << column;
    }
  }
}

}  // namespace
