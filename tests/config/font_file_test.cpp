#include "config/font_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scratch_directory.h"

namespace {

std::uint32_t Word(const std::string& bytes, std::size_t at, int size = 4) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << 8 * i;
  return value;
}

class FontFile : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    font_info = {};
    font_selection = {};
  }
  ScratchDirectory directory;
};

TEST_F(FontFile, FieldsLieAtTheirOffsetsLittleEndian) {
  font_info.lfHeight = -16;
  font_info.lfWeight = 700;
  font_info.lfItalic = 1;
  font_info.lfPitchAndFamily = 0x31;
  std::strcpy(font_info.lfFaceName, "Courier New");
  font_selection.lStructSize = 60;
  font_selection.iPointSize = 120;
  font_selection.Flags = 0x14041;
  font_selection.lpszStyle = 0xA1B2C3D4;
  font_selection.nFontType = 0x2001;
  font_selection.nSizeMin = -3;
  font_selection.nSizeMax = 72;
  ASSERT_TRUE(WriteFontFile());
  const std::string bytes = directory.Read("font.dat");
  ASSERT_EQ(bytes.size(), 120u);
  EXPECT_EQ(Word(bytes, 0), 0xFFFFFFF0u);
  EXPECT_EQ(Word(bytes, 16), 700u);
  EXPECT_EQ(Word(bytes, 20, 1), 1u);
  EXPECT_EQ(Word(bytes, 27, 1), 0x31u);
  EXPECT_EQ(bytes.substr(28, 12), std::string("Courier New\0", 12));
  EXPECT_EQ(Word(bytes, 60), 60u);
  EXPECT_EQ(Word(bytes, 76), 120u);
  EXPECT_EQ(Word(bytes, 80), 0x14041u);
  EXPECT_EQ(Word(bytes, 104), 0xA1B2C3D4u);
  EXPECT_EQ(Word(bytes, 108, 2), 0x2001u);
  EXPECT_EQ(Word(bytes, 112), 0xFFFFFFFDu);
  EXPECT_EQ(Word(bytes, 116), 72u);
}

TEST_F(FontFile, AnyHundredAndTwentyBytesComeBackUnchanged) {
  std::string bytes(120, '\0');
  for (int i = 0; i < 120; ++i) bytes[i] = static_cast<char>(i * 37 + 11);
  directory.Write("font.dat", bytes + "trailing bytes are not read");
  ASSERT_TRUE(ReadFontFile());
  EXPECT_EQ(font_selection.iPointSize, static_cast<std::int32_t>(Word(bytes, 76)));
  ASSERT_TRUE(WriteFontFile());
  EXPECT_EQ(directory.Read("font.dat"), bytes);
}

TEST_F(FontFile, ShortFileReplacesOnlyWhatItHolds) {
  font_info.lfWidth = 0x11223344;
  font_info.lfWeight = 400;
  font_selection.nSizeMax = 99;
  directory.Write("font.dat", std::string("\xF4\xFF\xFF\xFF\xAA", 5));
  ASSERT_TRUE(ReadFontFile());
  EXPECT_EQ(font_info.lfHeight, -12);
  EXPECT_EQ(font_info.lfWidth, 0x112233AA);
  EXPECT_EQ(font_info.lfWeight, 400);
  EXPECT_EQ(font_selection.nSizeMax, 99);
  directory.Write("font.dat", "");
  EXPECT_TRUE(ReadFontFile());
  EXPECT_EQ(font_info.lfHeight, -12);
}

TEST_F(FontFile, MissingFileOrDirectoryIsReported) {
  font_info.lfHeight = 5;
  EXPECT_FALSE(ReadFontFile());
  EXPECT_EQ(font_info.lfHeight, 5);
  std::strcat(save_directory, "missing/");
  EXPECT_FALSE(WriteFontFile());
}

}  // namespace
