#include "config/settings.h"

namespace {

constexpr std::int32_t initial_download_baud = 57600;
constexpr std::uint32_t initial_polling_interval = 350;
constexpr std::uint32_t initial_logging_interval = 900;

}  // namespace

int logging_on = 0;
int log_prompt = 0;
int log_hours = 1;
int bright_color = 0;
int turbo_download = 1;
int poll_frequency = 0;
int quillon_protocol = 0;
int mode_2wire = 0;
std::int32_t download_baud = initial_download_baud;
char firmware_filename[4096] = "";
std::uint32_t polling_interval = initial_polling_interval;
std::uint32_t logging_interval = initial_logging_interval;

stopwatch_class poll_timer(initial_polling_interval);

void ResetSettings() {
  logging_on = 0;
  log_prompt = 0;
  log_hours = 1;
  bright_color = 0;
  turbo_download = 1;
  poll_frequency = 0;
  quillon_protocol = 0;
  mode_2wire = 0;
  download_baud = initial_download_baud;
  firmware_filename[0] = '\0';
  polling_interval = initial_polling_interval;
  logging_interval = initial_logging_interval;
  poll_timer.Reset(initial_polling_interval);
}
