#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "modelcfg/cfg_files.h"
#include "ui/scripted_operator.h"

namespace {

using ui::FileDialogKind;

TEST(ConfigFileDialog, EachPurposeHasItsDialogAndSavesAcceptNewNames) {
  struct Case {
    cfg_fileoption_enum option;
    FileDialogKind kind;
    const char* title;
    bool must_exist;
    bool confirm_overwrite;
  } const cases[] = {
      {cfg_fileoption_send, FileDialogKind::open, "Choose Configuration File to Send", true, false},
      {cfg_fileoption_retrieve, FileDialogKind::save,
       "Choose Where To Save Retrieved Configuration", false, false},
      {cfg_fileoption_load, FileDialogKind::open, "Choose Configuration File to Load", true, false},
      {cfg_fileoption_save, FileDialogKind::save, "Choose Where To Save Configuration", false,
       true},
  };
  for (const Case& c : cases) {
    ui::ScriptedOperator op;
    op.AnswerFileDialog("/tmp/new folder/not yet there.cfg");
    char name[256] = "old";
    EXPECT_EQ(ConfigFileName(name, sizeof name, c.option, "/tmp/start"), 1) << c.title;
    EXPECT_STREQ(name, "/tmp/new folder/not yet there.cfg");
    ASSERT_EQ(op.FileDialogs().size(), 1u);
    const ui::FileDialogRequest& request = op.FileDialogs()[0];
    EXPECT_EQ(request.kind, c.kind) << c.title;
    EXPECT_EQ(request.title, c.title);
    EXPECT_EQ(request.must_exist, c.must_exist) << c.title;
    EXPECT_EQ(request.confirm_overwrite, c.confirm_overwrite) << c.title;
    EXPECT_EQ(request.directory, "/tmp/start");
    EXPECT_EQ(request.filter_name, "Configuration Files");
    EXPECT_EQ(request.filter_pattern, "*.cfg");
    EXPECT_TRUE(op.Boxes().empty());
  }
}

TEST(ConfigFileDialog, CancelChoosesNothingAndALongPathIsRefusedNotCut) {
  ui::ScriptedOperator op;
  char name[16] = "kept";
  EXPECT_EQ(ConfigFileName(name, sizeof name, cfg_fileoption_load, nullptr), 0);
  EXPECT_EQ(op.FileDialogs().at(0).directory, "");

  const std::string long_path = "/tmp/sixteen/chars.cfg";
  op.AnswerFileDialog(long_path);
  EXPECT_EQ(ConfigFileName(name, sizeof name, cfg_fileoption_save, nullptr), 0);
  EXPECT_EQ(std::string(name).find("/tmp/sixteen"), std::string::npos);
  ASSERT_EQ(op.Boxes().size(), 1u);
  EXPECT_EQ(op.Boxes()[0].caption, "Error");
  EXPECT_NE(op.Boxes()[0].text.find(long_path), std::string::npos);
  // The longest path that fits, with its terminator, is taken whole.
  op.AnswerFileDialog("/tmp/fifteen.cf");
  EXPECT_EQ(ConfigFileName(name, sizeof name, cfg_fileoption_save, nullptr), 1);
  EXPECT_STREQ(name, "/tmp/fifteen.cf");
}

}  // namespace
