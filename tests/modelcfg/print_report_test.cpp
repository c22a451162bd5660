// The configuration and fault-log sections against a recording device: the
// page geometry, wrapping, tab stops, and files and payloads of any bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "modelcfg/cfg_editor.h"
#include "modelcfg/cfg_editor_commands.h"
#include "modelcfg/print_page.h"
#include "modelcfg/recording_print_device.h"
#include "modelcfg/table_fixture.h"
#include "modelcfg/wprint.h"
#include "records/device_records.h"
#include "records/program_state.h"

namespace {

using Device = RecordingPrintDevice;
using Texts = std::vector<std::string>;

std::unique_ptr<std::FILE, int (*)(std::FILE*)> FileOf(const std::string& bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), std::fclose);
  std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

class PrintReport : public LineTable {
 protected:
  void SetUp() override {
    LineTable::SetUp();
    std::snprintf(transfer_filepath, sizeof transfer_filepath, "/cfg/Model.cfg");
  }
  static Texts PrintFile(Device& device, const std::string& bytes) {
    EXPECT_TRUE(PrintModelCfgFile(device, FileOf(bytes).get()));
    return device.AllTexts();
  }
};

TEST_F(PrintReport, TheFileUnderItsPathAndARuleWithoutPageNumbers) {
  Device device({.height = 300});  // a break once y has passed 180
  std::string file;
  for (int n = 0; n < 12; ++n) file += "LINE" + std::to_string(n) + "\tA / *B\r\n";
  PrintFile(device, file);
  ASSERT_EQ(device.pages.size(), 2u);
  const auto& first = device.pages[0];
  ASSERT_EQ(first.size(), 2u + 5u);
  EXPECT_EQ(std::make_tuple(first[0].text, first[0].x, first[0].y),
            std::make_tuple("/cfg/Model.cfg", 30, 60));
  EXPECT_EQ(std::make_tuple(first[1].text, first[1].x, first[1].x2, first[1].y),
            std::make_tuple("-4", 30, 770, 80));
  EXPECT_EQ(std::make_tuple(first[2].text, first[2].y, first[2].tabs, first[2].tab_origin),
            std::make_tuple("LINE0\tA / *B", 100, true, 30));
  EXPECT_EQ(std::make_tuple(device.pages[1][0].text, device.pages[1][0].y),
            std::make_tuple("LINE5\tA / *B", 60));
  EXPECT_EQ(device.Texts(1).back(), "LINE11\tA / *B");
  EXPECT_EQ(device.pages_ended, 2);
}

TEST_F(PrintReport, LongLinesGoOnAndWideOnesWrapAtTheLastBlankElseAtTheEdge) {
  Device wide({.width = 10000});
  const std::string long_line(600, 'x');
  EXPECT_EQ(PrintFile(wide, "FIRST\n" + long_line + "\r\nafter\rdropped\nLAST"),
            (Texts{"/cfg/Model.cfg", "-4", "FIRST", long_line.substr(0, 509), long_line.substr(509),
                   "after", "LAST"}));
  Device narrow({.width = 200});  // 14 characters; tab stops every 8
  std::snprintf(transfer_filepath, sizeof transfer_filepath, "/a/long/path/Model.cfg");
  EXPECT_EQ(PrintFile(narrow, "aaaa bbbb cccc dddd\nabcdefghijklmnopqrstu\nKEY\tABCDEFGHIJ\n"),
            (Texts{"/a/long/path/M", "odel.cfg", "-4", "aaaa bbbb cccc", "dddd", "abcdefghijklmn",
                   "opqrstu", "KEY\tABCDEF", "GHIJ"}));
  EXPECT_EQ(narrow.pages[0][2].y, 100) << "the rule below the header's last line";
}

TEST_F(PrintReport, TheEditorLinesInFileFormUnderTheTitleWrapped) {
  Add("POWER *HIGH,LOW");
  Add("; a comment");
  std::string title = "807-0123-004 rev B";
  while (title.size() < 999) title += " word" + std::to_string(title.size());
  SetModelCfgTitle(title.c_str());
  Device device;
  ASSERT_TRUE(PrintModelCfgData(device));
  Texts texts = device.Texts(0);
  std::string header;
  for (; texts.front() != "-4"; texts.erase(texts.begin())) {
    EXPECT_LE(texts.front().size(), 74u);
    header += (header.empty() ? "" : " ") + texts.front();
  }
  EXPECT_EQ(header, ModelCfgTitle());
  EXPECT_EQ(texts, (Texts{"-4", "POWER               \t*HIGH / LOW", "; a comment         "}));
}

TEST_F(PrintReport, FilesOfAnyBytesPrintWithoutLossOrControlBytes) {
  std::mt19937 random(17);
  std::string noise(64 * 1024, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  const std::string no_line_feed(1 << 20, 'x');
  for (const std::string& bytes :
       {noise, no_line_feed, std::string(5000, '\0'), std::string(3000, '\r')}) {
    Device device;
    std::size_t printed = 0;
    for (const std::string& text : PrintFile(device, bytes)) {
      for (char byte : text) ASSERT_TRUE(byte == '\t' || static_cast<unsigned char>(byte) >= 0x20);
      printed += text.size();
    }
    if (bytes.size() == no_line_feed.size()) {
      EXPECT_EQ(printed, bytes.size() + std::strlen("/cfg/Model.cfg-4"));
    }
  }
  Device refusing({.height = 300});
  refusing.refuse_page = 2;
  EXPECT_FALSE(PrintModelCfgFile(refusing, FileOf(std::string(40, '\n')).get()));
  EXPECT_EQ(refusing.pages.size(), 2u);
  EXPECT_TRUE(refusing.pages[1].empty());
}

struct FaultCase {
  int length;
  std::size_t records, pages;
};
class FaultLogSection : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultLogSection, OneLinePerWholeRecordUpTo2000Bytes) {
  CopyField(device_data['A'].part, "305-1234-567");
  CopyField(device_data['A'].serial, "12345");
  std::string payload;
  for (int n = 0; n < GetParam().length; ++n)
    payload.push_back(
        "ABC\x01"
        "EFGHIJKLMNOPQRST"[n % 21]);  // a control byte, and the 21st a zero
  Device device;                      // 40 lines from 5cy on the first page, 42 on the others
  ASSERT_TRUE(PrintFaultLog(device, payload.data(), GetParam().length, 'A'));
  ASSERT_EQ(device.pages.size(), GetParam().pages);
  Texts lines;
  for (std::size_t page = 0; page < device.pages.size(); ++page) {
    Texts texts = device.Texts(page);
    EXPECT_EQ(texts.back(), std::to_string(page + 1));
    EXPECT_EQ(device.pages[page].back().y, 1000 - 20);
    lines.insert(lines.end(), texts.begin(), texts.end() - 1);
  }
  ASSERT_EQ(lines.size(), GetParam().records + 2);
  EXPECT_EQ(lines.front(), "Amplifer Fault Log for: Part #305-1234-567, Serial #12345");
  EXPECT_EQ(lines.back(), "End of Fault Log");
  if (GetParam().records > 0) {
    EXPECT_EQ(lines[1], "ABC EFGHIJKLMNOPQRST");
  }
}

INSTANTIATE_TEST_SUITE_P(Payloads, FaultLogSection,
                         ::testing::Values(FaultCase{2100, 95, 3}, FaultCase{41, 1, 1},
                                           FaultCase{20, 0, 1}));

}  // namespace
