#include "transfer/download_comm.h"

#include "config/settings.h"
#include "link/command_set.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/poll_address.h"
#include "transfer/download_link.h"

char save_port = 0;
std::int32_t save_baud = 0;
char save_parity = 'N';
char save_data = 8;
char save_stop = 1;
int restore_comm = 0;

namespace {

constexpr int settle_after_set_msec = 111;
constexpr int settle_after_restore_msec = 200;

std::string restore_problem;

int Digit(int byte) {
  return byte >= '0' && byte <= '9' ? byte - '0' : -1;
}

// The "X?" answer: port digit, six rate digits, parity letter, data-bit and
// stop-bit digits. Anything else is no answer the download can rely on.
bool TakePortSettings(DownloadLink& link, int device) {
  const int port = Digit(link.ReplyByte(device, 3));
  std::int32_t baud = 0;
  for (int at = 4; at <= 9; ++at) {
    const int digit = Digit(link.ReplyByte(device, at));
    if (digit < 0) return false;
    baud = baud * 10 + digit;
  }
  const int parity = link.ReplyByte(device, 10);
  const int data = Digit(link.ReplyByte(device, 11));
  const int stop = Digit(link.ReplyByte(device, 12));
  if (port < 0 || baud == 0 || (parity != 'N' && parity != 'O' && parity != 'E') ||
      (data != 7 && data != 8) || (stop != 1 && stop != 2)) {
    return false;
  }
  save_port = static_cast<char>(port);
  save_baud = baud;
  save_parity = static_cast<char>(parity);
  save_data = static_cast<char>(data);
  save_stop = static_cast<char>(stop);
  return true;
}

bool SendPortSetup(DownloadLink& link, int device, long baud, char parity, int data, int stop) {
  const device_command& setup = Command(command_id::port_setup_download);
  const command_body body =
      PortSetupCommand(save_port, static_cast<unsigned long>(baud), parity, data, stop);
  return link.Command(device, body.text, body.length, setup.timeout, setup.tries);
}

std::uint8_t ParityCode(char letter) {
  return letter == 'O' ? parity_odd : letter == 'E' ? parity_even : parity_none;
}

}  // namespace

int SpeedyComm(int device) {
  DownloadLink& link = CurrentDownloadLink();
  if (!link.Serial()) return 1;
  const device_command& query = Command(command_id::port_query_download);
  if (!link.Command(device, query.body, 0, query.timeout, query.tries)) return 0;
  if (!TakePortSettings(link, device)) return 0;
  // From here on the device may have switched, even when its answer is lost.
  restore_comm = 1;
  if (!SendPortSetup(link, device, download_baud, 'N', 8, 1)) return 0;
  link.Pause(settle_after_set_msec);
  return link.SetLine(download_baud, parity_none, 8, one_stop_bit) ? 1 : 0;
}

int RestoreComm(int device) {
  DownloadLink& link = CurrentDownloadLink();
  restore_problem.clear();
  if (!link.Serial()) return 1;
  bool restored = true;
  if (restore_comm) {
    restore_comm = 0;
    // Where the device should be after its speed change; a device whose
    // change never took is still at its saved settings.
    restored =
        (link.SetLine(download_baud, parity_none, 8, one_stop_bit) &&
         SendPortSetup(link, device, save_baud, save_parity, save_data, save_stop)) ||
        (link.SetLine(save_baud, ParityCode(save_parity), static_cast<std::uint8_t>(save_data),
                      save_stop == 2 ? two_stop_bits : one_stop_bit) &&
         SendPortSetup(link, device, save_baud, save_parity, save_data, save_stop));
    if (restored) {
      link.Pause(settle_after_restore_msec);
    } else {
      restore_problem = "Device " + AddressText(device) + " answers neither at " +
                        std::to_string(download_baud) + " baud nor at its own " +
                        std::to_string(save_baud) + " baud: its serial port may be left at " +
                        std::to_string(download_baud) + " baud.";
    }
  }
  // The console's own settings, whatever became of the device.
  if (!link.Reopen()) {
    if (restore_problem.empty()) {
      restore_problem = std::string("The serial port could not be reopened: ") + SerialErrorText();
    }
    return 0;
  }
  return restored ? 1 : 0;
}

const std::string& RestoreProblem() {
  return restore_problem;
}
