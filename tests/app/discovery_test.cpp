#include "link/discovery.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/popup.h"
#include "app/serial_settings_dialog.h"
#include "app/startup.h"
#include "config/settings.h"
#include "link/link_settings.h"
#include "link/scan_ip_dialog.h"
#include "link/wserial.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "resources/dialog_ids.h"
#include "resources/menu_ids.h"
#include "resources/scan_ip_dialog.h"
#include "test_support.h"
#include "udp_responder.h"
#include "ui/dialog.h"
#include "ui/keys.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

std::uint32_t Ip(const char* dotted) {
  return inet_addr(dotted);
}

std::vector<std::string> Lines(ui::Handle dialog) {
  std::vector<std::string> lines;
  for (ui::TreeItem item : ui::TreeItems(dialog, id_scan_devices))
    lines.push_back(ui::TreeItemText(dialog, id_scan_devices, item));
  return lines;
}

// The search dialog has no Cancel button: Escape closes it.
void Cancel(ui::Handle dialog) {
  Op::KeyDown(dialog, ui::vk_escape);
}

ui::LongParam Value(ui::Handle dialog, int index) {
  return ui::TreeItemValue(dialog, id_scan_devices, ui::TreeItems(dialog, id_scan_devices)[index]);
}

// A TCP endpoint on loopback that either accepts connections or refuses them
// (bound but not listening).
class TcpEndpoint {
 public:
  TcpEndpoint(const char* address, bool listening) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = inet_addr(address);
    bind(fd_, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint);
    if (listening) listen(fd_, 4);
    socklen_t size = sizeof endpoint;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&endpoint), &size);
    port_ = ntohs(endpoint.sin_port);
  }
  ~TcpEndpoint() { close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    // Nothing may go anywhere but loopback, even before a responder exists.
    setenv("CORVANE_DISCOVERY_ADDRESS", "127.0.0.1:9", 1);
    ResetLinkSettings();
    ResetSettings();
    for (int address = 0; address < device_count; ++address) ZeroDeviceData(address);
    ethernet_action = ETHERNET_DEFAULT;
    udp_info = {};
    use_device = 'A';
    socket_connect_timeout = 500;
    use_default_port = 1;
  }
  void TearDown() override {
    ClosePollWindows();
    CleanupSocketComm();
    StopConsole();
    ethernet_action = ETHERNET_DEFAULT;
    use_default_port = 1;
    socket_connect_timeout = 2000;
    ResetLinkSettings();
    ResetSettings();
  }
  // Connections go to endpoint's port on whatever address is typed.
  void ConnectTo(const TcpEndpoint& endpoint) {
    use_default_port = 0;
    tcpip_port = endpoint.Port();
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
};

TEST_F(Discovery, DevicesAreListedInArrivalOrderWithDescriptionsCut) {
  const std::string long_description(100, 'd');
  UdpResponder devices({{"127.0.0.11", DescriptionReply("Tessary HPA 1")},
                        {"127.0.0.10", DescriptionReply(long_description)}});
  CopyField(default_ipaddress, "127.0.0.99");
  std::vector<std::string> lines;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    lines = Lines(dialog);
    EXPECT_EQ(Value(dialog, 0), static_cast<ui::LongParam>(Ip("127.0.0.11")));
    EXPECT_EQ(Value(dialog, 1), static_cast<ui::LongParam>(Ip("127.0.0.10")));
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.99");
    EXPECT_EQ(ui::FocusedControl(dialog), ui::id_ok);
    // Picking a device puts its address in the field.
    Op::Choose(dialog, id_scan_devices, 1);
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.10");
    EXPECT_EQ(ui::FocusedControl(dialog), ui::id_ok);
    // A key in the list first puts the remembered address back, then the
    // selection it moves to fills the field again.
    Op::KeyDown(ui::Control(dialog, id_scan_devices), 'X');
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.99");
    Op::KeyDown(ui::Control(dialog, id_scan_devices), ui::vk_up);
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.11");
    Cancel(dialog);
  });
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 0);
  EXPECT_EQ(devices.Request(), std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.11 ... Tessary HPA 1",
                                             "127.0.0.10 ... " + std::string(79, 'd')}));
  // Cancelling connects nothing.
  EXPECT_EQ(use_device, 'A');
  EXPECT_STREQ(default_ipaddress, "127.0.0.99");
}

TEST_F(Discovery, WithoutAnswersTheListSaysSoAndPickingThatLineChangesNothing) {
  UdpResponder nobody({});
  CopyField(default_ipaddress, "127.0.0.98");
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    EXPECT_EQ(Lines(dialog), std::vector<std::string>{"(No Devices Found)"});
    EXPECT_EQ(Value(dialog, 0), 0);
    ui::SetControlText(dialog, id_scan_address, "127.0.0.5");
    Op::Choose(dialog, id_scan_devices, 0);
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.5");
    Cancel(dialog);
  });
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 0);
  EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(Discovery, RepliesOfAnySizeShowOnlyWhatTheyCarry) {
  UdpResponder devices({
      {"127.0.0.20", DescriptionReply("Earlier device")},
      {"127.0.0.21", std::string(1, '\x01')},                        // shorter than the header
      {"127.0.0.22", std::string(8, '\0')},                          // the header alone
      {"127.0.0.23", std::string(8, '\0') + "A"},                    // no zero byte after the text
      {"127.0.0.24", std::string(8, '\0') + std::string(256, 'B')},  // fills the buffer
      {"127.0.0.25", std::string(8, '\0') + std::string(65499, 'C')},  // the largest datagram
      {"127.0.0.26", std::string()},                                   // empty: ends the reading
      {"127.0.0.27", DescriptionReply("After the empty one")},
  });
  std::vector<std::string> lines;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    lines = Lines(dialog);
    Cancel(dialog);
  });
  RunScanIpDialog(ui::no_window);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "127.0.0.20 ... Earlier device",
                       "127.0.0.21 ... ",
                       "127.0.0.22 ... ",
                       "127.0.0.23 ... A",
                       "127.0.0.24 ... " + std::string(79, 'B'),
                       "127.0.0.25 ... " + std::string(79, 'C'),
                   }));
  EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(Discovery, SearchReplacesTheList) {
  // The reply's status and address fields come back in the next request.
  UdpResponder first({{"127.0.0.30", std::string("\x01\x05\x00\x00\x0a\x0b\x0c\x0d", 8) + "One"}});
  std::vector<std::string> before, after;
  std::string second_request;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    before = Lines(dialog);
    UdpResponder second({{"127.0.0.31", DescriptionReply("Two")}});
    Op::Press(dialog, id_scan_search);
    after = Lines(dialog);
    second_request = second.Request();
    Cancel(dialog);
  });
  RunScanIpDialog(ui::no_window);
  EXPECT_EQ(first.Request(), std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(second_request, std::string("\x01\x05\x00\x00\x0a\x0b\x0c\x0d", 8));
  EXPECT_EQ(before, std::vector<std::string>{"127.0.0.30 ... One"});
  EXPECT_EQ(after, std::vector<std::string>{"127.0.0.31 ... Two"});
}

TEST_F(Discovery, AnUnusableOverrideSendsNothing) {
  setenv("CORVANE_DISCOVERY_ADDRESS", "loopback", 1);
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    EXPECT_EQ(Lines(dialog), std::vector<std::string>{"(No Devices Found)"});
    Cancel(dialog);
  });
  RunScanIpDialog(ui::no_window);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_NE(op.Boxes()[0].text.find("loopback"), std::string::npos);
}

TEST_F(Discovery, ConnectEndsTheDialogWithOneEvenWhenTheConnectionFails) {
  UdpResponder nobody({});
  const TcpEndpoint refusing("127.0.0.1", false);
  ConnectTo(refusing);
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    // Typed too long: only the first 19 characters count.
    Op::Type(dialog, id_scan_address, "127.0.0.1xxxxxxxxxxyyyy");
    Op::Press(dialog, ui::id_ok);
  });
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 1);
  EXPECT_STREQ(default_ipaddress, "127.0.0.1xxxxxxxxxx");
  EXPECT_EQ(use_device, -1);
  // For the default action the failure is reported over the dialog.
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't connect.");
  EXPECT_EQ(op.Boxes()[0].active_dialog, "Find IP Address");
}

TEST_F(Discovery, AConnectionForTheDefaultActionOpensThePanel) {
  ASSERT_TRUE(RegisterPanelClasses());
  SetSocketPanelOpener(CreatePollDialog);
  UdpResponder device({{"127.0.0.40", DescriptionReply("HPA")}});
  const TcpEndpoint listening("127.0.0.40", true);
  ConnectTo(listening);
  use_ethernet = 1;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    Op::Choose(dialog, id_scan_devices, 0);
    Op::Press(dialog, ui::id_ok);
  });
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 1);
  EXPECT_EQ(use_device, 'A');
  EXPECT_STREQ(default_ipaddress, "127.0.0.40");
  EXPECT_TRUE(IsOpen('A'));
  EXPECT_TRUE(op.Boxes().empty());
  // The address reached is remembered in the link settings file.
  EXPECT_NE(directory.Read("sdefault.txt").find("127.0.0.40"), std::string::npos);
}

TEST_F(Discovery, OtherActionsRetitleTheDialogAndConnectSilently) {
  std::snprintf(firmware_filename, sizeof firmware_filename, "%s", "tessary.exe");
  const TcpEndpoint refusing("127.0.0.1", false);
  ConnectTo(refusing);
  const struct {
    ethernet_action_enum action;
    const char* title;
  } cases[] = {{ETHERNET_DOWNLOAD, "Send Firmware: tessary.exe"},
               {ETHERNET_GETMODEL, "Retrieve model.cfg"},
               {ETHERNET_SENDMODEL, "Send model.cfg"},
               {ETHERNET_EDITMODEL, "Edit model.cfg"}};
  for (const auto& one : cases) {
    SCOPED_TRACE(one.title);
    UdpResponder nobody({});
    ethernet_action = one.action;
    std::string title;
    op.WhenDialogOpens(one.title, [&](ui::Handle dialog) {
      title = ui::Title(dialog);
      Op::Type(dialog, id_scan_address, "127.0.0.1");
      Op::Press(dialog, ui::id_ok);
    });
    EXPECT_EQ(RunScanIpDialog(ui::no_window), 1);
    EXPECT_EQ(use_device, -1);
    EXPECT_EQ(title, one.title);
  }
  EXPECT_TRUE(op.Boxes().empty());

  // Connected without an owner: no panel, the slot is the caller's.
  const TcpEndpoint listening("127.0.0.41", true);
  ConnectTo(listening);
  UdpResponder nobody({});
  op.WhenDialogOpens("Retrieve model.cfg", [&](ui::Handle dialog) {
    Op::Type(dialog, id_scan_address, "127.0.0.41");
    Op::Press(dialog, ui::id_ok);
  });
  ethernet_action = ETHERNET_GETMODEL;
  EXPECT_EQ(RunScanIpDialog(ui::no_window), 1);
  EXPECT_EQ(use_device, 'A');
  EXPECT_EQ(device_sock['A'].good, 1);
  EXPECT_FALSE(IsOpen('A'));
  CloseDeviceSocket('A');
}

TEST_F(Discovery, TheSettingsDialogConnectsAndStaysOpen) {
  const TcpEndpoint refusing("127.0.0.1", false);
  ConnectTo(refusing);
  bool still_open = false;
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Type(dialog, id_ip_address, "127.0.0.1");
    Op::Press(dialog, id_connect);
    still_open = ui::IsLive(dialog);
    Op::Press(dialog, ui::id_cancel);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_TRUE(still_open);
  EXPECT_STREQ(default_ipaddress, "127.0.0.1");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't connect.");
  EXPECT_EQ(op.Boxes()[0].active_dialog, "Serial Port Configuration");
}

TEST_F(Discovery, SettingsSearchClosesTheDialogThenSearches) {
  ASSERT_TRUE(RegisterPanelClasses());
  CreatePollDialog('B');
  UdpResponder device({{"127.0.0.50", DescriptionReply("HPA")}});
  bool panel_gone_before_search = false;
  std::vector<std::string> lines;
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, id_search);
  });
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    // The panel belonged to the serial link.
    panel_gone_before_search = !IsOpen('B');
    lines = Lines(dialog);
    Cancel(dialog);
  });
  RunSerialSettingsDialog(ui::no_window);
  const std::vector<std::string>& opened = op.OpenedDialogs();
  ASSERT_GE(opened.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(opened.end() - 2, opened.end()),
            (std::vector<std::string>{"Serial Port Configuration", "Find IP Address"}));
  EXPECT_TRUE(panel_gone_before_search);
  EXPECT_EQ(lines, std::vector<std::string>{"127.0.0.50 ... HPA"});
  EXPECT_EQ(use_ethernet, 1);
}

TEST_F(Discovery, PanelsStayWhenTheLinkTypeEndsAsItWas) {
  ASSERT_TRUE(RegisterPanelClasses());
  CreatePollDialog('B');
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, ui::id_cancel);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_TRUE(IsOpen('B'));
  op.WhenDialogOpens("Serial Port Configuration", [&](ui::Handle dialog) {
    Op::Press(dialog, id_use_ethernet);
    Op::Press(dialog, ui::id_cancel);
  });
  RunSerialSettingsDialog(ui::no_window);
  EXPECT_FALSE(IsOpen('B'));
}

TEST_F(Discovery, PollAmplifierOverEthernetSearches) {
  UdpResponder device({{"127.0.0.70", DescriptionReply("HPA")}});
  use_ethernet = 1;
  std::vector<std::string> lines;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    lines = Lines(dialog);
    Cancel(dialog);
  });
  MainCallBack(ui::no_window, ui::msg_command,
               ui::MakeCommand(menu_poll_amplifier, ui::notify_clicked), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"127.0.0.70 ... HPA"});
}

TEST_F(Discovery, StartingWithAnAddressInTheLinkSettingsOpensTheSearch) {
  UdpResponder device({{"127.0.0.60", DescriptionReply("HPA")}});
  directory.Write("sdefault.txt", "COM2 9600 N 8 1 127.0.0.60");
  std::vector<std::string> lines;
  op.WhenDialogOpens("Find IP Address", [&](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_scan_address), "127.0.0.60");
    lines = Lines(dialog);
    Cancel(dialog);
  });
  ASSERT_TRUE(StartConsole(""));
  // Over Ethernet no serial port is asked for: the search is the first dialog.
  EXPECT_EQ(op.OpenedDialogs(), std::vector<std::string>{"Find IP Address"});
  EXPECT_EQ(lines, std::vector<std::string>{"127.0.0.60 ... HPA"});
  EXPECT_FALSE(IsOpen('A'));
}

}  // namespace
