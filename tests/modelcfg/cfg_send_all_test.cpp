// Send All from the editor: the upload over Ethernet against loopback
// listeners, and the serial path's transfer dialog.
#include "modelcfg/cfg_send_all.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "link/link_settings.h"
#include "link/wsocket.h"
#include "modelcfg/cfg_colours.h"
#include "modelcfg/cfg_editor_support.h"
#include "records/device_records.h"
#include "support/sim_process.h"
#include "transfer/transfer_dialog.h"
#include "transfer/transfer_sequence.h"
#include "ui/dialog.h"

namespace {

// A loopback TCP port of the test's own: listening, or bound only (refuses).
class Listener {
 public:
  explicit Listener(bool listening = true) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size);
    if (listening) ::listen(fd_, 4);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { ::close(fd_); }
  int Port() const { return port_; }

  // Takes the waiting connection and reads until the peer closes or msec pass.
  std::string Read(int msec) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(msec);
    const int connection = WaitAndAccept(end);
    if (connection < 0) return got;
    char buffer[4096];
    for (;;) {
      if (!Wait(connection, end)) break;
      const ssize_t count = ::read(connection, buffer, sizeof buffer);
      if (count <= 0) break;
      got.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(connection);
    return got;
  }

 private:
  static bool Wait(int fd, std::chrono::steady_clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    pollfd entry{fd, POLLIN, 0};
    return left.count() > 0 && ::poll(&entry, 1, static_cast<int>(left.count())) == 1;
  }
  int WaitAndAccept(std::chrono::steady_clock::time_point end) {
    return Wait(fd_, end) ? ::accept(fd_, nullptr, nullptr) : -1;
  }
  int fd_ = -1;
  int port_ = 0;
};

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class SendAllTest : public EditorTest {
 protected:
  void SetUp() override {
    factory_mode = 1;  // Send All is offered
    EditorTest::SetUp();
    PendPick();
  }
  // A pick the device has not seen yet.
  static void PendPick() {
    configuration_line[1].selected = 0;
    configuration_line[1].new_selection = 1;
    configuration_line[1].sent = modelcfg_status_unsent;
  }
  void TearDown() override {
    if (ui::IsLive(transfer_dialog)) ui::Destroy(transfer_dialog);
    for (int slot = 0; slot < device_count; ++slot) CloseDeviceSocket(slot);
    use_ethernet = 0;
    use_default_port = 1;
    tcpip_port = 2000;
    upload_port = 2003;
    factory_mode = 0;
    EditorTest::TearDown();
  }
  // Over Ethernet with the upload and the command port on listeners of the test.
  void UseEthernet(const Listener& upload, const Listener& command) {
    use_ethernet = 1;
    CopyField(device_sock[transfer_device].address, "127.0.0.1");
    upload_port = upload.Port();
    use_default_port = 0;
    tcpip_port = command.Port();
  }
  static bool PickFlagged() {
    const model_cfg_struct& line = configuration_line[1];
    return line.selected == 1 && line.new_selection == -1 && line.sent == modelcfg_status_sent;
  }
  // Near the largest file the table can hold.
  static void MakeLarge() {
    while (total_cfg_lines < max_cfg_lines) {
      std::string text = "LINE" + std::to_string(total_cfg_lines) + " " + std::string(230, 'x');
      AddLine(text.c_str());
    }
  }
};

TEST_F(SendAllTest, UploadCarriesHeaderFileAndLineEndThenRebootsOnYes) {
  Listener upload, command;
  UseEthernet(upload, command);
  op.Answer(ui::answer_yes);
  std::string rebooting;
  op.WhenDialogOpens("ConnectingDialog", [](ui::Handle) {});  // the upload's connect
  op.WhenDialogOpens("ConnectingDialog", [](ui::Handle) {});  // the command port's
  op.WhenDialogOpens("ConnectingDialog",
                     [&](ui::Handle box) { rebooting = ui::ControlText(box, 101); });
  const auto start = std::chrono::steady_clock::now();
  Click(sendall_button.r);

  const std::string file = FileText(folder / "Model.cfg");
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(upload.Read(500),
            "2002," + std::to_string(file.size() + 10) + ":Model.cfg>" + file + "\r\n");
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Model.cfg sent.  Reboot now?");
  EXPECT_EQ(op.Boxes()[0].caption, "Success");
  EXPECT_EQ(rebooting, "Rebooting unit");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(transfer_device, 0x5A);
  EXPECT_NE(command.Read(500).find('~'), std::string::npos);
  EXPECT_TRUE(PickFlagged());
}

TEST_F(SendAllTest, RefusedUploadReconnectsTheCommandPortAndNeverOffersReboot) {
  Listener refusing(false), command;
  UseEthernet(refusing, command);
  op.SetDefaultAnswer(ui::answer_yes);
  Click(sendall_button.r);

  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  const std::string& text = op.Boxes()[0].text;
  EXPECT_EQ(text.rfind("Unable to connect.", 0), 0u) << text;
  EXPECT_NE(text.find("127.0.0.1 port " + std::to_string(refusing.Port())), std::string::npos);
  EXPECT_NE(text.find("127.0.0.1 port " + std::to_string(command.Port()) + " is open again"),
            std::string::npos);
  EXPECT_EQ(transfer_device, 0x5A);
  EXPECT_TRUE(device_sock[0x5A].good);
  EXPECT_EQ(configuration_line[1].new_selection, 1);
}

TEST_F(SendAllTest, SerialSendAsksThenWritesAndOpensTheSendDialog) {
  struct Case {
    const char* name;
    int answer;
    bool writable;
    bool opens;
  };
  const std::string writable_directory = save_directory;
  for (const Case& c :
       {Case{"yes", ui::answer_yes, true, true}, Case{"no", ui::answer_no, true, false},
        Case{"unwritable", ui::answer_yes, false, false}}) {
    SCOPED_TRACE(c.name);
    if (ui::IsLive(transfer_dialog)) ui::Destroy(transfer_dialog);
    std::filesystem::remove(folder / "Model.cfg");
    PendPick();
    std::snprintf(save_directory, sizeof save_directory, "%s%s", writable_directory.c_str(),
                  c.writable ? "" : "missing/");
    op.ClearBoxes();
    op.Answer(c.answer);
    getall_button.face_color = cfg_text_colour;
    Click(sendall_button.r);

    ASSERT_GE(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text,
              "Replacing the entire configuration file includes a firmware shutdown and reboot.  "
              "Proceed?");
    EXPECT_EQ(op.Boxes()[0].caption, "Warning");
    EXPECT_EQ(op.Boxes().size(), c.answer == ui::answer_yes && !c.writable ? 2u : 1u);
    EXPECT_EQ(ui::IsLive(transfer_dialog), c.opens);
    EXPECT_EQ(PickFlagged(), c.opens);
    EXPECT_EQ(getall_button.face_color == cfg_green, c.opens);
    EXPECT_EQ(std::filesystem::exists(folder / "Model.cfg"), c.opens);
    if (c.opens) {
      EXPECT_EQ(transfer_getfile, 0);
      EXPECT_EQ(ui::Title(transfer_dialog), "Send Configuration");
    }
  }
  std::snprintf(save_directory, sizeof save_directory, "%s", writable_directory.c_str());
}

TEST_F(SendAllTest, RightClickOnGetAllFetchesThroughTheServiceConsole) {
  ui::Send(modelcfg_popup, ui::msg_right_up, 0,
           ui::MakePoint(MidX(getall_button.r), MidY(getall_button.r)));
  ASSERT_TRUE(ui::IsLive(transfer_dialog));
  EXPECT_EQ(transfer_getfile, 1);
  EXPECT_EQ(ui::Title(transfer_dialog), "Get Configuration");
  EXPECT_EQ(total_cfg_lines, 0);
}

}  // namespace

TEST_F(SendAllTest, SimulatedAmplifierTakesTheUploadAndAppliesItOnReboot) {
  test_support::SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--amp", "A", "--tcp-port", "0", "--reboot-ms", "100"}, &error)) << error;
  use_ethernet = 1;
  CopyField(device_sock['A'].address, sim.DeviceAddress('A').c_str());
  upload_port = sim.UploadPort();
  use_default_port = 0;
  tcpip_port = sim.TcpPort();
  // A slow reader still holds the file's tail when "~" comes: the file is
  // complete, and applied at the restart after.
  for (const char* mode : {"normal", "slow 4000"}) {
    SCOPED_TRACE(mode);
    ASSERT_TRUE(sim.SetUpload('A', mode));
    if (std::string(mode) != "normal") MakeLarge();
    op.ClearBoxes();
    op.Answer(ui::answer_yes);
    transfer_device = 'A';
    Click(sendall_button.r);

    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].caption, "Success");
    const std::string file = FileText(folder / "Model.cfg");
    const std::string count = std::to_string(file.size() + 10);
    EXPECT_NE(sim.UploadState('A').value_or("").find("last=complete header=2002," + count +
                                                     ": name=Model.cfg count=" + count +
                                                     " trailer=\\x0D\\x0A"),
              std::string::npos)
        << sim.UploadState('A').value_or("");
    if (std::string(mode) == "normal") {
      EXPECT_EQ(sim.ModelCfg('A'), file);
    }
    CloseDeviceSocket(0x5A);
  }
}
