// The Trends window of one amplifier: every reading over time, first from
// its status log, then live as the polls bring new values, one plot per
// reading on a shared time axis, with the amplifier's events marked below.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/trend_series.h"

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QVBoxLayout;
struct journal_event;

class TrendsWindow : public QWidget {
 public:
  explicit TrendsWindow(int address);
  ~TrendsWindow() override;

  int Address() const { return address_; }
  // What each plot shows, in plot order: the points as plotted.
  std::vector<trend_series> Plotted() const;
  // The event marks: time (ms since 1970) and text.
  std::vector<std::pair<std::int64_t, std::string>> Marks() const;
  // The time range shown, in milliseconds since 1970.
  std::pair<std::int64_t, std::int64_t> ShownRange() const;
  void ShowRange(std::int64_t from, std::int64_t to);
  void ShowAll();
  // Zooms by factor (> 1 narrows) around a time; pans by a part of the width.
  void ZoomAround(std::int64_t centre, double factor);
  void Pan(double widths);

  // Adds the device's current readings as points stamped now, when the
  // device was updated since the last take. The repaint timer calls it.
  void TakeLiveReadings();
  void AddMark(const journal_event& event);

  // The shown range: every plotted point in it as CSV (a "Time" column of
  // local times, one column per reading, C number format), or the plots as
  // an image. false when the file cannot be written.
  bool ExportCsv(const std::string& path) const;
  bool ExportPng(const std::string& path);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct plot {
    std::string name;
    QChart* chart = nullptr;
    QChartView* view = nullptr;
    QLineSeries* line = nullptr;
    QDateTimeAxis* time_axis = nullptr;
    QValueAxis* value_axis = nullptr;
  };

  plot& PlotNamed(const std::string& name);
  plot MakePlot(const std::string& name);
  void AddLiveReading(const std::string& name, const char* text, std::int64_t time);
  void OnRangeChanged(QDateTimeAxis* source);
  void FitValues();
  void ExportWithDialog(bool csv);
  std::pair<std::int64_t, std::int64_t> DataRange() const;

  int address_;
  std::vector<plot> plots_;
  QChart* marks_chart_ = nullptr;
  QDateTimeAxis* marks_axis_ = nullptr;
  QScatterSeries* marks_ = nullptr;
  QScatterSeries* alert_marks_ = nullptr;
  std::vector<std::pair<std::int64_t, std::string>> mark_texts_;
  std::vector<std::int64_t> marked_ids_;
  QWidget* plots_widget_ = nullptr;
  QVBoxLayout* plots_layout_ = nullptr;
  std::int64_t from_ = 0, to_ = 0;
  bool syncing_ = false;
};

// Opens the address's Trends window, or raises the one already open.
TrendsWindow* OpenTrendsWindow(int address);
// The open window of the address, nullptr when none is.
TrendsWindow* TrendsWindowOf(int address);
void CloseTrendsWindow(int address);
