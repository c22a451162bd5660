#include "config/program_directory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "scratch_directory.h"

namespace {

class ProgramDirectory : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::current_path(previous); }
  std::filesystem::path previous = std::filesystem::current_path();
  ScratchDirectory scratch;
};

TEST_F(ProgramDirectory, TakesTheCurrentDirectoryWithOneSeparator) {
  const std::filesystem::path here = scratch.File("");
  std::filesystem::current_path(here);
  ASSERT_TRUE(SetProgramDirectoryFromCurrent());
  EXPECT_EQ(std::string(save_directory), std::filesystem::current_path().string() + "/");
  std::filesystem::current_path("/");
  ASSERT_TRUE(SetProgramDirectoryFromCurrent());
  EXPECT_STREQ(save_directory, "/");
}

TEST_F(ProgramDirectory, OverlongDirectoryFallsBackToTheCurrentOne) {
  std::filesystem::path deep = scratch.File("");
  for (int level = 0; level < 6; ++level) deep /= std::string(200, 'd');
  std::filesystem::create_directories(deep);
  std::filesystem::current_path(deep);
  EXPECT_FALSE(SetProgramDirectoryFromCurrent());
  EXPECT_STREQ(save_directory, "");
}

TEST_F(ProgramDirectory, FileNamesFitOrFail) {
  std::strcpy(save_directory, "/p/");
  char name[16];
  EXPECT_TRUE(ProgramFileName(name, 16, "defaults.txt"));
  EXPECT_STREQ(name, "/p/defaults.txt");
  EXPECT_FALSE(ProgramFileName(name, 16, "defaults.txtx"));
  EXPECT_STREQ(name, "");
}

}  // namespace
