#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/display_font.h"
#include "app/log_parameters_dialog.h"
#include "app/popup.h"
#include "app/serial_settings_dialog.h"
#include "config/font_file.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/window_seams.h"
#include "resources/dialog_ids.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

// A listener on 127.0.0.1 at a free port; connections wait in its queue.
class LoopbackListener {
 public:
  LoopbackListener() {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint);
    listen(fd_, 4);
    socklen_t length = sizeof endpoint;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&endpoint), &length);
    port_ = ntohs(endpoint.sin_port);
  }
  ~LoopbackListener() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = socket(AF_INET, SOCK_STREAM, 0);
  int port_ = 0;
};

// A by-id style name of 120 characters leading to the pseudo-terminal.
std::string LongPortName(const ScratchDirectory& directory, const PseudoTerminal& line) {
  std::filesystem::create_directory(directory.File("by-id"));
  std::string name = directory.File("by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-");
  name.resize(120, 'x');
  std::filesystem::create_symlink(line.SlavePath(), name);
  return name;
}

class SettingsDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLinkSettings();
    ResetSettings();
    SetLogParameterDefaults();
  }
  void TearDown() override {
    for (ui::Handle& panel : poll_dialog) {
      if (panel) ui::Destroy(panel);
      panel = ui::no_window;
    }
    CleanupSocketComm();
    SetSocketPanelOpener(nullptr);
    use_default_port = 1;
    tcpip_port = 2000;
    CloseSerial();
    ResetLinkSettings();
    ResetSettings();
    SetLogParameterDefaults();
  }
  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

TEST_F(SettingsDialogs, SerialSettingsAreTakenAsTypedAndSaved) {
  PseudoTerminal line;
  const std::string port = LongPortName(directory, line);
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    // Opening shows the current settings.
    EXPECT_EQ(ui::ControlText(dialog, id_com_port), "COM2");
    EXPECT_EQ(ui::ItemCount(dialog, id_com_port), 16);
    EXPECT_EQ(ui::ControlText(dialog, id_baud_rate), "9600");
    EXPECT_EQ(ui::ControlText(dialog, id_parity), "NONE");
    EXPECT_TRUE(ui::IsControlEnabled(dialog, id_com_port));
    EXPECT_FALSE(ui::IsControlEnabled(dialog, id_ip_address));
    EXPECT_FALSE(ui::IsControlEnabled(dialog, id_connect));
    EXPECT_FALSE(ui::IsControlEnabled(dialog, id_search));
    Op::ChooseText(dialog, id_com_port, port);
    Op::ChooseText(dialog, id_baud_rate, "19200");
    Op::ChooseText(dialog, id_data_bits, "7");
    Op::ChooseText(dialog, id_stop_bits, "2");
    Op::ChooseText(dialog, id_parity, "even");
    Op::Press(dialog, ui::id_ok);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(serial_baud, 19200);
  EXPECT_EQ(serial_data, 7);
  EXPECT_EQ(serial_stop, two_stop_bits);
  EXPECT_EQ(serial_parity, parity_even);
  EXPECT_TRUE(SerialPortIsOpen());
  EXPECT_EQ(directory.Read("sdefault.txt"), port + " 19200 E 7 2 0");
}

// Names that the settings, the file or the connection could not keep whole.
TEST_F(SettingsDialogs, NamesThatWouldBeCutAreRefused) {
  struct refusal {
    bool ethernet;
    int field;
    int button;
    std::string text;
    std::string box;
  };
  const std::string port_256(256, 'p');
  const std::string address_40 = "127.0.0.1" + std::string(31, '0');
  const std::vector<refusal> refusals = {
      {false, id_com_port, ui::id_ok, port_256,
       "Can't use Com Port " + port_256 + ": at most 255 characters and no blanks."},
      {false, id_com_port, ui::id_ok, "/dev/serial/by-id/usb 1",
       "Can't use Com Port /dev/serial/by-id/usb 1: at most 255 characters and no blanks."},
      {true, id_ip_address, ui::id_ok, address_40,
       "Can't use Ip Address " + address_40 + ": at most 39 characters and no blanks."},
      {true, id_ip_address, id_connect, address_40,
       "Can't use Ip Address " + address_40 + ": at most 39 characters and no blanks."},
  };
  for (const refusal& row : refusals) {
    ResetLinkSettings();
    op.ClearBoxes();
    int focus_after_refusal = 0;
    op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
      if (row.ethernet) Op::Press(dialog, id_use_ethernet);
      if (row.field == id_com_port) {
        Op::ChooseText(dialog, row.field, row.text);
      } else {
        Op::Type(dialog, row.field, row.text);
      }
      Op::Press(dialog, row.button);
      focus_after_refusal = ui::FocusedControl(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    RunSerialSettingsDialog(ui::no_window);
    ASSERT_EQ(op.Boxes().size(), 1u) << row.text;
    EXPECT_EQ(op.Boxes()[0].text, row.box);
    EXPECT_EQ(op.Boxes()[0].caption, "Problem");
    EXPECT_EQ(focus_after_refusal, row.field);
    EXPECT_STREQ(serial_port, "COM2");
    EXPECT_STREQ(default_ipaddress, "127.0.0.1");
    EXPECT_FALSE(directory.Exists("sdefault.txt"));
  }
}

TEST_F(SettingsDialogs, ARateNotInTheTableKeepsThePreviousRate) {
  PseudoTerminal line;
  serial_baud = 4800;
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::ChooseText(dialog, id_com_port, line.SlavePath());
    Op::ChooseText(dialog, id_baud_rate, "12345");
    Op::ChooseText(dialog, id_parity, "odd");
    Op::Press(dialog, ui::id_ok);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_EQ(serial_baud, 4800);
  EXPECT_EQ(serial_parity, parity_odd);
}

TEST_F(SettingsDialogs, APortThatCannotBeOpenedIsReportedAndTheDialogStays) {
  int focus_after_refusal = 0;
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::ChooseText(dialog, id_com_port, "/dev/corvane-missing");
    Op::Press(dialog, ui::id_ok);
    focus_after_refusal = ui::FocusedControl(dialog);
    Op::Press(dialog, ui::id_cancel);
  });
  RunSerialSettingsDialog(ui::no_window);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text,
            "Can't open Com Port /dev/corvane-missing.\n/dev/corvane-missing: no such port");
  EXPECT_EQ(op.Boxes()[0].caption, "Problem");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::error);
  EXPECT_EQ(focus_after_refusal, id_com_port);
  EXPECT_FALSE(directory.Exists("sdefault.txt"));
}

TEST_F(SettingsDialogs, EthernetSwitchesTheHalvesAndSavesTheAddress) {
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    EXPECT_EQ(use_ethernet, 1);  // at once, before OK
    EXPECT_FALSE(ui::IsControlEnabled(dialog, id_com_port));
    EXPECT_FALSE(ui::IsControlEnabled(dialog, id_parity));
    EXPECT_TRUE(ui::IsControlEnabled(dialog, id_ip_address));
    EXPECT_TRUE(ui::IsControlEnabled(dialog, id_connect));
    EXPECT_TRUE(ui::IsControlEnabled(dialog, id_search));
    Op::Type(dialog, id_ip_address, "127.0.0.20");
    Op::Press(dialog, ui::id_ok);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_STREQ(default_ipaddress, "127.0.0.20");
  EXPECT_EQ(directory.Read("sdefault.txt"), "COM2 9600 N 8 1 127.0.0.20");
}

TEST_F(SettingsDialogs, CancelSavesNothingButKeepsTheLinkTypeChange) {
  ui::RegisterWindowClass({"SettingsTestPanel", ui::DefaultProcedure, 0, ui::Background::button_face, 0, 0});
  poll_dialog[65] = ui::CreateWindowOf("SettingsTestPanel", "", ui::style_overlapped, 0, 0, 10, 10, ui::no_window);
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, ui::id_cancel);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_EQ(use_ethernet, 1);
  EXPECT_FALSE(directory.Exists("sdefault.txt"));
  // The panel belonged to the serial link.
  EXPECT_FALSE(IsOpen(65));
}

TEST_F(SettingsDialogs, OkKeepsThePanelTheDialogConnectedAndClosesTheSerialOnes) {
  LoopbackListener listener;
  use_default_port = 0;
  tcpip_port = listener.Port();
  ASSERT_TRUE(RegisterPanelClasses());
  SetSocketPanelOpener(CreatePollDialog);
  ASSERT_TRUE(CreatePollDialog('A'));
  int connected = -1;
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, id_connect);
    for (int address = 0; address < device_count; ++address)
      if (address != 'A' && IsOpen(address)) connected = address;
    Op::Press(dialog, ui::id_ok);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_TRUE(op.Boxes().empty());
  ASSERT_GT(connected, 0);
  EXPECT_TRUE(IsOpen(connected));
  EXPECT_EQ(device_sock[connected].good, 1);
  EXPECT_FALSE(IsOpen('A'));
  EXPECT_EQ(directory.Read("sdefault.txt"), "COM2 9600 N 8 1 127.0.0.1");
}

TEST_F(SettingsDialogs, LogParameterSelectionIsSavedInTheSettingsFile) {
  op.WhenDialogOpens("Parameters to Log", [&](ui::Handle dialog) {
    EXPECT_EQ(ui::CheckStateOf(dialog, id_log_first_row + 0), ui::checked);    // I
    EXPECT_EQ(ui::CheckStateOf(dialog, id_log_first_row + 1), ui::unchecked);  // J
    Op::Press(dialog, id_log_first_row + 0);
    Op::Press(dialog, id_log_first_row + 1);
    Op::Press(dialog, id_log_first_row + 8);
    Op::Press(dialog, ui::id_ok);
  });
  RunLogParametersDialog(ui::no_window);
  const std::string text = directory.Read("defaults.txt");
  EXPECT_NE(text.find("LOG_PARAMETERS: -JP-TV--j\r\n"), std::string::npos) << text;
  EXPECT_EQ(log_parameter[0].enabled, 0);
  EXPECT_EQ(log_parameter[8].enabled, 1);
}

TEST_F(SettingsDialogs, ParameterChangesAddATitleLineToOpenLogsOnly) {
  const std::string log_path = directory.File("log.txt");
  logfile[66] = std::fopen(log_path.c_str(), "ab");
  ASSERT_NE(logfile[66], nullptr);
  // Confirming without a change rewrites the settings but adds no title line.
  op.WhenDialogOpens("Parameters to Log", [](ui::Handle dialog) { Op::Press(dialog, ui::id_ok); });
  RunLogParametersDialog(ui::no_window);
  EXPECT_TRUE(directory.Exists("defaults.txt"));
  EXPECT_EQ(directory.Read("log.txt"), "");
  op.WhenDialogOpens("Parameters to Log", [](ui::Handle dialog) {
    Op::Press(dialog, id_log_first_row + 0);
    Op::Press(dialog, ui::id_ok);
  });
  RunLogParametersDialog(ui::no_window);
  const std::string log = directory.Read("log.txt");
  EXPECT_NE(log.find(",  Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n"), std::string::npos) << log;
  std::fclose(logfile[66]);
  logfile[66] = nullptr;
}

TEST_F(SettingsDialogs, CancelLeavesTheSelectionAndTheFileAlone) {
  op.WhenDialogOpens("Parameters to Log", [](ui::Handle dialog) {
    Op::Press(dialog, id_log_first_row + 0);
    Op::Press(dialog, ui::id_cancel);
  });
  RunLogParametersDialog(ui::no_window);
  EXPECT_EQ(log_parameter[0].enabled, 1);
  EXPECT_FALSE(directory.Exists("defaults.txt"));
}

TEST_F(SettingsDialogs, APickedFontIsSavedAndComesBack) {
  ui::FontSpec chosen;
  chosen.face = "DejaVu Sans Mono";
  chosen.height = -19;
  chosen.weight = 700;
  chosen.italic = true;
  op.AnswerFontChooser(chosen, 140);
  PickFont();
  EXPECT_EQ(op.FontChoosersShown(), 1);
  ASSERT_TRUE(directory.Exists("font.dat"));
  EXPECT_EQ(directory.Read("font.dat").size(), 120u);
  EXPECT_EQ(font_handle.face, "DejaVu Sans Mono");
  EXPECT_EQ(font_selection.Flags, 0x14041u);

  font_info = {};
  font_selection = {};
  LoadFont();
  EXPECT_EQ(font_handle.face, "DejaVu Sans Mono");
  EXPECT_EQ(font_handle.height, -19);
  EXPECT_EQ(font_handle.weight, 700);
  EXPECT_TRUE(font_handle.italic);
  EXPECT_EQ(font_selection.iPointSize, 140);

  // Cancelling the chooser changes nothing.
  op.CancelFontChooser();
  PickFont();
  EXPECT_EQ(font_handle.face, "DejaVu Sans Mono");
}

TEST_F(SettingsDialogs, WithoutAFontFileTheSystemFixedFontIsUsed) {
  font_info = {};
  LoadFont();
  EXPECT_EQ(font_handle.face, ui::SystemFixedFont().face);
  directory.Write("font.dat", "\x01\x02");  // short garbage
  LoadFont();
  EXPECT_TRUE(font_handle.fixed_pitch);
}

}  // namespace
