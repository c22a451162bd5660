#include <gtest/gtest.h>

#include "app/command_line.h"
#include "records/program_state.h"

namespace {

TEST(CommandLine, FindsTheFirstSwitchOnly) {
  EXPECT_EQ(FindSwitch("/c/tmp/model.cfg").letter, 'c');
  EXPECT_EQ(FindSwitch("/c/tmp/model.cfg").path, "/tmp/model.cfg");
  const CommandLineSwitch both = FindSwitch("  /fTUBEFW.exe\t/cother.cfg");
  EXPECT_EQ(both.letter, 'f');
  EXPECT_EQ(both.path, "TUBEFW.exe");
  // Tokens are cut at CR and LF as well.
  EXPECT_EQ(FindSwitch("x\r\n/cfile").path, "file");
}

TEST(CommandLine, IgnoresWhatIsNotASwitch) {
  EXPECT_EQ(FindSwitch("").letter, 0);
  EXPECT_EQ(FindSwitch("/c").letter, 0);         // two characters only
  EXPECT_EQ(FindSwitch("/x/tmp/file").letter, 0);  // another letter
  EXPECT_EQ(FindSwitch("/C/tmp/file").letter, 0);  // upper case is no switch
  EXPECT_EQ(FindSwitch("-c/tmp/file").letter, 0);
  EXPECT_EQ(FindSwitch("c/tmp/file").letter, 0);
  // A non-switch before the switch does not hide it.
  EXPECT_EQ(FindSwitch("/C/a /x/b /fc:/fw.exe").path, "c:/fw.exe");
}

TEST(CommandLine, CheckOnlyNotesTheSwitch) {
  commandline_mode = 0;
  CheckCommandLine("/Cfile");
  EXPECT_EQ(commandline_mode, 0);
  CheckCommandLine("/cfile");
  EXPECT_EQ(commandline_mode, 1);
  commandline_mode = 0;
}

}  // namespace
