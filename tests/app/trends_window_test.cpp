#include "app/trends_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <chrono>
#include <sstream>

#include "config/log_parameters.h"
#include "config/settings.h"
#include "panel_test_support.h"
#include "records/event_journal.h"
#include "resources/panel_ids.h"
#include "test_support.h"
#include "trend_log_support.h"
#include "ui/keys.h"
#include "ui/menu.h"

namespace {

using Op = ui::ScriptedOperator;

std::pair<std::int64_t, std::int64_t> Range(std::int64_t from, std::int64_t to) {
  return {from, to};
}

class TrendsWindowTest : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    JournalClear();
    CopyField(device_data['A'].part, "305-1234-567");
    CopyField(device_data['A'].serial, "12345");
    directory.Write("305-1234-567 12345.txt", TrendLog(start, 2880));
  }
  void TearDown() override {
    CloseTrendsWindow('A');
    ResetSettings();
    PanelTest::TearDown();
  }
  const trend_series& Plot(TrendsWindow* window, const std::string& name) {
    plotted = window->Plotted();
    for (const trend_series& series : plotted) {
      if (series.name == name) return series;
    }
    static const trend_series none;
    return none;
  }
  ScratchDirectory directory;
  std::time_t start = TrendStart();
  std::vector<trend_series> plotted;
};

TEST_F(TrendsWindowTest, AMonthOfLogOpensQuicklyAndPlotsTheFile) {
  const auto begin = std::chrono::steady_clock::now();
  TrendsWindow* window = OpenTrendsWindow('A');
  QApplication::processEvents();  // laid out and painted once
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - begin);
  RecordProperty("open_ms", static_cast<int>(took.count()));
  EXPECT_LT(took.count(), 300);
  ASSERT_TRUE(window);
  EXPECT_EQ(OpenTrendsWindow('A'), window);

  const trend_series& power = Plot(window, "Forward Power (dBm)");
  ASSERT_EQ(power.points.size(), 2880u);
  for (const int n : {0, 500, 2879}) {
    EXPECT_EQ(power.points[n].time_ms, (start + 900LL * n) * 1000);
    EXPECT_DOUBLE_EQ(power.points[n].value, TrendPower(n));
  }
  EXPECT_DOUBLE_EQ(Plot(window, "Temperature (C)").points[1234].value, TrendTemperature(1234));
  EXPECT_EQ(window->ShownRange(), Range(start * 1000LL, (start + 900LL * 2879) * 1000));
}

TEST_F(TrendsWindowTest, LiveReadingsAndEventsArriveInBatches) {
  SetLogParameterDefaults();
  logging_on = 1;
  TrendsWindow* window = OpenTrendsWindow('A');
  CopyField(device_data['A'].power_out, "45.3");
  CopyField(log_parameter[2].response['A'], "47.5");
  CopyField(device_data['A'].attenuation, "????");
  const std::int64_t before = QDateTime::currentSecsSinceEpoch() * 1000;
  for (int poll = 0; poll < 5; ++poll) NotifyDeviceUpdated('A');
  EXPECT_TRUE(Plot(window, "Power Out").points.empty());
  ui::RunFor(1100);
  ASSERT_EQ(Plot(window, "Power Out").points.size(), 1u);
  EXPECT_DOUBLE_EQ(Plot(window, "Power Out").points[0].value, 45.3);
  EXPECT_GE(Plot(window, "Power Out").points[0].time_ms, before);
  EXPECT_TRUE(Plot(window, "Attenuation").points.empty());
  // A logged reading goes on in the plot its log lines started.
  ASSERT_EQ(Plot(window, "Forward Power (dBm)").points.size(), 2881u);
  EXPECT_DOUBLE_EQ(Plot(window, "Forward Power (dBm)").points.back().value, 47.5);
  // The view that showed everything follows the new reading.
  EXPECT_EQ(window->ShownRange().second, Plot(window, "Power Out").points[0].time_ms);
  ui::RunFor(1100);  // no update, no point
  EXPECT_EQ(Plot(window, "Power Out").points.size(), 1u);

  JournalAdd('A', "fault_raised", "Fault raised", true);
  JournalAdd('B', "fault_raised", "Fault raised", true);
  ASSERT_EQ(window->Marks().size(), 1u);
  EXPECT_NE(window->Marks()[0].second.find("Fault raised"), std::string::npos);
}

TEST_F(TrendsWindowTest, ZoomPanAndExportTheShownRange) {
  TrendsWindow* window = OpenTrendsWindow('A');
  const std::int64_t day = 86'400'000, from = start * 1000LL + 3 * day;
  window->ShowRange(from, from + day);
  QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
  QApplication::sendEvent(window, &right);
  EXPECT_EQ(window->ShownRange(), Range(from + day / 4, from + day + day / 4));
  QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier);
  QApplication::sendEvent(window, &plus);
  const auto [shown_from, shown_to] = window->ShownRange();
  EXPECT_EQ(shown_to - shown_from, day / 2);

  ASSERT_TRUE(window->ExportCsv(directory.File("shown.csv")));
  std::istringstream csv(directory.Read("shown.csv"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line,
            "Time,Current (mA),Forward Power (dBm),Temperature (C),Helix/Beam Volts (kV),"
            "Heater Hours,Power Out,Voltage,Attenuation\r");
  std::vector<std::vector<trend_point>> exported(8);
  while (std::getline(csv, line)) {
    ASSERT_EQ(line.back(), '\r');
    std::istringstream fields(line.substr(0, line.size() - 1));
    std::string field;
    std::getline(fields, field, ',');
    const std::int64_t time =
        QDateTime::fromString(QString::fromStdString(field), "yyyy-MM-dd HH:mm:ss")
            .toMSecsSinceEpoch();
    for (std::size_t column = 0; std::getline(fields, field, ','); ++column) {
      if (!field.empty()) exported.at(column).push_back({time, std::stod(field)});
    }
  }
  const std::vector<trend_series> shown = window->Plotted();
  std::size_t rows = 0;
  for (std::size_t column = 0; column < shown.size(); ++column) {
    std::vector<trend_point> expected;
    for (const trend_point& point : shown[column].points) {
      if (point.time_ms >= shown_from && point.time_ms <= shown_to) expected.push_back(point);
    }
    ASSERT_EQ(exported[column].size(), expected.size()) << shown[column].name;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(exported[column][i].time_ms, expected[i].time_ms);
      EXPECT_EQ(exported[column][i].value, expected[i].value);
    }
    rows = std::max(rows, expected.size());
  }
  EXPECT_EQ(rows, 49u);  // half a day of quarter hours, both ends included

  ASSERT_TRUE(window->ExportPng(directory.File("shown.png")));
  EXPECT_EQ(directory.Read("shown.png").substr(1, 3), "PNG");
  EXPECT_FALSE(window->ExportCsv(directory.File("no such folder/shown.csv")));
}

TEST_F(TrendsWindowTest, ThePanelOpensItByKeyAndMenuAndClosesItWithItself) {
  const ui::Handle panel = CreatePollDialog('A');
  Op::KeyDown(panel, ui::vk_control);
  Op::KeyDown(panel, 'T');
  Op::KeyUp(panel, 'T');
  Op::KeyUp(panel, ui::vk_control);
  ASSERT_TRUE(TrendsWindowOf('A'));
  EXPECT_TRUE(Sent().empty());
  CloseTrendsWindow('A');
  EXPECT_FALSE(TrendsWindowOf('A'));
  ASSERT_TRUE(ui::ChooseMenuItem(panel, id_amp_trends));
  ui::RunFor(10);
  ASSERT_TRUE(TrendsWindowOf('A'));
  ui::Destroy(panel);
  EXPECT_FALSE(TrendsWindowOf('A'));
}

}  // namespace
