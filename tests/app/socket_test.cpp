// Device connections over TCP against the test's own loopback listener: the
// connect and its box, single-byte reads that never wait, the one report of
// a lost connection, frames that go out whole, and peers that misbehave.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/polling.h"
#include "app/popup.h"
#include "app/test_support.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/ethernet_path.h"
#include "link/framing.h"
#include "link/link_settings.h"
#include "link/wsocket.h"
#include "link/wsocket_window.h"
#include "records/device_records.h"
#include "records/program_state.h"
#include "records/window_seams.h"
#include "ui/scripted_operator.h"
#include "ui/window.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// A TCP listener on 127.0.0.1 at a free port, and the connections it takes;
// a receive buffer size other than 0 holds for every connection it takes.
class Listener {
 public:
  explicit Listener(int backlog = 4, int receive_buffer = 0) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0) {
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    }
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint);
    listen(fd_, backlog);
    socklen_t length = sizeof endpoint;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&endpoint), &length);
    port_ = ntohs(endpoint.sin_port);
  }
  ~Listener() {
    for (int peer : peers_) close(peer);
    close(fd_);
  }
  int Port() const { return port_; }
  // The next connection, non-blocking; -1 when none came within a second.
  int Accept() {
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, 1000) != 1) return -1;
    const int peer = accept(fd_, nullptr, nullptr);
    if (peer >= 0) {
      fcntl(peer, F_SETFL, fcntl(peer, F_GETFL) | O_NONBLOCK);
      peers_.push_back(peer);
    }
    return peer;
  }
  // Drops a peer with a reset instead of an orderly close.
  void Reset(int peer) {
    const linger abort{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close(peer);
  }
  void Close(int peer) {
    close(peer);
    std::erase(peers_, peer);
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> peers_;
};

// A listener whose queue is full: further handshakes hang.
class FullListener {
 public:
  FullListener() : listener_(0) {
    for (int n = 0; n < 3; ++n) {
      const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      sockaddr_in endpoint{};
      endpoint.sin_family = AF_INET;
      endpoint.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      endpoint.sin_port = htons(static_cast<std::uint16_t>(listener_.Port()));
      connect(filler, reinterpret_cast<sockaddr*>(&endpoint), sizeof endpoint);
      fillers_.push_back(filler);
    }
    ui::RunFor(100);
  }
  ~FullListener() {
    for (int filler : fillers_) close(filler);
  }
  int Port() const { return listener_.Port(); }

 private:
  Listener listener_;
  std::vector<int> fillers_;
};

// A port on which nobody listens: bound once, then given up.
int RefusingPort() {
  Listener gone(1);
  return gone.Port();
}

void Write(int peer, const std::string& bytes) {
  ASSERT_EQ(send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(bytes.size()));
}

// What a peer has received within msec.
std::string Received(int peer, int msec = 1000) {
  std::string bytes;
  const auto start = Clock::now();
  while (ElapsedMs(start) < msec) {
    pollfd entry{peer, POLLIN, 0};
    if (poll(&entry, 1, 20) != 1) {
      if (!bytes.empty()) break;
      continue;
    }
    char buffer[512];
    const ssize_t count = recv(peer, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
  return bytes;
}

int ticks = 0;
int busy_ticks = 0;
// Runs once from the next tick.
std::function<void()> on_tick;

ui::Result TickerCallBack(ui::Handle window, unsigned message, ui::WordParam word,
                          ui::LongParam l) {
  if (message == ui::msg_timer) {
    ++ticks;
    if (application_busy) ++busy_ticks;
    if (on_tick) std::exchange(on_tick, nullptr)();
    return 0;
  }
  return ui::DefaultProcedure(window, message, word, l);
}

const std::string no_status = "     No Status      ";

class Sockets : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::RegisterWindowClass({"SocketTestMain", TickerCallBack, 0, ui::Background::dark_grey, 0, 0});
  }
  void SetUp() override {
    ResetLinkSettings();
    ResetSettings();
    use_ethernet = 1;
    use_default_port = 0;
    tcpip_port = listener.Port();
    socket_connect_timeout = 2000;
    std::memset(protocol_state, 0, sizeof protocol_state);
    for (int address = 0; address < device_count; ++address) {
      device_type[address] = twta_device;
      ZeroDeviceData(address);
      error_count[address] = 0;
    }
    polling_enabled = 1;
    ticks = busy_ticks = 0;
    on_tick = nullptr;
    ASSERT_TRUE(RegisterPanelClasses());
    SetSocketPanelOpener(CreatePollDialog);
    main_window = ui::CreateWindowOf("SocketTestMain", "main", ui::style_overlapped, 0, 0, 200, 100,
                                     ui::no_window);
  }
  void TearDown() override {
    for (ui::Handle& panel : poll_dialog) {
      if (panel) ui::Destroy(panel);
      panel = ui::no_window;
    }
    ui::Destroy(main_window);
    main_window = ui::no_window;
    CleanupSocketComm();
    SetSocketPanelOpener(nullptr);
    use_default_port = 1;
    tcpip_port = 2000;
    socket_connect_timeout = 2000;
    ResetLinkSettings();
    ResetSettings();
  }
  // Connects without an owner and takes the peer's side.
  int Connect(int device = 0) {
    const int slot = OpenSocketComm(ui::no_window, device);
    peer = slot > 0 ? listener.Accept() : -1;
    return slot;
  }
  // One Ethernet polling step once the interval is over.
  void PollStep() {
    ASSERT_TRUE(ui::ScriptedOperator::RunUntil([] { return !poll_timer.Waiting(); }, 3000));
    PollEthernet();
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const ui::RecordedBox& box : op.Boxes()) texts.push_back(box.text);
    return texts;
  }
  std::string LostBox(const std::string& reason) const {
    return "Lost ethernet connection to 127.0.0.1, reason: " + reason;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
  Listener listener;
  int peer = -1;
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(Sockets, ConnectTakesTheNextFreeSlotAndNeverReplacesALiveOne) {
  ASSERT_EQ(Connect(), 'A');
  ASSERT_GE(peer, 0);
  EXPECT_EQ(device_sock['A'].good, 1);
  EXPECT_STREQ(device_sock['A'].address, "127.0.0.1");
  EXPECT_NE(directory.Read("sdefault.txt").find("127.0.0.1"), std::string::npos);

  const int first_peer = peer;
  const int second = Connect('A');
  ASSERT_GT(second, 0);
  EXPECT_NE(second, 'A');
  EXPECT_EQ(device_sock['A'].good, 1);
  EXPECT_EQ(device_sock[0].good, 0);

  // Both connections still carry their own traffic.
  Write(first_peer, "a");
  Write(peer, "b");
  unsigned char ch = 0;
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil([&] { return ReadSocketChar(&ch, 'A') == 1; }, 1000));
  EXPECT_EQ(ch, 'a');
  ASSERT_TRUE(
      ui::ScriptedOperator::RunUntil([&] { return ReadSocketChar(&ch, second) == 1; }, 1000));
  EXPECT_EQ(ch, 'b');
  EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(Sockets, WithDefaultPortSetTheConfiguredPortIsIgnored) {
  use_default_port = 1;
  socket_connect_timeout = 300;
  // Port 2000 on this loopback address has no listener of ours: the
  // configured port, where one listens, must not be tried.
  std::strcpy(default_ipaddress, "127.0.0.1");
  OpenSocketComm(ui::no_window, 0);
  EXPECT_EQ(listener.Accept(), -1);
}

TEST_F(Sockets, FramesEndWithCrLfAndReadsNeverWait) {
  ASSERT_EQ(Connect(), 'A');
  SendCommand('A', "55", 2);
  unsigned char built[256];
  const int length = BuildCommandFrame('A', "55", 2, built);
  std::string expected(reinterpret_cast<const char*>(built), static_cast<std::size_t>(length));
  if (expected.substr(expected.size() - 2) != "\r\n") expected += "\r\n";
  const std::string frame = Received(peer);
  EXPECT_EQ(frame, expected);
  EXPECT_EQ(frame.substr(frame.size() - 2), "\r\n");
  EXPECT_EQ(frame[0], '\x02');

  // An empty queue answers at once and says nothing.
  unsigned char ch = 0;
  const auto start = Clock::now();
  for (int n = 0; n < 200; ++n) EXPECT_EQ(ReadSocketChar(&ch, 'A'), 0);
  EXPECT_LT(ElapsedMs(start), 50);
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(device_sock['A'].good, 1);

  Write(peer, "xyz");
  std::string got;
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil(
      [&] {
        while (ReadSocketChar(&ch, 'A')) got += static_cast<char>(ch);
        return got.size() >= 3;
      },
      1000));
  EXPECT_EQ(got, "xyz");
  // Slots without a connection read nothing.
  EXPECT_EQ(ReadSocketChar(&ch, 'B'), 0);
}

TEST_F(Sockets, APeerThatClosesIsReportedOnceAndThenReadsNothing) {
  ASSERT_EQ(Connect(), 'A');
  Write(peer, "k");
  listener.Close(peer);
  unsigned char ch = 0;
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil([&] { return ReadSocketChar(&ch, 'A') == 1; }, 1000));
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil(
      [&] {
        ReadSocketChar(&ch, 'A');
        return !op.Boxes().empty();
      },
      1000));
  for (int n = 0; n < 10; ++n) EXPECT_EQ(ReadSocketChar(&ch, 'A'), 0);
  SendCommand('A', "55", 2);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, LostBox("Graceful Disconnect."));
  EXPECT_EQ(op.Boxes()[0].caption, "Notice");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::information);
  EXPECT_EQ(op.Boxes()[0].owner, ui::no_window);
  EXPECT_EQ(device_sock['A'].good, 0);
}

TEST_F(Sockets, AResetPeerGivesItsReason) {
  ASSERT_EQ(Connect(), 'A');
  listener.Reset(peer);
  unsigned char ch = 0;
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil(
      [&] {
        ReadSocketChar(&ch, 'A');
        return !op.Boxes().empty();
      },
      1000));
  EXPECT_EQ(BoxTexts(), Texts{LostBox("The virtual circuit was reset by the remote side.")});

  // A send that meets the reset says what it tried.
  op.ClearBoxes();
  ASSERT_EQ(Connect(), 'A');
  listener.Reset(peer);
  ui::RunFor(50);
  SendCommand('A', "55", 2);
  EXPECT_EQ(BoxTexts(), Texts{LostBox("Sending a frame failed after 0 of 8 bytes: The virtual "
                                      "circuit was reset by the remote side.")});
}

TEST_F(Sockets, ALostDeviceIsReportedOnceThenCountsDownToNoStatus) {
  ASSERT_EQ(OpenSocketComm(main_window, 0), 'A');
  peer = listener.Accept();
  ASSERT_TRUE(IsOpen('A'));
  CopyField(device_data['A'].screen[1], "HIGH VOLTAGE ON");
  listener.Close(peer);
  poll_timer.Reset(60);
  for (int step = 0; step < 6; ++step) PollStep();
  EXPECT_EQ(BoxTexts(), Texts{LostBox("Graceful Disconnect.")});
  EXPECT_EQ(std::string(device_data['A'].screen[1]), no_status);
  EXPECT_TRUE(IsOpen('A'));
}

TEST_F(Sockets, ClosingThePanelClosesItsConnection) {
  ASSERT_EQ(OpenSocketComm(main_window, 0), 'A');
  peer = listener.Accept();
  ASSERT_TRUE(IsOpen('A'));
  ui::Destroy(poll_dialog['A']);
  EXPECT_EQ(device_sock['A'].good, 0);
  char byte;
  pollfd entry{peer, POLLIN, 0};
  ASSERT_EQ(poll(&entry, 1, 1000), 1);
  EXPECT_EQ(recv(peer, &byte, 1, 0), 0);
}

TEST_F(Sockets, ARefusedConnectIsShownOnlyWithAnOwner) {
  tcpip_port = RefusingPort();
  EXPECT_EQ(OpenSocketComm(ui::no_window, 0), -1);
  EXPECT_TRUE(op.Boxes().empty());

  EXPECT_EQ(OpenSocketComm(main_window, 0), -1);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "Can't connect.");
  EXPECT_EQ(op.Boxes()[0].caption, "No Device Found");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::error);
  EXPECT_EQ(application_busy, 0);
  EXPECT_EQ(device_sock['A'].good, 0);
  EXPECT_FALSE(IsOpen('A'));
}

TEST_F(Sockets, AnUnansweredConnectGivesUpAfterTheTimeLimitWhileTimersTick) {
  FullListener full;
  tcpip_port = full.Port();
  socket_connect_timeout = 400;
  ui::StartTimer(main_window, 7, 20);
  const auto start = Clock::now();
  EXPECT_EQ(OpenSocketComm(main_window, 0), -1);
  const int elapsed = ElapsedMs(start);
  EXPECT_GE(elapsed, 390);
  EXPECT_LT(elapsed, 1000);
  EXPECT_GE(ticks, 5);
  EXPECT_GE(busy_ticks, 5);
  EXPECT_EQ(application_busy, 0);
  EXPECT_EQ(BoxTexts(), Texts{"Can't connect."});
  EXPECT_EQ(op.OpenedDialogs(), std::vector<std::string>{"Corvane"});
}

TEST_F(Sockets, AConnectStartedDuringTheWaitTakesAnotherSlot) {
  FullListener full;
  tcpip_port = full.Port();
  socket_connect_timeout = 300;
  int inner = -1;
  int busy_after_inner = 0;
  on_tick = [&] {
    tcpip_port = listener.Port();
    inner = OpenSocketComm(ui::no_window, 0);
    busy_after_inner = application_busy;
  };
  ui::StartTimer(main_window, 7, 20);
  EXPECT_EQ(OpenSocketComm(ui::no_window, 0), -1);
  ASSERT_GT(inner, 0);
  EXPECT_NE(inner, 'A');
  EXPECT_EQ(busy_after_inner, 1);
  EXPECT_EQ(device_sock[inner].good, 1);
  EXPECT_EQ(application_busy, 0);
}

TEST_F(Sockets, AnExitDuringTheWaitEndsItWithoutTouchingClosedSockets) {
  FullListener full;
  tcpip_port = full.Port();
  on_tick = [] { CleanupSocketComm(); };
  ui::StartTimer(main_window, 7, 20);
  const auto start = Clock::now();
  EXPECT_EQ(OpenSocketComm(ui::no_window, 0), -1);
  EXPECT_LT(ElapsedMs(start), 1000);
  EXPECT_EQ(device_sock['A'].socket, platform::invalid_socket);
}

TEST_F(Sockets, AddressesThatAreNotDottedIpv4AreRefusedAtOnce) {
  for (const char* text : {"localhost", "1.2.3", "300.1.1.1", "", "127.0.0.1:2000"}) {
    std::strcpy(default_ipaddress, text);
    const auto start = Clock::now();
    EXPECT_EQ(OpenSocketComm(main_window, 0), -1) << text;
    EXPECT_LT(ElapsedMs(start), 100) << text;
  }
  EXPECT_EQ(BoxTexts(), Texts(5, "Can't connect."));
  EXPECT_TRUE(op.OpenedDialogs().empty());
  EXPECT_EQ(listener.Accept(), -1);
}

TEST_F(Sockets, AQuitDuringTheConnectWaitEndsItAndStaysPending) {
  FullListener full;
  tcpip_port = full.Port();
  ui::PostQuit(0);
  const auto start = Clock::now();
  EXPECT_EQ(OpenSocketComm(main_window, 0), -1);
  EXPECT_LT(ElapsedMs(start), 1000);
  EXPECT_EQ(application_busy, 0);
  EXPECT_FALSE(ui::ProcessNextMessage());
}

// Peers that misbehave: every polling step stays short, and the device
// counts down to "No Status" as any silent one does.
TEST_F(Sockets, MisbehavingPeersNeverHoldThePollingStep) {
  struct Case {
    const char* name;
    void (*act)(Listener& listener, int peer);
  };
  const Case cases[] = {
      {"silent", [](Listener&, int) {}},
      {"endless start bytes",
       [](Listener&, int peer) {
         const std::string flood(65536, '\x02');
         while (send(peer, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
         }
       }},
      {"endless junk",
       [](Listener&, int peer) {
         const std::string flood(65536, 'j');
         while (send(peer, flood.data(), flood.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
         }
       }},
      {"closed mid-frame",
       [](Listener& listener, int peer) {
         send(peer, "\x06\x02\x41\x35", 4, MSG_NOSIGNAL);
         listener.Close(peer);
       }},
      {"reset", [](Listener& listener, int peer) { listener.Reset(peer); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    op.ClearBoxes();
    ASSERT_EQ(OpenSocketComm(main_window, 0), 'A');
    peer = listener.Accept();
    ASSERT_GE(peer, 0);
    CopyField(device_data['A'].screen[1], "HIGH VOLTAGE ON");
    c.act(listener, peer);
    poll_timer.Reset(60);
    int longest = 0;
    for (int step = 0; step < 6; ++step) {
      ASSERT_TRUE(ui::ScriptedOperator::RunUntil([] { return !poll_timer.Waiting(); }, 3000));
      const auto start = Clock::now();
      PollEthernet();
      longest = std::max(longest, ElapsedMs(start));
    }
    EXPECT_LT(longest, 100);
    EXPECT_EQ(std::string(device_data['A'].screen[1]), no_status);
    EXPECT_LE(op.Boxes().size(), 1u);
    ui::Destroy(poll_dialog['A']);
    poll_dialog['A'] = ui::no_window;
    if (std::string(c.name).find("endless") != std::string::npos ||
        std::string(c.name) == "silent") {
      listener.Close(peer);
    }
  }
}

namespace {

// Distinct frames, so that a cut or a reordering shows.
std::string Pattern(int index, int size) {
  std::string bytes(static_cast<std::size_t>(size), '\0');
  for (int n = 0; n < size; ++n)
    bytes[static_cast<std::size_t>(n)] = static_cast<char>((index * 37 + n) % 251);
  return bytes;
}

// Lets the console's side of a connection hold as little as it may; the size granted.
int ShrinkSendBuffer(int device) {
  const int tiny = 1;
  setsockopt(device_sock[device].socket, SOL_SOCKET, SO_SNDBUF, &tiny, sizeof tiny);
  int size = 0;
  socklen_t length = sizeof size;
  getsockopt(device_sock[device].socket, SOL_SOCKET, SO_SNDBUF, &size, &length);
  return size;
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Everything a peer gets until the connection ends.
std::string ReadToEnd(int peer) {
  std::string bytes;
  for (;;) {
    pollfd entry{peer, POLLIN, 0};
    if (poll(&entry, 1, 2000) != 1) return bytes;
    char buffer[512];
    const ssize_t count = recv(peer, buffer, sizeof buffer, 0);
    if (count <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
}

// Closes standard input for the test's span, so that the next descriptor is 0.
class InputClosed {
 public:
  InputClosed() : saved_(dup(0)) { close(0); }
  ~InputClosed() {
    for (int device = 0; device < device_count; ++device) {
      if (device_sock[device].socket == 0) CloseDeviceSocket(device);
    }
    if (saved_ < 0) return;
    dup2(saved_, 0);
    close(saved_);
  }

 private:
  int saved_;
};

}  // namespace

TEST_F(Sockets, ASlowReaderWithATinyWindowGetsEveryFrameWholeAndInOrder) {
  Listener tiny(4, 1);
  tcpip_port = tiny.Port();
  ASSERT_EQ(OpenSocketComm(ui::no_window, 0), 'A');
  const int slow_peer = tiny.Accept();
  ASSERT_GE(slow_peer, 0);
  constexpr int frames = 4;
  constexpr int frame_size = 6000;
  ASSERT_LT(ShrinkSendBuffer('A'), frame_size);

  std::string expected;
  for (int index = 0; index < frames; ++index) expected += Pattern(index, frame_size);
  std::string received;
  // A few bytes at a time, and a longer pause now and then.
  std::thread reader([&] {
    for (int reads = 1; received.size() < expected.size(); ++reads) {
      pollfd entry{slow_peer, POLLIN, 0};
      if (poll(&entry, 1, 3000) != 1) return;
      char buffer[61];
      const ssize_t count = recv(slow_peer, buffer, sizeof buffer, 0);
      if (count <= 0) return;
      received.append(buffer, static_cast<std::size_t>(count));
      std::this_thread::sleep_for(std::chrono::microseconds(reads % 30 ? 300 : 30000));
    }
  });
  const auto start = Clock::now();
  const double cpu_start = ThreadCpuMs();
  for (int index = 0; index < frames; ++index) {
    const std::string frame = Pattern(index, frame_size);
    EthernetSend('A', reinterpret_cast<const unsigned char*>(frame.data()), frame_size, 5000);
  }
  const double cpu_ms = ThreadCpuMs() - cpu_start;
  const int wall_ms = ElapsedMs(start);
  reader.join();
  EXPECT_TRUE(received == expected) << received.size() << " of " << expected.size() << " bytes";
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_EQ(device_sock['A'].good, 1);
  // The waits for room sleep in poll.
  EXPECT_LT(cpu_ms, wall_ms * 0.25) << cpu_ms << " ms busy in " << wall_ms << " ms";
}

// The frame that finds no room is given up within its time limit, the loss
// shows once, and the peer is left with whole frames and the start of that one.
TEST_F(Sockets, APeerThatStopsReadingCostsOneTimeLimitAndIsReportedOnce) {
  struct Case {
    const char* name;
    int limit;
    bool own_limit;
  };
  for (const Case& c :
       {Case{"exchange", 400, true}, Case{"poll", background_send_limit_ms, false}}) {
    SCOPED_TRACE(c.name);
    op.ClearBoxes();
    Listener tiny(4, 1);
    tcpip_port = tiny.Port();
    ASSERT_EQ(OpenSocketComm(ui::no_window, 0), 'A');
    const int stuck_peer = tiny.Accept();
    ASSERT_GE(stuck_peer, 0);
    ShrinkSendBuffer('A');
    std::string whole;
    std::string cut;
    int last_ms = 0;
    for (int index = 0; index < 5000 && op.Boxes().empty(); ++index) {
      const std::string body = std::to_string(index) + std::string(200, 'x');
      unsigned char frame[256];
      const int size = BuildCommandFrame('A', body.data(), 200, frame);
      const auto start = Clock::now();
      if (c.own_limit) {
        SendCommand('A', body.data(), 200, c.limit);
      } else {
        SendCommand('A', body.data(), 200);
      }
      last_ms = ElapsedMs(start);
      (op.Boxes().empty() ? whole : cut).append(reinterpret_cast<char*>(frame), size);
    }
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_GE(last_ms, c.limit - 5);
    EXPECT_LT(last_ms, c.limit + 200);
    // Later frames are skipped at once and report nothing more.
    const auto after = Clock::now();
    for (int n = 0; n < 5; ++n) SendCommand('A', "55", 2);
    EXPECT_LT(ElapsedMs(after), 50);
    EXPECT_EQ(op.Boxes().size(), 1u);

    CloseDeviceSocket('A');
    const std::string received = ReadToEnd(stuck_peer);
    ASSERT_GE(received.size(), whole.size());
    EXPECT_TRUE(received.compare(0, whole.size(), whole) == 0);
    const std::string tail = received.substr(whole.size());
    ASSERT_LT(tail.size(), cut.size());
    EXPECT_TRUE(cut.compare(0, tail.size(), tail) == 0);
    EXPECT_EQ(op.Boxes()[0].text,
              LostBox("Sending a frame stopped after " + std::to_string(tail.size()) + " of " +
                      std::to_string(cut.size()) + " bytes: no room within " +
                      std::to_string(c.limit) + " ms."));
  }
}

// A console started with standard input closed gets descriptor 0 for its
// first connection.
TEST_F(Sockets, DescriptorZeroIsALiveConnection) {
  ASSERT_EQ(InitSocketDriver(), 1);
  InputClosed closed;
  ASSERT_EQ(Connect(), 'A');
  ASSERT_EQ(device_sock['A'].socket, 0);
  SendCommand('A', "55", 2);
  EXPECT_FALSE(Received(peer).empty());
  // Urgent data is an exception condition: noticed and reported once.
  ASSERT_EQ(send(peer, "!", 1, MSG_OOB), 1);
  ASSERT_TRUE(ui::ScriptedOperator::RunUntil([] { return SocketDied('A') == 1; }, 1000));
  EXPECT_EQ(SocketDied('A'), 1);
  EXPECT_EQ(op.Boxes().size(), 1u);
  CloseDeviceSocket('A');
  EXPECT_EQ(device_sock['A'].socket, platform::invalid_socket);
  EXPECT_EQ(fcntl(0, F_GETFD), -1);
}
