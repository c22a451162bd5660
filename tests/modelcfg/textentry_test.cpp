#include "modelcfg/textentry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/modelcfg_dialogs.h"
#include "ui/dialog.h"
#include "ui/scripted_operator.h"

namespace {

using ui::ScriptedOperator;

textentry_struct Entry(int flags, const char* title, const char* text) {
  textentry_struct entry;
  entry.style_flags = flags;
  std::strcpy(entry.popup_title, title);
  std::strcpy(entry.entry_string, text);
  return entry;
}

TEST(TextEntry, OkTakesTheTitleEchoesStarsAndReturnsAtMost199Characters) {
  ScriptedOperator op;
  textentry_struct entry = Entry(textentry_password, "Define New Configuration Item", "abc");
  std::string typed;
  for (int n = 0; n < 300; ++n) typed += static_cast<char>('a' + n % 26);
  std::string title, shown_before, shown_after;
  op.WhenDialogOpens("Define New Configuration Item", [&](ui::Handle dialog) {
    title = ui::Title(dialog);
    shown_before = ui::ShownText(dialog, id_entry_text);
    ScriptedOperator::Type(dialog, id_entry_text, typed);
    shown_after = ui::ShownText(dialog, id_entry_text);
    ScriptedOperator::Press(dialog, ui::id_ok);
  });
  EXPECT_EQ(RunTextEntryDialog(ui::no_window, &entry), 1);
  EXPECT_EQ(title, "Define New Configuration Item");
  EXPECT_EQ(shown_before, "***");
  EXPECT_EQ(shown_after, std::string(300, '*'));
  EXPECT_EQ(std::string(entry.entry_string), typed.substr(0, 199));
}

TEST(TextEntry, CancelAndCloseLeaveTheEntryAsItWas) {
  for (const bool close : {false, true}) {
    ScriptedOperator op;
    textentry_struct entry = Entry(0, "Edit Configuration Item", "POWER   *HIGH / LOW");
    std::string shown;
    op.WhenDialogOpens("Edit Configuration Item", [&](ui::Handle dialog) {
      shown = ui::ShownText(dialog, id_entry_text);
      ScriptedOperator::Type(dialog, id_entry_text, "something else");
      if (close) {
        ui::Send(dialog, ui::msg_close);
      } else {
        ScriptedOperator::Press(dialog, ui::id_cancel);
      }
    });
    EXPECT_EQ(RunTextEntryDialog(ui::no_window, &entry), 0);
    EXPECT_EQ(shown, "POWER   *HIGH / LOW");
    EXPECT_STREQ(entry.entry_string, "POWER   *HIGH / LOW");
  }
}

}  // namespace
