#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "records/device_records.h"
#include "app/wlog.h"
#include "app/wparse.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "test_support.h"

namespace {

// A device answer as it lies in a capture buffer, in either family.
void Capture(int channel, int address, const std::string& body) {
  protocol_struct& buffer = protocol_state[channel];
  std::string frame;
  if (quillon_protocol) {
    frame = std::string("\x02") + static_cast<char>(body.size() + 5) + static_cast<char>(address) +
            body;
    unsigned char sum = 0;
    for (std::size_t n = 2; n < frame.size(); ++n) sum += static_cast<unsigned char>(frame[n]);
    frame += static_cast<char>(sum);
    frame += '\x03';
  } else {
    frame = std::string("\x06") + static_cast<char>(address) + body + '\x03';
    unsigned char sum = 0;
    for (char c : frame) sum ^= static_cast<unsigned char>(c);
    frame += static_cast<char>(sum);
  }
  std::memcpy(buffer.response_buf, frame.data(), frame.size());
  buffer.receive_count = static_cast<int>(frame.size());
}

std::string Row(const char* text) {
  return std::string(text).append(20 - std::strlen(text), ' ');
}

// A status body: the two status bytes, then the fields in order.
std::string Status(unsigned char status1, unsigned char status2,
                   std::initializer_list<std::string> fields) {
  std::string body = {'?', static_cast<char>(status1), static_cast<char>(status2)};
  for (const std::string& field : fields) body += field;
  return body;
}

// Four display rows of 20 characters, each followed by one unused byte.
std::string Display(const char* r0, const char* r1, const char* r2, const char* r3) {
  return Row(r0) + '\0' + Row(r1) + '\0' + Row(r2) + '\0' + Row(r3) + '\0';
}

class Parser : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override {
    for (int a : {int{'A'}, int{'B'}, int{'C'}, 0xC1}) {
      if (logfile[a]) std::fclose(logfile[a]);
      logfile[a] = nullptr;
    }
    Clear();
  }
  static void Clear() {
    ResetSettings();
    ResetLinkSettings();
    SetLogParameterDefaults();
    std::memset(protocol_state, 0, sizeof protocol_state);
    for (int a = 0; a < device_count; ++a) {
      device_type[a] = twta_device;
      adjusting_attenuator[a] = 0;
      ZeroDeviceData(a);
      device_data[a].poll_frequency = 0;
    }
  }
  // Parses body as the answer of address over the serial line.
  static int Parse(int address, const std::string& body) {
    Capture(0, address, body);
    return ParseResponse(0);
  }
  const device_struct& a = device_data['A'];
};

TEST_F(Parser, AmplifierStatusFillsEveryField) {
  EXPECT_EQ(Parse('A', Status(0x10, 0x00, {"12.5", "012345", "000987", "43.2", "10.5"})), 'A');
  EXPECT_EQ(last_response['A'], '?');
  EXPECT_EQ(a.hv_on, 1);
  EXPECT_EQ(a.standby, 0);
  EXPECT_EQ(a.local, 1);
  EXPECT_EQ(a.remote, 0);
  EXPECT_EQ(a.ftd, 0);
  EXPECT_EQ(a.twta_power, 1);
  EXPECT_STREQ(a.attenuation, "12.5");
  EXPECT_EQ(+a.heater, 12345);
  EXPECT_EQ(+a.beam, 987);
  EXPECT_STREQ(a.power_out, "43.2");
  EXPECT_STREQ(a.voltage, "10.5");
}

TEST_F(Parser, StatusBitsAndDerivedStates) {
  Parse('A', Status(0x0C, 0x34, {"00.0", "000001", "000002", "40.0", "09.9"}));
  EXPECT_EQ(a.hv_on, 0);
  EXPECT_EQ(a.standby, 1);
  EXPECT_EQ(a.remote, 1);
  EXPECT_EQ(a.local, 0);
  EXPECT_EQ(a.fault, 1);
  EXPECT_EQ(a.hstandby, 1);
  EXPECT_EQ(a.alarm, 1);
  EXPECT_EQ(a.ftd, 0);
  // Powered, neither high voltage nor standby: FTD.
  Parse('A', Status(0x00, 0x00, {"00.0", "000001", "000002", "40.0", "09.9"}));
  EXPECT_EQ(a.ftd, 1);
  EXPECT_EQ(a.fault, 0);
}

TEST_F(Parser, ControllerStatusLayoutsByFirmwareGeneration) {
  const device_struct& c = device_data['C'];
  device_type['C'] = ocontrol_device;
  // Unpowered: every state bit is dropped; the remote byte overrides bit 0x04.
  Parse('C', Status(0x1C, 0x24, {std::string("\x08\x00", 2), "01.5", "02.5"}));
  EXPECT_EQ(c.twta_power, 0);
  EXPECT_EQ(c.hv_on + c.standby + c.ftd + c.alarm + c.fault, 0);
  EXPECT_EQ(c.remote, 1);
  EXPECT_EQ(c.local, 0);
  EXPECT_STREQ(c.power_out, "01.5");
  EXPECT_STREQ(c.voltage, "02.5");
  EXPECT_STREQ(c.attenuation, "00.0");
  EXPECT_EQ(+c.heater, -1);
  // Powered, with the remote byte clear though bit 0x04 is set.
  Parse('C', Status(0x34, 0x20, {std::string("\x00\x00", 2), "03.5", "04.5"}));
  EXPECT_EQ(c.twta_power, 1);
  EXPECT_EQ(c.hv_on, 1);
  EXPECT_EQ(c.fault, 1);
  EXPECT_EQ(c.local, 1);
  // Older firmware: no remote byte, the readings follow the status bytes.
  device_data['C'].backrev = 1;
  Parse('C', Status(0x24, 0x00, {"05.5", "06.5"}));
  EXPECT_EQ(c.remote, 1);
  EXPECT_STREQ(c.power_out, "05.5");
  EXPECT_STREQ(c.voltage, "06.5");
}

TEST_F(Parser, OptionalFieldsShiftTheLaterOnes) {
  device_data['A'].poll_frequency = 1;
  logging_on = 1;
  for (log_parm_struct& parameter : log_parameter) parameter.enabled = 0;
  log_parameter[1].enabled = 1;  // J
  log_parameter[7].enabled = 1;  // i
  adjusting_attenuator['A'] = 1;
  CopyField(device_data['A'].attenuation, "07.0");
  Parse('A',
        Status(0x10, 0x00,
               {"12.5", "  14.2500", "001000", "000500", "-1.5", "43.2", "10.5", "06.3", "0.25"}));
  EXPECT_STREQ(a.attenuation, "07.0");  // the operator is dragging the bar
  EXPECT_FLOAT_EQ(+a.frequency, 14.25f);
  EXPECT_EQ(+a.heater, 1000);
  EXPECT_EQ(+a.beam, 500);
  EXPECT_FLOAT_EQ(+a.offset, -1.5f);
  EXPECT_STREQ(a.power_out, "43.2");
  EXPECT_STREQ(a.voltage, "10.5");
  EXPECT_STREQ(log_parameter[1].response['A'], "06.3");
  EXPECT_STREQ(log_parameter[7].response['A'], "0.25");
  EXPECT_STREQ(log_parameter[0].response['A'], "????");
  // Without logging the values are not read.
  logging_on = 0;
  Parse('A', Status(0x10, 0x00,
                    {"12.5", "  14.2500", "001000", "000500", "-1.5", "43.2", "10.5", "77.7"}));
  EXPECT_STREQ(log_parameter[1].response['A'], "06.3");
}

TEST_F(Parser, DisplayRowsByDeviceKind) {
  Parse('A', "5" + Display("HV ON   REMOTE", "43.2 dBm", "ATT 12.5", "ATT  RDG  LOG  SETUP"));
  EXPECT_EQ(last_response['A'], '5');
  EXPECT_EQ(std::string(a.screen[0]), Row("HV ON   REMOTE"));
  EXPECT_EQ(std::string(a.screen[3]), Row("ATT  RDG  LOG  SETUP"));
  device_type['C'] = ocontrol_device;
  ZeroDeviceData('C');
  Parse('C', "5" + Display("CHAIN 1 ONLINE", "x", "y", "z"));
  EXPECT_EQ(std::string(device_data['C'].screen[0]), Row("CHAIN 1 ONLINE"));
  EXPECT_EQ(std::string(device_data['C'].screen[1]), Row(""));
  EXPECT_EQ(std::string(device_data['C'].screen[2]), Row("     Available"));
}

TEST_F(Parser, KeypadAnswersNeedTenBytes) {
  // ACK, address, "V", five body bytes, ETX, checksum: nine bytes.
  const device_struct before = a;
  Parse('A', "VABCD");
  EXPECT_EQ(protocol_state[0].receive_count, 9);
  EXPECT_EQ(last_response['A'], 'V');
  EXPECT_EQ(std::memcmp(&before, &a, sizeof a), 0);
  Parse('A', "V" + Display("ENTER ATTEN", "", "", ""));
  EXPECT_EQ(std::string(a.screen[0]), Row("ENTER ATTEN"));
}

TEST_F(Parser, IdentificationSetsTheControllerGeneration) {
  device_type['C'] = ocontrol_device;
  for (const auto& [version, backrev] : {std::pair{"324", 1}, {"325", 0}, {"400", 0}, {"099", 1}}) {
    Parse('C', std::string("03050412") + version);
    EXPECT_EQ(+device_data['C'].backrev, backrev) << version;
  }
  Parse('A', "03050412324");
  EXPECT_EQ(+a.backrev, 0);
  EXPECT_EQ(last_response['A'], '0');
  // Other kinds only record the letter.
  Parse('A', "K12.5");
  EXPECT_EQ(last_response['A'], 'K');
}

TEST_F(Parser, QuillonAndEthernetPositions) {
  quillon_protocol = 1;
  EXPECT_EQ(Parse('B', Status(0x10, 0x00, {"12.5", "012345", "000987", "43.2", "10.5"})), 'B');
  EXPECT_EQ(+device_data['B'].heater, 12345);
  EXPECT_STREQ(device_data['B'].voltage, "10.5");
  quillon_protocol = 0;
  // Over Ethernet the channel, not the frame's address byte, names the device.
  use_ethernet = 1;
  Capture('C', 'Z', Status(0x10, 0x00, {"01.0", "000007", "000008", "30.0", "08.0"}));
  EXPECT_EQ(ParseResponse('C'), 'C');
  EXPECT_EQ(+device_data['C'].beam, 8);
  EXPECT_EQ(last_response['Z'], 0);
}

TEST_F(Parser, NumbersReadOnlyTheirOwnCharacters) {
  device_data['A'].poll_frequency = 1;
  Parse('A', Status(0x10, 0x00,
                    {"ab.c", "  +7.1x99", " -12x4", "12.345", "  .5", "\xC3\xA9\xFF!", "10.5"}));
  EXPECT_STREQ(a.attenuation, "ab.c");  // text fields as received
  EXPECT_FLOAT_EQ(+a.frequency, 7.1f);   // stops at the x, not at the next field
  EXPECT_EQ(+a.heater, -12);
  EXPECT_EQ(+a.beam, 12);  // integers take no fraction
  EXPECT_FLOAT_EQ(+a.offset, 0.5f);
  EXPECT_STREQ(a.power_out, "\xC3\xA9\xFF!");
  Parse('A', Status(0x10, 0x00,
                    {"12.5", "  -------", "\xB0\xB1\xB2\xB3\xB4\xB5", "999999", "----", "43.2",
                     "10.5"}));
  EXPECT_FLOAT_EQ(+a.frequency, 0.0f);
  EXPECT_EQ(+a.heater, 0);
  EXPECT_EQ(+a.beam, 999999);
  EXPECT_FLOAT_EQ(+a.offset, 0.0f);
}

TEST_F(Parser, ShortAnswersReadNothingPastTheCapture) {
  // Stale digits from an earlier, longer answer lie past the frame's end.
  std::memset(protocol_state[0].response_buf, '7', response_buffer_size);
  logging_on = 1;
  Capture(0, 'A', Status(0x10, 0x00, {"12.5", "01"}));
  ParseResponse(0);
  EXPECT_STREQ(a.attenuation, "12.5");
  EXPECT_EQ(+a.heater, 1);  // "01", ETX, checksum
  EXPECT_EQ(+a.beam, 0);
  EXPECT_STREQ(a.power_out, "");
  EXPECT_STREQ(a.voltage, "");
  EXPECT_STREQ(log_parameter[0].response['A'], "");
  // A display answer cut short leaves the missing columns empty.
  Capture(0, 'A', "5SHORT");
  ParseResponse(0);
  EXPECT_EQ(std::string(a.screen[0]).substr(0, 6), "SHORT\x03");
  EXPECT_STREQ(a.screen[1], "");
  // Counts outside the buffer are held to it.
  protocol_state[0].receive_count = 1 << 30;
  EXPECT_EQ(ParseResponse(0), 'A');
  protocol_state[0].receive_count = -5;
  EXPECT_EQ(ParseResponse(0), 0);
  // High addresses are whole unsigned bytes.
  EXPECT_EQ(Parse(0xC1, "5"), 0xC1);
  EXPECT_EQ(last_response[0xC1], '5');
}

TEST_F(Parser, StartingHoursAreLoggedOnceAfterOpening) {
  ScratchDirectory directory;
  logfile['A'] = std::fopen(directory.File("hours.txt").c_str(), "ab");
  const std::string body = Status(0x10, 0x00, {"12.5", "001234", "000056", "43.2", "10.5"});
  Parse('A', body);
  Parse('A', body);
  EXPECT_EQ(got_hours['A'], 1);
  EXPECT_EQ(heater_start['A'], 1234);
  EXPECT_EQ(beam_start['A'], 56);
  std::fclose(logfile['A']);
  logfile['A'] = nullptr;
  const std::string log = directory.Read("hours.txt");
  EXPECT_NE(log.find(",  Starting Heater Hours: 001234, Beam Hours: 000056\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("Starting"), log.rfind("Starting"));
}

}  // namespace
