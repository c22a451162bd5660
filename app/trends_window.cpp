#include "app/trends_window.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPointer>
#include <QPushButton>
#include <QScatterSeries>
#include <QScrollArea>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <limits>

#include "app/amp_panel_shared.h"
#include "app/trend_csv.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "records/device_records.h"
#include "records/event_journal.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"

namespace {

// New readings are gathered as the polls bring them and drawn together at
// this pace, so a busy bus never repaints the plots per answer.
constexpr int repaint_ms = 1000;
constexpr std::int64_t narrowest_ms = 60'000;
constexpr std::int64_t hour_ms = 3'600'000;
constexpr int plot_height = 130;
constexpr int marks_height = 90;

std::array<QPointer<TrendsWindow>, device_count> windows;
std::array<bool, device_count> updated{};

void OnDeviceUpdated(int address) {
  if (address >= 0 && address < device_count) updated[address] = true;
}

void OnJournalEvent(const journal_event& event) {
  if (TrendsWindow* window = TrendsWindowOf(event.address)) window->AddMark(event);
}

QDateTime TimeOf(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms);
}

std::string LocalText(std::int64_t ms) {
  return TimeOf(ms).toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

// The plots zoom and pan with the wheel and a drag; a plain drag still draws
// the rubber band that zooms to the range it covers.
class TrendView : public QChartView {
 public:
  TrendView(QChart* chart, TrendsWindow* owner) : QChartView(chart), owner_(owner) {
    setRubberBand(QChartView::HorizontalRubberBand);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    const std::int64_t at = TimeAt(event->position().x());
    owner_->ZoomAround(at, event->angleDelta().y() > 0 ? 1.25 : 0.8);
    event->accept();
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier))) {
      panning_ = true;
      last_x_ = event->position().x();
      event->accept();
      return;
    }
    QChartView::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!panning_) return QChartView::mouseMoveEvent(event);
    const double width = chart()->plotArea().width();
    if (width > 0) owner_->Pan((last_x_ - event->position().x()) / width);
    last_x_ = event->position().x();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!panning_) return QChartView::mouseReleaseEvent(event);
    panning_ = false;
  }

 private:
  std::int64_t TimeAt(double x) const {
    const auto [from, to] = owner_->ShownRange();
    const QRectF area = chart()->plotArea();
    if (area.width() <= 0) return (from + to) / 2;
    const double share = std::clamp((x - area.left()) / area.width(), 0.0, 1.0);
    return from + static_cast<std::int64_t>(share * static_cast<double>(to - from));
  }

  TrendsWindow* owner_;
  bool panning_ = false;
  double last_x_ = 0;
};

QChart* NewChart(const std::string& title, QDateTimeAxis*& time_axis, QValueAxis*& value_axis) {
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setTitle(QString::fromStdString(title));
  chart->setMargins(QMargins(4, 0, 4, 0));
  chart->setBackgroundRoundness(0);
  time_axis = new QDateTimeAxis;
  time_axis->setFormat("dd MMM HH:mm");
  time_axis->setTickCount(7);
  value_axis = new QValueAxis;
  value_axis->setTickCount(3);
  chart->addAxis(time_axis, Qt::AlignBottom);
  chart->addAxis(value_axis, Qt::AlignLeft);
  return chart;
}

std::string WindowTitle(int address) {
  const device_struct& d = device_data[address];
  const std::string part = FieldText(d.part), serial = FieldText(d.serial);
  char shown[8];
  if (std::isprint(address)) {
    std::snprintf(shown, sizeof shown, "'%c'", address);
  } else {
    std::snprintf(shown, sizeof shown, "'%02Xh'", address);
  }
  if (part.empty() && serial.empty()) return std::string("Trends: Amplifier ") + shown;
  return std::string("Trends ") + shown + ": " + part + " " + serial;
}

}  // namespace

TrendsWindow::TrendsWindow(int address) : address_(address) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::StrongFocus);
  setWindowTitle(QString::fromLatin1(WindowTitle(address).c_str()));
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  auto* all = new QPushButton("Show &All");
  auto* png = new QPushButton("Export &PNG...");
  auto* csv = new QPushButton("Export &CSV...");
  for (QPushButton* button : {all, png, csv}) {
    button->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(button);
  }
  connect(all, &QPushButton::clicked, this, [this] { ShowAll(); });
  connect(png, &QPushButton::clicked, this, [this] { ExportWithDialog(false); });
  connect(csv, &QPushButton::clicked, this, [this] { ExportWithDialog(true); });
  bar->addStretch();
  bar->addWidget(
      new QLabel("Drag: zoom to range   Wheel, + -: zoom   Shift+drag, arrows: pan"
                 "   Right click: zoom out   Home: all"));
  layout->addLayout(bar);

  plots_widget_ = new QWidget;
  plots_layout_ = new QVBoxLayout(plots_widget_);
  plots_layout_->setContentsMargins(0, 0, 0, 0);
  plots_layout_->setSpacing(0);
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidget(plots_widget_);
  layout->addWidget(scroll);

  syncing_ = true;
  QValueAxis* marks_values = nullptr;
  marks_chart_ = NewChart("Events", marks_axis_, marks_values);
  marks_values->setRange(0, 1);
  marks_values->setVisible(false);
  marks_ = new QScatterSeries;
  alert_marks_ = new QScatterSeries;
  alert_marks_->setColor(Qt::red);
  for (QScatterSeries* series : {marks_, alert_marks_}) {
    series->setMarkerSize(10);
    marks_chart_->addSeries(series);
    series->attachAxis(marks_axis_);
    series->attachAxis(marks_values);
    connect(series, &QScatterSeries::hovered, this, [this](const QPointF& point, bool state) {
      if (!state) return;
      for (const auto& [time, text] : mark_texts_) {
        if (static_cast<double>(time) == point.x())
          QToolTip::showText(QCursor::pos(), QString::fromLatin1(text.c_str()));
      }
    });
  }
  auto* marks_view = new TrendView(marks_chart_, this);
  marks_view->setFixedHeight(marks_height);
  plots_layout_->addWidget(marks_view);
  connect(marks_axis_, &QDateTimeAxis::rangeChanged, this, [this] { OnRangeChanged(marks_axis_); });

  char name[log_name_size];
  LogFileName(address, name);
  for (const trend_series& series : ReadTrendLogFile(name)) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(series.points.size()));
    for (const trend_point& point : series.points)
      points.append(QPointF(static_cast<double>(point.time_ms), point.value));
    PlotNamed(series.name).line->replace(points);
  }
  for (const char* live : {"Power Out", "Voltage", "Attenuation"}) PlotNamed(live);
  for (const journal_event& event : JournalEvents()) AddMark(event);
  syncing_ = false;
  ShowAll();

  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    if (!updated[address_]) return;
    updated[address_] = false;
    TakeLiveReadings();
  });
  timer->start(repaint_ms);
  resize(960, 760);
}

TrendsWindow::~TrendsWindow() {
  for (const QPointer<TrendsWindow>& other : windows) {
    if (other && other != this) return;
  }
  RemoveDeviceUpdateListener(OnDeviceUpdated);
  RemoveJournalListener(OnJournalEvent);
}

TrendsWindow::plot TrendsWindow::MakePlot(const std::string& name) {
  plot made;
  made.name = name;
  made.chart = NewChart(name, made.time_axis, made.value_axis);
  made.line = new QLineSeries;
  made.chart->addSeries(made.line);
  made.line->attachAxis(made.time_axis);
  made.line->attachAxis(made.value_axis);
  made.time_axis->setRange(TimeOf(from_), TimeOf(to_ > from_ ? to_ : from_ + hour_ms));
  made.view = new TrendView(made.chart, this);
  made.view->setMinimumHeight(plot_height);
  // The plots keep the order they were made in, the event marks below them.
  plots_layout_->insertWidget(plots_layout_->count() - 1, made.view);
  QDateTimeAxis* axis = made.time_axis;
  connect(axis, &QDateTimeAxis::rangeChanged, this, [this, axis] { OnRangeChanged(axis); });
  return made;
}

TrendsWindow::plot& TrendsWindow::PlotNamed(const std::string& name) {
  for (plot& one : plots_) {
    if (one.name == name) return one;
  }
  plots_.push_back(MakePlot(name));
  return plots_.back();
}

std::vector<trend_series> TrendsWindow::Plotted() const {
  std::vector<trend_series> plotted;
  for (const plot& one : plots_) {
    trend_series series{one.name, {}};
    for (qsizetype i = 0; i < one.line->count(); ++i) {
      const QPointF point = one.line->at(i);
      series.points.push_back({static_cast<std::int64_t>(point.x()), point.y()});
    }
    plotted.push_back(std::move(series));
  }
  return plotted;
}

std::vector<std::pair<std::int64_t, std::string>> TrendsWindow::Marks() const {
  return mark_texts_;
}

std::pair<std::int64_t, std::int64_t> TrendsWindow::ShownRange() const {
  return {from_, to_};
}

std::pair<std::int64_t, std::int64_t> TrendsWindow::DataRange() const {
  std::int64_t first = std::numeric_limits<std::int64_t>::max();
  std::int64_t last = std::numeric_limits<std::int64_t>::min();
  auto take = [&](std::int64_t time) {
    first = std::min(first, time);
    last = std::max(last, time);
  };
  for (const plot& one : plots_) {
    for (qsizetype i = 0; i < one.line->count(); ++i)
      take(static_cast<std::int64_t>(one.line->at(i).x()));
  }
  for (const auto& mark : mark_texts_) take(mark.first);
  return {first, last};
}

void TrendsWindow::ShowRange(std::int64_t from, std::int64_t to) {
  if (to - from < narrowest_ms) {
    const std::int64_t middle = from + (to - from) / 2;
    from = middle - narrowest_ms / 2;
    to = from + narrowest_ms;
  }
  from_ = from;
  to_ = to;
  const bool was_syncing = syncing_;
  syncing_ = true;
  for (plot& one : plots_) one.time_axis->setRange(TimeOf(from), TimeOf(to));
  marks_axis_->setRange(TimeOf(from), TimeOf(to));
  syncing_ = was_syncing;
  FitValues();
}

void TrendsWindow::ShowAll() {
  const auto [first, last] = DataRange();
  if (first > last) {
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    ShowRange(now - hour_ms, now);
  } else {
    ShowRange(first, last);
  }
}

void TrendsWindow::ZoomAround(std::int64_t centre, double factor) {
  if (!(factor > 0)) return;
  const double width = static_cast<double>(to_ - from_);
  const double share = width > 0 ? static_cast<double>(centre - from_) / width : 0.5;
  const double narrowed = width / factor;
  const std::int64_t from = centre - static_cast<std::int64_t>(share * narrowed);
  ShowRange(from, from + static_cast<std::int64_t>(narrowed));
}

void TrendsWindow::Pan(double widths) {
  const auto shift = static_cast<std::int64_t>(widths * static_cast<double>(to_ - from_));
  ShowRange(from_ + shift, to_ + shift);
}

void TrendsWindow::OnRangeChanged(QDateTimeAxis* source) {
  if (syncing_) return;
  ShowRange(source->min().toMSecsSinceEpoch(), source->max().toMSecsSinceEpoch());
}

// Each plot's value axis spans what it shows of its reading.
void TrendsWindow::FitValues() {
  for (plot& one : plots_) {
    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    for (qsizetype i = 0; i < one.line->count(); ++i) {
      const QPointF point = one.line->at(i);
      if (point.x() < static_cast<double>(from_) || point.x() > static_cast<double>(to_)) continue;
      low = std::min(low, point.y());
      high = std::max(high, point.y());
    }
    // A lone point draws no line: its marker shows it.
    const bool sparse = one.line->count() < 3;
    if (one.line->pointsVisible() != sparse) one.line->setPointsVisible(sparse);
    if (low > high) continue;
    // Labels on round steps, two or three of them, with the decimals the step needs.
    const double wanted = high > low ? (high - low) / 2 : std::max(std::fabs(high) / 100, 0.1);
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    double step = power;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
      step = factor * power;
      if (step >= wanted) break;
    }
    const double bottom = std::floor(low / step) * step;
    const double top = std::max(std::ceil(high / step) * step, bottom + step);
    one.value_axis->setRange(bottom, top);
    one.value_axis->setTickCount(static_cast<int>(std::lround((top - bottom) / step)) + 1);
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 4);
    one.value_axis->setLabelFormat(QString("%.%1f").arg(decimals));
  }
}

void TrendsWindow::AddLiveReading(const std::string& name, const char* text, std::int64_t time) {
  if (const std::optional<double> value = ReadingValue(text))
    PlotNamed(name).line->append(static_cast<double>(time), *value);
}

void TrendsWindow::TakeLiveReadings() {
  const auto [first, last] = DataRange();
  // A view that reaches the newest reading moves on with the new ones.
  const bool following = first > last || to_ >= last;
  const std::int64_t now = QDateTime::currentSecsSinceEpoch() * 1000;
  const device_struct& d = device_data[address_];
  AddLiveReading("Power Out", d.power_out, now);
  AddLiveReading("Voltage", d.voltage, now);
  AddLiveReading("Attenuation", d.attenuation, now);
  if (logging_on) {
    for (const log_parm_struct& parameter : log_parameter) {
      if (parameter.enabled) AddLiveReading(parameter.name, parameter.response[address_], now);
    }
  }
  if (!following || now <= to_) return FitValues();
  if (first > last || from_ <= first) return ShowRange(from_, now);
  ShowRange(from_ + (now - to_), now);
}

void TrendsWindow::AddMark(const journal_event& event) {
  if (event.address != address_ || event.kind == "acknowledged") return;
  if (std::find(marked_ids_.begin(), marked_ids_.end(), event.id) != marked_ids_.end()) return;
  marked_ids_.push_back(event.id);
  mark_texts_.emplace_back(event.time_ms, LocalText(event.time_ms) + "  " + event.text);
  (event.alert ? alert_marks_ : marks_)->append(static_cast<double>(event.time_ms), 0.5);
}

bool TrendsWindow::ExportCsv(const std::string& path) const {
  return WriteTrendCsv(path, Plotted(), from_, to_);
}

bool TrendsWindow::ExportPng(const std::string& path) {
  return plots_widget_->grab().save(QString::fromLocal8Bit(path.c_str()), "PNG");
}

void TrendsWindow::ExportWithDialog(bool csv) {
  ui::FileDialogRequest request;
  request.kind = ui::FileDialogKind::save;
  request.title = csv ? "Export Trends as CSV" : "Export Trends as PNG";
  request.filter_name = csv ? "CSV Files" : "PNG Images";
  request.filter_pattern = csv ? "*.csv" : "*.png";
  request.default_extension = csv ? "csv" : "png";
  request.confirm_overwrite = true;
  std::string path;
  if (!ui::ChooseFile(ui::no_window, request, path)) return;
  if (!(csv ? ExportCsv(path) : ExportPng(path)))
    ui::ShowMessage(ui::no_window, "Unable to write " + path + ".", "Error", ui::Buttons::ok,
                    ui::Icon::warning);
}

void TrendsWindow::keyPressEvent(QKeyEvent* event) {
  const std::int64_t middle = from_ + (to_ - from_) / 2;
  switch (event->key()) {
    case Qt::Key_Left:
      return Pan(-0.25);
    case Qt::Key_Right:
      return Pan(0.25);
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return ZoomAround(middle, 2);
    case Qt::Key_Minus:
      return ZoomAround(middle, 0.5);
    case Qt::Key_Home:
      return ShowAll();
    default:
      QWidget::keyPressEvent(event);
  }
}

TrendsWindow* OpenTrendsWindow(int address) {
  if (address < 0 || address >= device_count) return nullptr;
  if (TrendsWindow* open = windows[address]) {
    open->raise();
    open->activateWindow();
    return open;
  }
  AddDeviceUpdateListener(OnDeviceUpdated);
  AddJournalListener(OnJournalEvent);
  updated[address] = false;
  auto* window = new TrendsWindow(address);
  windows[address] = window;
  window->show();
  return window;
}

TrendsWindow* TrendsWindowOf(int address) {
  if (address < 0 || address >= device_count) return nullptr;
  return windows[address];
}

void CloseTrendsWindow(int address) {
  delete TrendsWindowOf(address);
}
