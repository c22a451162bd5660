#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "modelcfg/cfg_colours.h"
#include "modelcfg/model_cfg.h"
#include "modelcfg/table_fixture.h"
#include "records/program_state.h"

namespace {

void ExpectRect(const ui::Rect& actual, const ui::Rect& expected) {
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);
}

// The edges drawn besides the frames of the line's buttons.
std::vector<recording_context::rect_call> ContentEdges(const recording_context& dc) {
  const model_cfg_struct& entry = configuration_line[0];
  std::vector<recording_context::rect_call> edges;
  for (const auto& edge : dc.edges) {
    if (edge.rect.left != entry.send_button.r.left &&
        edge.rect.left != entry.delete_button.r.left) {
      edges.push_back(edge);
    }
  }
  return edges;
}

int LineHeight(int content) {
  return std::max(content, 2 * ui::SystemMetric(ui::Metric::scroll_arrow_height) + 8) + 2;
}

TEST_F(LineTable, ParsingMeasuresTheLine) {
  ASSERT_EQ(Add("POWER *HIGH,LOW"), 0);
  const model_cfg_struct& entry = configuration_line[0];
  // 7 x 13 characters: keyword 35 wide, options 28 and 21.
  ExpectRect(entry.keyword_rect, {2, 0, 43, 15});
  ExpectRect(entry.option_rect[0], {60, 15, 117, 28});
  ExpectRect(entry.option_rect[1], {60, 28, 110, 41});
  EXPECT_EQ(entry.size_y, LineHeight(41));
  // Content 117, Delete 54, Send 40, and 18 between and around them.
  EXPECT_EQ(entry.min_x, 117 + 54 + 40 + 18);
  EXPECT_EQ(entry.send_button.enabled, 0);

  factory_mode = 1;
  Add("FACTORY");
  factory_mode = 0;
  EXPECT_EQ(configuration_line[1].send_button.enabled, 1);
  EXPECT_EQ(configuration_line[1].size_y, LineHeight(15));
}

TEST_F(LineTable, DrawsThePickByTheLineStatusAndAPressedKeyword) {
  constexpr ui::Colour normal = cfg_text_colour;
  struct Case {
    modelcfg_status_enum sent;
    int new_selection;
    ui::Colour option_colour;
    int edges;  // around the picked option: -1 none, 0 raised, 1 sunken
    ui::Colour send_face;
  } const cases[] = {
      {modelcfg_status_unsent, 1, cfg_green, 0, cfg_green},
      {modelcfg_status_failed, 1, cfg_yellow, 0, cfg_green},
      {modelcfg_status_sent, 1, normal, 1, normal},
      {modelcfg_status_edited, 1, normal, -1, cfg_green},
      {modelcfg_status_unsent, -1, normal, -1, normal},
      {modelcfg_status_unsent, 0, normal, -1, normal},  // the pick is what is in force
  };
  for (const Case& c : cases) {
    total_cfg_lines = 0;
    Add("POWER *HIGH,LOW");
    model_cfg_struct& entry = configuration_line[0];
    entry.sent = c.sent;
    entry.new_selection = c.new_selection;
    recording_context dc;
    const int height = ShowCfgLine(dc, 0, 100, 500);
    EXPECT_EQ(height, entry.size_y);
    ExpectRect(entry.box, {0, 100, 500, 100 + height});
    ASSERT_FALSE(dc.fills.empty());
    ExpectRect(dc.fills[0].rect, {1, 100, 500, 100 + height});
    EXPECT_EQ(dc.fills[0].colour, cfg_line_colour);
    ASSERT_NE(dc.FindText("LOW"), nullptr);
    EXPECT_EQ(dc.FindText("LOW")->colour, c.option_colour) << c.sent;
    EXPECT_EQ(dc.FindText("LOW")->x, 60 + 13 + 6);
    EXPECT_EQ(dc.FindText("HIGH")->colour, normal);
    const auto edges = ContentEdges(dc);
    ASSERT_EQ(edges.size(), c.edges < 0 ? 0u : 1u) << c.sent;
    if (!edges.empty()) {
      ExpectRect(edges[0].rect, entry.option_rect[1]);
      EXPECT_EQ(static_cast<int>(edges[0].colour), c.edges);
    }
    EXPECT_EQ(entry.send_button.face_color, c.send_face) << c.sent;
    EXPECT_EQ(entry.delete_button.r.right, 492);
    EXPECT_EQ(entry.send_button.r.right, entry.delete_button.r.left - 6);
  }
  // A pressed keyword sinks, and its text with it.
  configuration_line[0].keyword_pressed = 1;
  recording_context dc;
  ShowCfgLine(dc, 0, 0, 400);
  ASSERT_EQ(ContentEdges(dc).size(), 1u);
  ExpectRect(ContentEdges(dc)[0].rect, configuration_line[0].keyword_rect);
  EXPECT_EQ(dc.FindText("POWER")->x, 5);
  EXPECT_EQ(dc.FindText("POWER")->y, 1);
}

}  // namespace
