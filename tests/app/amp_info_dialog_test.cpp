// "Amplifier Options": identity edits and their log files, and "Verify"
// against corvane-sim in both identification formats and both families.
#include "app/amp_info_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <string>

#include "app/identification.h"
#include "app/main_window.h"
#include "app/popup.h"
#include "app/wlog.h"
#include "app/wparse.h"
#include "config/log_parameters.h"
#include "config/settings.h"
#include "link/capture.h"
#include "link/link_settings.h"
#include "link/wserial.h"
#include "records/device_records.h"
#include "records/window_seams.h"
#include "resources/device_dialog_ids.h"
#include "support/sim_process.h"
#include "test_support.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using Op = ui::ScriptedOperator;

class AmpOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    ResetLinkSettings();
    logging_on = 1;
    SetLogParameterDefaults();
    ASSERT_TRUE(RegisterPanelClasses());
    ZeroDeviceData('A');
    ZeroDeviceComments('A');
    got_hours['A'] = 0;
  }
  void TearDown() override {
    ClosePollWindows();
    CloseLog('A');
    CloseSerial();
    ResetSettings();
    ResetLinkSettings();
  }
  void Launch(std::vector<std::string> args, bool quillon = false) {
    quillon_protocol = quillon ? 1 : 0;
    std::string error;
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::snprintf(serial_port, sizeof serial_port, "%s", sim.LinkPath().c_str());
    ASSERT_EQ(InitSerial(), 1) << serial_port;
    std::memset(protocol_state, 0, sizeof protocol_state);
  }
  // An amplifier at 'A' with a log open under the given identity.
  void OpenLogged(const char* part, const char* serial) {
    CopyField(device_data['A'].part, part);
    CopyField(device_data['A'].serial, serial);
    CreatePollDialog('A');
    ASSERT_EQ(CreateLog('A', 1), 1);
  }
  // A status answer from 'A' with these hours, taken by the parser.
  static void StatusAnswer(const char* heater, const char* beam) {
    std::string frame = std::string("\x06") + "A?\x10" + '\0' + "12.5" + heater + beam +
                        "43.210.5" + "01.102.203.304.4" + "\x03";
    unsigned char sum = 0;
    for (char c : frame) sum ^= static_cast<unsigned char>(c);
    frame += static_cast<char>(sum);
    protocol_struct& buffer = protocol_state[0];
    std::memcpy(buffer.response_buf, frame.data(), frame.size());
    buffer.receive_count = static_cast<int>(frame.size());
    ASSERT_EQ(ParseResponse(0), 'A');
  }
  // The file with every time stamp replaced by "T", so lines compare exactly.
  std::string Log(const std::string& name) const {
    static const std::regex stamp(R"(\d{1,2} [A-Z][a-z]{2} \d\d, \d\d:\d\d)");
    return std::regex_replace(directory.Read(name), stamp, "T");
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const ui::RecordedBox& box : op.Boxes()) captions.push_back(box.caption);
    return captions;
  }

  ScratchDirectory directory;
  ui::ScriptedOperator op;
  test_support::SimProcess sim;
};

constexpr const char* separator =
    "----------------------------------------------------------------------\r\n";
constexpr const char* titles =
    "T,  Current (mA), Forward Power (dBm), Temperature (C), Helix/Beam Volts (kV)\r\n";

TEST_F(AmpOptions, OpensWithTheRecordAndTheHours) {
  device_struct& record = device_data['A'];
  CopyField(record.part, "305-1234-567");
  CopyField(record.serial, "42");
  CopyField(record.comments, "spare chain");
  CopyField(record.log_zero, "6 Dec 26, 05:09");
  record.target_hours = 1234;
  record.beam = 77;
  record.heater = -1;
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_part), "305-1234-567");
    EXPECT_EQ(ui::ControlText(dialog, id_serial), "42");
    EXPECT_EQ(ui::ControlText(dialog, id_target_hours), "001234");
    EXPECT_EQ(ui::ControlText(dialog, id_comments), "spare chain");
    EXPECT_EQ(ui::ControlText(dialog, id_beam_hours), "000077");
    EXPECT_EQ(ui::ControlText(dialog, id_heater_hours), "??????");
    EXPECT_EQ(ui::ControlText(dialog, id_beam_start), "??????");
    EXPECT_EQ(ui::ControlText(dialog, id_log_initiated), "6 Dec 26, 05:09");
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInfoDialog(ui::no_window, 'A');

  got_hours['A'] = 1;
  beam_start['A'] = 12;
  heater_start['A'] = 345;
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    EXPECT_EQ(ui::ControlText(dialog, id_beam_start), "000012");
    EXPECT_EQ(ui::ControlText(dialog, id_heater_start), "000345");
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
}

TEST_F(AmpOptions, RefusalsKeepTheDialogWithTheFocusOnTheField) {
  OpenLogged("305-1234-567", "12345");
  struct Case {
    const char* part;
    const char* serial;
    int field;
    const char* text;
  };
  const Case cases[] = {
      {"305-1234-56", "12345", id_part, "Part Number must be 12 digits long."},
      {"305/1234-567", "12345", id_part, "Part Number may not contain \"/\", \"\\\" or \"..\"."},
      {"305-1234-567", "123456", id_serial, "Serial Number must be 5 digits or less."},
      {"305-1234-567", "../..", id_serial,
       "Serial Number may not contain \"/\", \"\\\" or \"..\"."},
  };
  for (const Case& c : cases) {
    int focus = 0;
    bool open = false;
    op.ClearBoxes();
    op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
      Op::Type(dialog, id_part, c.part);
      Op::Type(dialog, id_serial, c.serial);
      ui::FocusControl(dialog, id_comments);
      Op::Press(dialog, ui::id_ok);
      focus = ui::FocusedControl(dialog);
      open = ui::IsLive(dialog);
      Op::Press(dialog, ui::id_cancel);
    });
    RunAmpInfoDialog(ui::no_window, 'A');
    ASSERT_EQ(op.Boxes().size(), 1u) << c.part << " " << c.serial;
    EXPECT_EQ(op.Boxes()[0].text, c.text);
    EXPECT_EQ(op.Boxes()[0].caption, "Oops");
    EXPECT_EQ(focus, c.field);
    EXPECT_TRUE(open);
  }
  // The log stayed where it was.
  EXPECT_TRUE(directory.Exists("305-1234-567 12345.txt"));
  EXPECT_STREQ(device_data['A'].part, "305-1234-567");
}

TEST_F(AmpOptions, ChangedCommentsGoIntoTheSameLog) {
  OpenLogged("305-1234-567", "12345");
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    Op::Type(dialog, id_comments, "retuned");
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_STREQ(device_data['A'].comments, "retuned");
  const std::string log = directory.Read("305-1234-567 12345.txt");
  EXPECT_NE(log.find(",  \"retuned\"\r\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("\"retuned\""), log.rfind("\"retuned\""));
}

TEST_F(AmpOptions, AChangedIdentityMovesToAnotherLog) {
  OpenLogged("305-1234-567", "12345");
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    Op::Type(dialog, id_part, "305-1234-999");
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text,
            "Because the Part Number changed, a different log file will be used.");
  EXPECT_EQ(op.Boxes()[0].caption, "Note!");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::information);
  EXPECT_TRUE(directory.Exists("305-1234-999 12345.txt"));

  // Both changed: the serial number's message wins.
  op.ClearBoxes();
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    Op::Type(dialog, id_part, "305-1234-111");
    Op::Type(dialog, id_serial, "777");
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text,
            "Because the Serial Number changed, a different log file will be used.");
  EXPECT_TRUE(directory.Exists("305-1234-111 777.txt"));
  EXPECT_NE(ui::Title(poll_dialog['A']).find("305-1234-111"), std::string::npos)
      << ui::Title(poll_dialog['A']);
}

TEST_F(AmpOptions, ARefusalStoresNothingAndTheCorrectionMovesTheLog) {
  OpenLogged("305-1234-567", "12345");
  StatusAnswer("001234", "000056");
  const std::int32_t target = device_data['A'].target_hours;
  std::string part_after_refusal, comments_after_refusal;
  op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
    Op::Type(dialog, id_part, "305-1234-999");
    Op::Type(dialog, id_serial, "123456");
    Op::Type(dialog, id_target_hours, "5000");
    Op::Type(dialog, id_comments, "retuned");
    Op::Press(dialog, ui::id_ok);
    part_after_refusal = device_data['A'].part;
    comments_after_refusal = device_data['A'].comments;
    EXPECT_EQ(+device_data['A'].target_hours, target);
    Op::Type(dialog, id_serial, "12345");  // corrected: only the part number differs
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  EXPECT_EQ(part_after_refusal, "305-1234-567");
  EXPECT_EQ(comments_after_refusal, "");
  ASSERT_EQ(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text, "Serial Number must be 5 digits or less.");
  EXPECT_EQ(op.Boxes()[1].text,
            "Because the Part Number changed, a different log file will be used.");
  EXPECT_EQ(+device_data['A'].target_hours, 5000);
  // The new log takes its own starting hours from the next answer.
  StatusAnswer("001240", "000060");
  EXPECT_EQ(Log("305-1234-567 12345.txt"),
            std::string(separator) + "T,  Part #305-1234-567, Serial #12345, Address 'A'\r\n" +
                titles +
                "T,  Starting Heater Hours: 001234, Beam Hours: 000056\r\n"
                "T,  \"retuned\"\r\n"
                "T,  Ending Heater Hours: 001234, Beam Hours: 000056\r\n" +
                separator);
  EXPECT_EQ(Log("305-1234-999 12345.txt"),
            std::string(separator) + "T,  Part #305-1234-999, Serial #12345, Address 'A'\r\n" +
                "T,  \"retuned\"\r\n" + titles +
                "T,  Starting Heater Hours: 001240, Beam Hours: 000060\r\n");
  EXPECT_EQ(+heater_start['A'], 1240);
}

TEST_F(AmpOptions, DecliningAPriorLogKeepsTheOldIdentityLogging) {
  OpenLogged("305-1234-567", "12345");
  const std::string log_zero = device_data['A'].log_zero;
  directory.Write("305-1234-567 22222.txt", "old\r\n");
  int still_open = 0;
  op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
    Op::Type(dialog, id_serial, "22222");
    Op::Type(dialog, id_comments, "other tube");
    Op::Press(dialog, ui::id_ok);  // the note, then No to the prior log
    still_open += ui::IsLive(dialog);
    Op::Press(dialog, ui::id_ok);  // asked again, declined again
    still_open += ui::IsLive(dialog);
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  EXPECT_EQ(still_open, 2);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Note!", "Confirm", "Note!", "Confirm"}));
  EXPECT_STREQ(device_data['A'].serial, "12345");
  EXPECT_STREQ(device_data['A'].comments, "");
  EXPECT_EQ(device_data['A'].log_zero, log_zero);
  UpdateLogFiles(1);
  EXPECT_EQ(directory.Read("305-1234-567 22222.txt"), "old\r\n");
  EXPECT_EQ(Log("305-1234-567 12345.txt"),
            std::string(separator) + "T,  Part #305-1234-567, Serial #12345, Address 'A'\r\n" +
                titles + "T,  ????, ????, ????, ????\r\n");
}

TEST_F(AmpOptions, WithoutLogFeaturesAnIdentityChangeStartsNoLog) {
  OpenLogged("305-1234-567", "12345");  // a log left from before the switch
  logging_on = 0;
  op.WhenDialogOpens("Amplifier Options", [](ui::Handle dialog) {
    Op::Type(dialog, id_serial, "54321");
    Op::Press(dialog, ui::id_ok);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  EXPECT_TRUE(op.Boxes().empty());
  EXPECT_STREQ(device_data['A'].serial, "54321");
  EXPECT_EQ(logfile['A'], nullptr);
  EXPECT_STREQ(device_data['A'].log_zero, "Unavailable");
  EXPECT_FALSE(directory.Exists("305-1234-567 54321.txt"));
  EXPECT_EQ(Log("305-1234-567 12345.txt"),
            std::string(separator) + "T,  Part #305-1234-567, Serial #12345, Address 'A'\r\n" +
                titles + "T,  Ending Heater Hours: ??????, Beam Hours: ??????\r\n" + separator);
}

TEST_F(AmpOptions, VerifyFillsPartAndSerialFromTheCurrentFormat) {
  Launch({"--amp", "A", "--steady"});
  OpenLogged("305-1234-567", "12345");
  bool open = false;
  std::string part, serial;
  op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
    Op::Press(dialog, id_verify);
    open = ui::IsLive(dialog);
    part = ui::ControlText(dialog, id_part);
    serial = ui::ControlText(dialog, id_serial);
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  EXPECT_TRUE(open);  // Verify applies the fields and stays
  EXPECT_EQ(part, "305-4120-025");
  EXPECT_EQ(serial, "10065");
  ASSERT_GE(op.Boxes().size(), 2u);
  EXPECT_EQ(op.Boxes()[0].text, "P/N 305-4120-025, S/N 10065 (Firmware Version 4.12)");
  EXPECT_EQ(op.Boxes()[0].caption, "Amplifier Response");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::information);
  EXPECT_EQ(op.Boxes()[1].text,
            "Because the Serial Number changed, a different log file will be used.");
  EXPECT_STREQ(device_data['A'].part, "305-4120-025");
  EXPECT_STREQ(device_data['A'].serial, "10065");
  EXPECT_TRUE(directory.Exists("305-4120-025 10065.txt"));
  EXPECT_EQ(sim.Control("get A last"), "ok 00");
}

TEST_F(AmpOptions, VerifyReadsTheOlderFormatAndTheQuillonFamily) {
  Launch({"--amp", "A", "--steady", "--quillon"}, true);
  ASSERT_EQ(sim.Control("set A version 307").rfind("ok", 0), 0u);
  OpenLogged("305-4120-025", "333");
  std::string serial;
  op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
    Op::Press(dialog, id_verify);
    EXPECT_EQ(ui::ControlText(dialog, id_serial), "10065");
    ASSERT_EQ(sim.Control("set A id old").rfind("ok", 0), 0u);
    Op::Press(dialog, id_verify);
    EXPECT_EQ(ui::ControlText(dialog, id_part), "305-4120-025");
    serial = ui::ControlText(dialog, id_serial);
    Op::Press(dialog, ui::id_cancel);
  });
  op.ClearBoxes();
  RunAmpInfoDialog(ui::no_window, 'A');
  ASSERT_GE(op.Boxes().size(), 3u);
  EXPECT_EQ(op.Boxes()[0].text, "P/N 305-4120-025, S/N 10065 (Firmware Version 3.07)");
  // The older answer has no serial number: the field keeps what it had.
  EXPECT_EQ(op.Boxes().back().text, "Part Number 305-4120-025, Firmware Version 3.07");
  EXPECT_EQ(serial, "10065");
}

TEST_F(AmpOptions, VerifyWithoutAnAnswerChangesNothing) {
  Launch({"--amp", "A", "--steady"});
  ASSERT_EQ(sim.Control("silent A on").rfind("ok", 0), 0u);
  OpenLogged("305-1234-567", "12345");
  op.WhenDialogOpens("Amplifier Options", [&](ui::Handle dialog) {
    Op::Press(dialog, id_verify);
    EXPECT_EQ(ui::ControlText(dialog, id_part), "305-1234-567");
    Op::Press(dialog, ui::id_cancel);
  });
  RunAmpInfoDialog(ui::no_window, 'A');
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].text, "No response from amplifier.");
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_EQ(op.Boxes()[0].icon, ui::Icon::error);
  EXPECT_STREQ(device_data['A'].serial, "12345");
}

// Answers laid into a capture buffer by hand: ACK, address, kind, fields, ETX, checksum.
protocol_struct Answer(const std::string& body) {
  protocol_struct answer{};
  std::memset(answer.response_buf, '9', sizeof answer.response_buf);  // stale bytes past the frame
  const std::string frame = std::string(
                                "\x06"
                                "A") +
                            body +
                            "\x03"
                            "x";
  std::memcpy(answer.response_buf, frame.data(), frame.size());
  answer.receive_count = static_cast<int>(frame.size());
  return answer;
}

TEST(Identification, ShortOrOddAnswersNeverReadPastTheFrame) {
  std::string part, serial, message;
  ASSERT_TRUE(ReadIdentification(Answer("01234-567 54321 4.12"), &part, &serial, &message));
  EXPECT_EQ(part, "305-1234-567");
  EXPECT_EQ(serial, "54321");
  ASSERT_TRUE(ReadIdentification(Answer("01234567412"), &part, &serial, &message));
  EXPECT_EQ(message, "Part Number 305-1234-567, Firmware Version 4.12");
  EXPECT_EQ(serial, "");
  // One byte short of either format: refused, not filled from stale bytes.
  EXPECT_FALSE(ReadIdentification(Answer("01234-567 54321 4.1"), &part, &serial, &message));
  EXPECT_FALSE(ReadIdentification(Answer("0123456741"), &part, &serial, &message));
  EXPECT_FALSE(ReadIdentification(Answer(""), &part, &serial, &message));
  protocol_struct empty{};
  empty.receive_count = -5;
  EXPECT_FALSE(ReadIdentification(empty, &part, &serial, &message));
  // Any byte is taken as it is; the dialog's own checks judge the result.
  ASSERT_TRUE(
      ReadIdentification(Answer("0\xFF/..-\x80\x81\x82 1/2.. 4.12"), &part, &serial, &message));
  EXPECT_EQ(part, "305-\xFF/..-\x80\x81\x82");
  EXPECT_EQ(serial, "1/2..");
}

}  // namespace
