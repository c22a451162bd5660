// Renders amplifier 'A's Trends window against corvane-sim, offscreen, into
// a PNG file: three days of status log history around the readings the
// simulator gives, then the live readings, with an alarm raised and cleared.
//
//   render_trends OUTPUT_DIRECTORY

#include <QPixmap>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "app/popup.h"
#include "app/startup.h"
#include "app/trend_series.h"
#include "app/trends_window.h"
#include "app/wlog.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "records/device_records.h"
#include "rendering.h"
#include "support/console_on_sim.h"
#include "ui/window.h"

namespace {

double Now(int row) {
  return ReadingValue(log_parameter[row].response['A']).value_or(0);
}

// Quarter-hour lines for three days up to now: the simulator's readings with
// a daily swing and a slow drift, as an amplifier's log collects them.
void WriteHistory(const std::string& name) {
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::ofstream log(name, std::ios::binary);
  const std::time_t now = std::time(nullptr);
  const int lines = 3 * 96;
  for (int n = 0; n < lines; ++n) {
    const std::time_t when = now - 900 * static_cast<std::time_t>(lines - n);
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%d %s %02d, %02d:%02d", local.tm_mday, months[local.tm_mon],
                  local.tm_year % 100, local.tm_hour, local.tm_min);
    if (n == 0) {
      log << std::string(70, '-') << "\r\n"
          << stamp << ",  Part #305-4120-025, Serial #10065, Address 'A'\r\n"
          << stamp << ",  Current (mA), Forward Power (dBm), Temperature (C), "
          << "Helix/Beam Volts (kV)\r\n";
    }
    const double day = std::sin(2 * M_PI * (local.tm_hour * 60 + local.tm_min) / 1440.0);
    const double drift = static_cast<double>(lines - n) / lines;
    char line[128];
    std::snprintf(line, sizeof line, "%s,  %4.1f, %4.1f, %04.0f, %4.1f\r\n", stamp,
                  Now(0) * (1 + 0.1 * day + 0.1 * drift), Now(2) + 0.3 * drift - 0.15 * day,
                  Now(4) + 4 * day, Now(5) + 0.1 * drift);
    log << line;
  }
}

}  // namespace

int main(int argc, char** argv) {
  rendering::scene scene;
  if (!rendering::Prepare(argc, argv, "render_trends", &scene)) return 2;
  test_support::SimProcess sim;
  if (!test_support::StartConsoleOnSimulator(sim, {"--amp", "A", "--seed", "4"}, scene.directory,
                                             {"hours A 21480 19985"}))
    return 1;
  // Panel 'A' opens at start; with logging on its polls bring the logged readings.
  logging_on = 1;
  ui::RunFor(3000);
  CopyField(device_data['A'].part, "305-4120-025");
  CopyField(device_data['A'].serial, "10065");
  char name[log_name_size];
  LogFileName('A', name);
  WriteHistory(name);
  CreateLog('A', 0);
  ui::RunFor(1000);

  TrendsWindow* window = OpenTrendsWindow('A');
  window->resize(1000, 1400);
  ui::RunFor(3000);
  sim.Control("alarm A on");
  ui::RunFor(3000);
  sim.Control("alarm A off");
  ui::RunFor(3000);
  const bool saved =
      window->grab().save(QString::fromStdString(scene.output + "/trends-window.png"), "PNG");
  CloseTrendsWindow('A');
  return rendering::Finish(scene, sim, saved);
}
