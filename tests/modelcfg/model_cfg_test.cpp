#include "modelcfg/model_cfg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modelcfg/table_fixture.h"

namespace {

using Strings = std::vector<std::string>;

Strings Options(int line) {
  const model_cfg_struct& entry = configuration_line[line];
  return Strings(entry.option, entry.option + entry.num_options);
}

TEST_F(LineTable, ParsesKeywordsOptionsAndTheMarkedOption) {
  const std::string seventy_nine(79, 'o');
  struct Case {
    std::string text, keyword;
    Strings options;
    int selected;
    int cut;
  } const cases[] = {
      {"LINE1 D / E / *F", "LINE1", {"D", "E", "F"}, 2, 0},
      {"POWER *HIGH,LOW", "POWER", {"HIGH", "LOW"}, 0, 0},
      {"KEY A,B/C", "KEY A,B/C", {}, -1, 0},
      {"KEY\t\t  value text", "KEY                     value text", {}, -1, 0},
      {"Hpa_SSA *YES Attenuator / NO Attenuator",
       "Hpa_SSA",
       {"YES_Attenuator", "NO_Attenuator"},
       0,
       0},
      {"hpa_ssa yes attenuator *No", "hpa_ssa", {"yes_Attenuator", "No_Attenuator"}, 1, 0},
      {"X *A / B", "X *A", {"B"}, -1, 0},
      {"; see *note", "; see", {"note"}, 0, 0},
      {"KEY *x / *y", "KEY", {"x", "y"}, 1, 0},
      {"*", "* ", {}, -1, 0},
      {"AB*", "AB*", {}, -1, 0},
      {"KEY *1 2 3 4 5 6 7 8 9 10 11 12",
       "KEY",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
       0,
       1},
      {"KEY *" + seventy_nine + "xyz", "KEY", {seventy_nine}, 0, 1},
      {"CAF\xC9 *\xE9t\xE9 / hiver", "CAF\xC9", {"\xE9t\xE9", "hiver"}, 0, 0},
      {std::string(300, 'p'), std::string(250, 'p'), {}, -1, 1},
      {"\t" + std::string(249, 'x'), std::string(24, ' ') + std::string(231, 'x'), {}, -1, 1},
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    ASSERT_EQ(Add(c.text), 0) << c.text;
    const model_cfg_struct& entry = configuration_line[0];
    EXPECT_EQ(entry.keyword, c.keyword) << c.text;
    EXPECT_EQ(Options(0), c.options) << c.text;
    EXPECT_EQ(entry.selected, c.selected) << c.text;
    EXPECT_EQ(entry.new_selection, -1) << c.text;
    EXPECT_EQ(entry.sent, modelcfg_status_unsent) << c.text;
    EXPECT_EQ(LastCfgLineWasCut(), c.cut) << c.text;
  }
}

TEST_F(LineTable, FormatsFileAndDisplayForms) {
  struct Case {
    std::string text;
    int new_selection;
    std::string file_form, display_form;
  } const cases[] = {
      {"POWER *HIGH,LOW", -1, "POWER               \t*HIGH / LOW",
       "POWER                     *HIGH / LOW"},
      {"ABC", -1, "ABC                 ", "ABC                 "},
      {"MODE A / *B / C", 2, "MODE                \tA / B / *C",
       "MODE                      A / B / *C"},
      {"Hpa_SSA *YES Attenuator / NO", -1, "Hpa_SSA             \t*YES_Attenuator / NO_Attenuator",
       "Hpa_SSA                   *YES_Attenuator / NO_Attenuator"},
      {"A_KEYWORD_LONGER_THAN_20 *on", -1, "A_KEYWORD_LONGER_THAN_20\t*on",
       "A_KEYWORD_LONGER_THAN_20      *on"},
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    ASSERT_EQ(Add(c.text), 0);
    configuration_line[0].new_selection = c.new_selection;
    EXPECT_EQ(Format(0, 1), c.file_form);
    EXPECT_EQ(Format(0, 0), c.display_form);
  }
}

TEST_F(LineTable, InsertsAppendsAndRefusesNonLines) {
  EXPECT_EQ(Add("B"), 0);
  EXPECT_EQ(Add("D", 7), 1);  // past the end: appended
  EXPECT_EQ(Add("A", 0), 0);
  EXPECT_EQ(Add("C", 2), 2);
  EXPECT_EQ(Add("before all", -3), 0);
  EXPECT_EQ(Add(""), cfg_not_a_line);
  EXPECT_EQ(Add(" ,\t, "), cfg_not_a_line);
  EXPECT_EQ(Add("\x1A"
                "EOF"),
            cfg_not_a_line);
  EXPECT_EQ(Keywords(), (Strings{"before all", "A", "B", "C", "D"}));
}

TEST_F(LineTable, HundredthLineIsAppendedAndAFullTableRefusesInsertion) {
  for (int i = 0; i < 99; ++i) ASSERT_EQ(Add("L" + std::to_string(i)), i);
  EXPECT_EQ(Add("L99"), 99);
  EXPECT_EQ(total_cfg_lines, 100);
  EXPECT_EQ(Add("L100"), cfg_table_full);
  EXPECT_EQ(Add("TOP", 0), cfg_table_full);
  EXPECT_EQ(Add("   "), cfg_not_a_line);
  EXPECT_EQ(total_cfg_lines, 100);
  EXPECT_STREQ(configuration_line[0].keyword, "L0");
  EXPECT_STREQ(configuration_line[99].keyword, "L99");
}

TEST_F(LineTable, DeletesShiftsAndMovesWholeLines) {
  struct Case {
    const char* operation;
    int line, target;
    Strings expected;
  } const cases[] = {
      {"move", 1, 4, {"A", "C", "D", "B", "E"}},
      {"move", 4, 1, {"A", "E", "B", "C", "D"}},
      {"move", 2, 2, {"A", "B", "C", "D", "E"}},
      {"move", 2, 3, {"A", "B", "C", "D", "E"}},
      {"move", 0, 5, {"B", "C", "D", "E", "A"}},
      {"move", 3, 0, {"D", "A", "B", "C", "E"}},
      {"move", 1, 6, {"A", "B", "C", "D", "E"}},
      {"shift up", 2, 0, {"A", "C", "B", "D", "E"}},
      {"shift up", 0, 0, {"A", "B", "C", "D", "E"}},
      {"shift down", 1, 0, {"A", "C", "B", "D", "E"}},
      {"shift down", 4, 0, {"A", "B", "C", "D", "E"}},
      {"delete", 0, 0, {"B", "C", "D", "E"}},
      {"delete", 4, 0, {"A", "B", "C", "D"}},
      {"delete", 5, 0, {"A", "B", "C", "D", "E"}},
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    for (const char* keyword : {"A", "B", "C", "D", "E"}) Add(keyword);
    configuration_line[c.line < 5 ? c.line : 0].sent = modelcfg_status_sent;
    const std::string moved = configuration_line[c.line < 5 ? c.line : 0].keyword;
    const std::string operation = c.operation;
    if (operation == "move") MoveModelCfgOption(c.line, c.target);
    if (operation == "shift up") ShiftModelCfgLine(c.line, 1);
    if (operation == "shift down") ShiftModelCfgLine(c.line, 0);
    if (operation == "delete") DeleteModelCfgLine(c.line);
    EXPECT_EQ(Keywords(), c.expected) << c.operation << " " << c.line << " " << c.target;
    for (int i = 0; i < total_cfg_lines; ++i) {
      // The status travels with its line.
      EXPECT_EQ(configuration_line[i].sent == modelcfg_status_sent,
                configuration_line[i].keyword == moved)
          << c.operation << " " << c.line;
    }
  }
}

TEST_F(LineTable, SampleLinesComeInOrder) {
  DefineDummyConfigurationLines();
  EXPECT_EQ(Keywords(), (Strings{"LINE1", "LINE2", "LINE3", "LINE4", "LINE5"}));
  EXPECT_EQ(configuration_line[0].selected, 2);
  EXPECT_EQ(Options(4), (Strings{"A", "B", "C"}));
}

}  // namespace
