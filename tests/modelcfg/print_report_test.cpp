// The configuration and fault-log sections against a recording device: the
// page geometry, wrapping, tab stops, and files and payloads of any bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
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

// A temporary file holding bytes, open for reading.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) : file_(std::tmpfile()) {
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
    std::rewind(file_);
  }
  ~TempFile() { std::fclose(file_); }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_;
};

std::vector<std::string> PrintFile(Device& device, const std::string& bytes) {
  TempFile file(bytes);
  EXPECT_TRUE(PrintModelCfgFile(device, file.get()));
  std::vector<std::string> texts;
  for (std::size_t page = 0; page < device.pages.size(); ++page)
    for (const std::string& text : device.Texts(page)) texts.push_back(text);
  return texts;
}

class PrintReport : public LineTable {
 protected:
  void SetUp() override {
    LineTable::SetUp();
    std::snprintf(transfer_filepath, sizeof transfer_filepath, "/cfg/Model.cfg");
  }
};

TEST_F(PrintReport, TheFileUnderItsPathAndARuleWithoutPageNumbers) {
  Device device({.width = 800, .height = 300, .cx = 10, .cy = 20, .average = 10});
  std::string file;
  for (int n = 0; n < 12; ++n) file += "LINE" + std::to_string(n) + "\tA / *B\r\n";
  TempFile input(file);
  ASSERT_TRUE(PrintModelCfgFile(device, input.get()));
  // Page break when y has passed 300 - 6 * 20: lines at 100 to 180 on page 1.
  ASSERT_EQ(device.pages.size(), 2u);
  const auto& first = device.pages[0];
  EXPECT_EQ(first[0].text, "/cfg/Model.cfg");
  EXPECT_EQ(first[0].x, 30);
  EXPECT_EQ(first[0].y, 60);
  EXPECT_EQ(first[1].text, "-4");
  EXPECT_EQ(first[1].x, 30);
  EXPECT_EQ(first[1].x2, 770);
  EXPECT_EQ(first[1].y, 80);
  EXPECT_EQ(first[2].text, "LINE0\tA / *B");
  EXPECT_EQ(first[2].y, 100);
  EXPECT_TRUE(first[2].tabs);
  EXPECT_EQ(first[2].tab_origin, 30);
  EXPECT_EQ(first.size(), 2u + 5u);
  EXPECT_EQ(device.Texts(1).front(), "LINE5\tA / *B");
  EXPECT_EQ(device.pages[1].front().y, 60);
  EXPECT_EQ(device.Texts(1).back(), "LINE11\tA / *B");
  EXPECT_EQ(device.pages_ended, 2);
}

TEST_F(PrintReport, LinesOfAnyLengthAndEndingArePrintedWhole) {
  Device device({.width = 10000});
  const std::string long_line(600, 'x');
  const auto texts = PrintFile(device, "FIRST\n" + long_line + "\r\nafter\rdropped\nLAST");
  const std::vector<std::string> expected = {
      "/cfg/Model.cfg",      "-4",    "FIRST", long_line.substr(0, 509),
      long_line.substr(509), "after", "LAST"};
  EXPECT_EQ(texts, expected);
}

TEST_F(PrintReport, WideLinesWrapAtTheLastBlankThatFitsElseAtTheEdge) {
  // A text area of 14 characters; TAB stops every 80 units.
  Device device({.width = 200, .height = 1000, .cx = 10, .cy = 20, .average = 10});
  std::snprintf(transfer_filepath, sizeof transfer_filepath, "/a/long/path/Model.cfg");
  const auto texts = PrintFile(
      device, "aaaa bbbb cccc dddd\nabcdefghijklmnopqrstu\nKEY\tABCDEFGHIJ\nfits exactly!!\n");
  const std::vector<std::string> expected = {
      "/a/long/path/M", "odel.cfg", "-4",          "aaaa bbbb cccc", "dddd",
      "abcdefghijklmn", "opqrstu",  "KEY\tABCDEF", "GHIJ",           "fits exactly!!"};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(device.pages[0][2].y, 100);  // the rule below the header's second line
}

TEST_F(PrintReport, TheEditorLinesInFileFormUnderTheTitle) {
  Add("POWER *HIGH,LOW");
  Add("; a comment");
  SetModelCfgTitle("807-0123-004 rev B");
  Device device;
  ASSERT_TRUE(PrintModelCfgData(device));
  const std::vector<std::string> expected = {
      "807-0123-004 rev B", "-4", "POWER               \t*HIGH / LOW", "; a comment         "};
  EXPECT_EQ(device.Texts(0), expected);
  EXPECT_TRUE(device.pages[0][2].tabs);
}

TEST_F(PrintReport, ALongTitleWrapsWithinTheTextArea) {
  Add("KEY *A");
  std::string title;
  while (title.size() < 999) title += "word" + std::to_string(title.size()) + " ";
  SetModelCfgTitle(title.c_str());
  Device device({.width = 800});
  ASSERT_TRUE(PrintModelCfgData(device));
  const auto texts = device.Texts(0);
  std::string joined;
  for (std::size_t n = 0; texts[n] != "-4"; ++n) {
    EXPECT_LE(texts[n].size(), 74u);
    joined += texts[n] + " ";
  }
  std::string shown = ModelCfgTitle();
  for (std::string* text : {&joined, &shown})
    while (text->back() == ' ') text->pop_back();
  EXPECT_EQ(joined, shown);
}

TEST_F(PrintReport, FilesOfAnyBytesPrintWithoutLoss) {
  std::mt19937 random(17);
  std::string noise(64 * 1024, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  const std::string no_line_feed(1 << 20, 'x'), nuls(5000, '\0'), returns(3000, '\r');
  for (const std::string* bytes :
       std::initializer_list<const std::string*>{&noise, &no_line_feed, &nuls, &returns}) {
    Device device;
    const auto texts = PrintFile(device, *bytes);
    for (const std::string& text : texts)
      for (char byte : text) ASSERT_TRUE(byte == '\t' || static_cast<unsigned char>(byte) >= 0x20);
    if (bytes == &no_line_feed) {
      std::size_t printed = 0;
      for (std::size_t n = 2; n < texts.size(); ++n) printed += texts[n].size();
      EXPECT_EQ(printed, bytes->size());
    }
  }
}

TEST_F(PrintReport, ARefusedPageStopsTheSection) {
  Device device({.height = 300});
  device.refuse_page = 2;
  TempFile input(std::string(40, '\n'));
  EXPECT_FALSE(PrintModelCfgFile(device, input.get()));
  EXPECT_EQ(device.pages.size(), 2u);
  EXPECT_TRUE(device.pages[1].empty());
}

struct FaultCase {
  int length;
  std::size_t records;
  std::size_t pages;
};

class FaultLogSection : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultLogSection, OneLinePerWholeRecordUpTo2000Bytes) {
  CopyField(device_data['A'].part, "305-1234-567");
  CopyField(device_data['A'].serial, "12345");
  std::string payload;
  for (int n = 0; n < GetParam().length; ++n) {
    const int at = n % 21;
    payload.push_back(at == 20 ? '\0' : at == 3 ? '\x01' : static_cast<char>('A' + at));
  }
  Device device;  // 40 lines from 5cy on the first page, 42 on the others
  ASSERT_TRUE(PrintFaultLog(device, payload.data(), GetParam().length, 'A'));
  ASSERT_EQ(device.pages.size(), GetParam().pages);
  std::vector<std::string> lines;
  for (std::size_t page = 0; page < device.pages.size(); ++page) {
    auto texts = device.Texts(page);
    EXPECT_EQ(texts.back(), std::to_string(page + 1));
    EXPECT_EQ(device.pages[page].back().y, 1000 - 20);
    lines.insert(lines.end(), texts.begin(), texts.end() - 1);
  }
  EXPECT_EQ(lines.front(), "Amplifer Fault Log for: Part #305-1234-567, Serial #12345");
  EXPECT_EQ(lines.back(), "End of Fault Log");
  ASSERT_EQ(lines.size(), GetParam().records + 2);
  if (GetParam().records > 0) {
    EXPECT_EQ(lines[1], "ABC EFGHIJKLMNOPQRST");
  }
}

INSTANTIATE_TEST_SUITE_P(Payloads, FaultLogSection,
                         ::testing::Values(FaultCase{2100, 95, 3}, FaultCase{41, 1, 1},
                                           FaultCase{20, 0, 1}));

TEST(PrintableText, ControlBytesBecomeBlanksAndLatin1Stays) {
  EXPECT_EQ(PrintableText(std::string("a\0b\tc\x7f\x85\xe9", 8), false), "a b c  \xe9");
  EXPECT_EQ(PrintableText("a\tb\r", true), "a\tb ");
}

}  // namespace
