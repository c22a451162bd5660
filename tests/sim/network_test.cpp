// The devices on the network: TCP connections to each device's own loopback address, the
// control of their TCP side, and the discovery replies. Loopback only; ports are the
// simulator's own choice.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace sim_test {
namespace {

constexpr char cr_lf[] = "\r\n";

sockaddr_in Loopback(const std::string& ip, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  inet_pton(AF_INET, ip.c_str(), &address.sin_addr);
  return address;
}

// True when the peer closes within timeout_ms (bytes before the close are skipped).
bool ClosedByPeer(int fd, int timeout_ms) {
  for (;;) {
    pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, timeout_ms) <= 0) return false;
    char byte;
    const ssize_t count = recv(fd, &byte, 1, MSG_DONTWAIT);
    if (count == 0 || (count < 0 && errno == ECONNRESET)) return true;
  }
}

class NetworkTest : public SimTest {
 protected:
  void LaunchNetwork(std::vector<std::string> args, Family family = Family::tessary) {
    args.insert(args.end(), {"--tcp-port", "0", "--discovery", "127.0.0.1:0"});
    Launch(args, family);
    ASSERT_GT(sim_.TcpPort(), 0);
  }
  // A line to one device over TCP, as the console speaks on it: frames end with CR LF.
  std::unique_ptr<BusClient> Dial(std::uint8_t poll_address) {
    const int fd = ConnectTcp(sim_.DeviceAddress(poll_address), sim_.TcpPort());
    EXPECT_GE(fd, 0) << "connect: " << std::strerror(errno);
    return std::make_unique<BusClient>(fd);
  }
  std::optional<Reply> Ask(BusClient& client, std::uint8_t address, const std::string& body) {
    client.Write(Frame(Family::tessary, address, body) + cr_lf);
    return client.Read(1000);
  }
};

TEST_F(NetworkTest, EachDeviceAnswersOnItsOwnAddressBesideTheBus) {
  LaunchNetwork({"--amp", "A", "--amp", "B", "--controller", "C", "--ip-base", "127.0.0.20"});
  EXPECT_EQ(sim_.DeviceAddress('A'), "127.0.0.20");
  EXPECT_EQ(sim_.DeviceAddress('B'), "127.0.0.21");
  EXPECT_EQ(sim_.DeviceAddress('C'), "127.0.0.22");
  auto b = Dial('B');
  // The frame's address is the console's slot, not the device's own: it answers anyway,
  // under the address it was asked by.
  const auto id = Ask(*b, 'A', "00");
  ASSERT_TRUE(id);
  EXPECT_EQ(id->address, 'A');
  EXPECT_TRUE(id->checksum_ok);
  EXPECT_EQ(id->raw.substr(12, 5), "10066") << "B's serial number";
  // Two frames in one write, each with CR LF, give two answers in order.
  b->Write(Frame(Family::tessary, 'B', "K12.5!") + cr_lf + Frame(Family::tessary, 'B', "?1A") +
           cr_lf);
  const auto set = b->Read();
  const auto status = b->Read();
  ASSERT_TRUE(set && status);
  EXPECT_EQ(set->body, "K12.5");
  EXPECT_EQ(status->body.substr(3), "12.5");
  // The bus serves the same devices at the same time.
  const auto bus_status = bus_->Ask('B', "?1A");
  ASSERT_TRUE(bus_status);
  EXPECT_EQ(bus_status->body.substr(3), "12.5");
  auto c = Dial('C');
  const auto controller = Ask(*c, 'A', "?1PV");
  ASSERT_TRUE(controller);
  EXPECT_EQ(controller->body[0], '?');
  EXPECT_EQ(Ok("get B commands"), "4") << "three over TCP, one on the bus";
}

TEST_F(NetworkTest, TheNetworkSpeaksTessaryBesideAQuillonBus) {
  LaunchNetwork({"--amp", "A"}, Family::quillon);
  auto a = Dial('A');
  const auto id = Ask(*a, 'A', "0");
  ASSERT_TRUE(id);
  EXPECT_TRUE(id->checksum_ok);
  EXPECT_EQ(id->raw[0], 0x06);
  const auto bus_id = bus_->Ask('A', "0");
  ASSERT_TRUE(bus_id);
  EXPECT_TRUE(bus_id->checksum_ok);
}

TEST_F(NetworkTest, LineFaultsReachTheNetworkToo) {
  LaunchNetwork({"--amp", "A"});
  auto a = Dial('A');
  Ok("faults nak=1");
  const auto refused = Ask(*a, 'A', "0");
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->refused);
  Ok("faults nak=0 drop=1");
  EXPECT_FALSE(Ask(*a, 'A', "0"));
  Ok("silent A on");
  Ok("faults drop=0");
  EXPECT_FALSE(Ask(*a, 'A', "0")) << "a silent device keeps quiet on the network as well";
}

TEST_F(NetworkTest, OneConnectionAtATime) {
  LaunchNetwork({"--amp", "A"});
  auto first = Dial('A');
  ASSERT_TRUE(Ask(*first, 'A', "0"));
  const int second = ConnectTcp(sim_.DeviceAddress('A'), sim_.TcpPort());
  ASSERT_GE(second, 0);
  EXPECT_TRUE(ClosedByPeer(second, 2000)) << "a second caller is hung up on";
  close(second);
  EXPECT_TRUE(Ask(*first, 'A', "0")) << "the first connection keeps working";
  first.reset();
  // Once the first caller has gone, the next one is served.
  for (int tries = 0; tries < 20 && Ok("tcp A").find("waiting") == std::string::npos; ++tries)
    usleep(50 * 1000);
  auto third = Dial('A');
  EXPECT_TRUE(Ask(*third, 'A', "0"));
}

TEST_F(NetworkTest, ControlClosesRefusesAndMutesTheTcpSide) {
  LaunchNetwork({"--amp", "A", "--amp", "B"});
  auto a = Dial('A');
  ASSERT_TRUE(Ask(*a, 'A', "0"));
  EXPECT_NE(Ok("tcp A").find("normal connected"), std::string::npos);
  Ok("tcp A close");
  EXPECT_TRUE(ClosedByPeer(a->Fd(), 2000));

  Ok("tcp " + sim_.DeviceAddress('A') + " refuse");
  EXPECT_EQ(ConnectTcp(sim_.DeviceAddress('A'), sim_.TcpPort()), -1);
  EXPECT_EQ(errno, ECONNREFUSED);
  auto b = Dial('B');
  EXPECT_TRUE(Ask(*b, 'B', "0")) << "only A refuses";

  Ok("tcp A mute");
  auto muted = Dial('A');
  EXPECT_FALSE(Ask(*muted, 'A', "0")) << "accepted, but nothing comes back";
  Ok("tcp A normal");
  EXPECT_TRUE(Ask(*muted, 'A', "0"));
  EXPECT_NE(sim_.Control("tcp A sideways").rfind("error", 0), std::string::npos);
  EXPECT_NE(sim_.Control("tcp D close").rfind("error", 0), std::string::npos);
}

class SimDiscovery : public NetworkTest {
 protected:
  void SetUp() override {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in any = Loopback("127.0.0.1", 0);
    ASSERT_EQ(bind(fd_, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
  }
  void TearDown() override { close(fd_); }
  void Send(const std::string& datagram) {
    const sockaddr_in to = Loopback("127.0.0.1", sim_.DiscoveryPort());
    sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
           sizeof to);
  }
  struct Datagram {
    std::string bytes;
    std::string from;
  };
  // Every datagram that arrives within msec of the last one.
  std::vector<Datagram> Collect(int msec = 500) {
    std::vector<Datagram> found;
    for (;;) {
      pollfd ready = {fd_, POLLIN, 0};
      if (poll(&ready, 1, msec) <= 0) return found;
      char buffer[300];
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t count =
          recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
      char text[INET_ADDRSTRLEN];
      inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
      found.push_back({std::string(buffer, static_cast<std::size_t>(count)), text});
    }
  }
  static std::string Request() { return std::string("\x01\0\0\0\0\0\0\0", 8); }
  int fd_ = -1;
};

TEST_F(SimDiscovery, OneReplyPerDeviceFromItsOwnAddressInOrder) {
  LaunchNetwork({"--controller", "C", "--amp", "A", "--amp", "B"});
  Send(Request());
  const auto replies = Collect();
  ASSERT_EQ(replies.size(), 3u);
  const char* const expected[][2] = {{"127.0.0.10", "Simulated amplifier A"},
                                     {"127.0.0.11", "Simulated amplifier B"},
                                     {"127.0.0.12", "Simulated controller C"}};
  for (std::size_t i = 0; i < replies.size(); ++i) {
    const std::string& bytes = replies[i].bytes;
    EXPECT_EQ(replies[i].from, expected[i][0]);
    ASSERT_GT(bytes.size(), 8u);
    const std::string data = bytes.substr(8);
    EXPECT_EQ(data.substr(0, data.find('\0')), expected[i][1]);
    EXPECT_EQ(data.back(), '\0') << "the description ends at a zero byte";
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]) | static_cast<unsigned char>(bytes[3]) << 8,
              data.size());
    in_addr ip{};
    inet_pton(AF_INET, expected[i][0], &ip);
    EXPECT_EQ(bytes.substr(4, 4), std::string(reinterpret_cast<const char*>(&ip), 4));
  }
}

TEST_F(SimDiscovery, DescriptionsSilenceAndStrayDatagrams) {
  LaunchNetwork({"--amp", "A", "--amp", "B"});
  const std::string long_text(300, 'x');
  Ok("describe A " + long_text);
  Ok("silent B on");
  Send(std::string("\x02\0\0\0\0\0\0\0", 8));
  Send("\x01\0");
  Send(Request());
  const auto replies = Collect();
  ASSERT_EQ(replies.size(), 1u) << "only the request is answered, and not by a silent device";
  EXPECT_EQ(replies[0].from, "127.0.0.10");
  EXPECT_EQ(replies[0].bytes.size(), 8u + 256u) << "the text is cut to fit the datagram";
  EXPECT_EQ(replies[0].bytes.substr(8, 255), long_text.substr(0, 255));
  Ok("silent B off");
  Send(Request());
  EXPECT_EQ(Collect().size(), 2u);
}

TEST(NetworkOptions, AddressesOutsideLoopbackAreRefused) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--ip-base", "10.0.0.1"},
        std::vector<std::string>{"--discovery", "192.168.1.255:2000"},
        std::vector<std::string>{"--ip-base", "127.0.0.254", "--amp", "A", "--amp", "B"}}) {
    test_support::SimProcess sim;
    EXPECT_FALSE(sim.Start(args)) << args[1];
  }
}

}  // namespace
}  // namespace sim_test
