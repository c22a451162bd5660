// The fault log as the control channel sets it: generated records, raw payloads of any
// length and bytes, silence and refusal of "4", on the bus and over TCP.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim_fixture.h"

namespace sim_test {
namespace {

std::string Payload(const Reply& reply, std::size_t header) {
  return reply.raw.substr(header, reply.raw.size() - header - 2);
}

TEST_F(SimTest, TheFaultLogIsSetFromTheControlChannelOnTheBusAndOverTcp) {
  Launch({"--amp", "A", "--tcp-port", "0"});
  BusClient tcp(ConnectTcp(sim_.DeviceAddress('A'), sim_.TcpPort()));
  ASSERT_TRUE(tcp.IsOpen());
  std::string raw;
  // NUL and bytes from 0x80 on, no framing byte: 2100 bytes, past the 2000 printed.
  for (int n = 0; n < 2100; ++n) raw.push_back(static_cast<char>(n % 3 == 0 ? 0 : 0x7C + n % 100));
  ASSERT_TRUE(sim_.SetFaultLogBytes('A', raw));
  for (BusClient* line : {bus_.get(), &tcp}) {
    line->Write(Frame(Family::tessary, 'A', "4") + "\r\n");
    const auto reply = line->Read();
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->checksum_ok);
    EXPECT_EQ(reply->raw[2], '4');
    EXPECT_EQ(Payload(*reply, 3), raw);
  }
  ASSERT_TRUE(sim_.SetFaultLog('A', "generate 100"));
  const auto generated = bus_->Ask('A', "4");
  ASSERT_TRUE(generated);
  ASSERT_EQ(Payload(*generated, 3).size(), 2100u);
  EXPECT_EQ(Payload(*generated, 3).substr(0, 21), std::string("000000 HELIX OVERCUR") + '\0');
  EXPECT_EQ(Payload(*generated, 3).substr(99 * 21, 20), "000693 BODY OVERCUR ");

  ASSERT_TRUE(sim_.SetFaultLog('A', "nak"));
  const auto refused = bus_->Ask('A', "4");
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->refused);
  ASSERT_TRUE(sim_.SetFaultLog('A', "silent"));
  EXPECT_FALSE(bus_->Ask('A', "4", 300));
  EXPECT_TRUE(bus_->Ask('A', "0")) << "only the fault log keeps quiet";
  EXPECT_EQ(sim_.FaultLogRequests('A'), 5);
  ASSERT_TRUE(sim_.SetFaultLog('A', "answer"));
  ASSERT_TRUE(sim_.SetFaultLog('A', "clear"));
  const auto empty = bus_->Ask('A', "4");
  ASSERT_TRUE(empty);
  EXPECT_EQ(Payload(*empty, 3), "");
}

}  // namespace
}  // namespace sim_test
