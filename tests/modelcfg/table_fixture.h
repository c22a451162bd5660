// A fresh, empty line table measured on a recording context.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modelcfg/model_cfg.h"
#include "modelcfg/recording_context.h"

class LineTable : public ::testing::Test {
 protected:
  void SetUp() override {
    total_cfg_lines = 0;
    screen_compatible_dc = &measure;
  }
  void TearDown() override {
    total_cfg_lines = 0;
    screen_compatible_dc = nullptr;
  }
  static int Add(const std::string& text, int location = max_cfg_lines) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return AddModelCfgLine(location, buffer.data());
  }
  static std::string Format(int line, int use_tabs) {
    char text[1024];
    FormatModelCfgLine(text, line, use_tabs);
    return text;
  }
  static std::vector<std::string> Keywords() {
    std::vector<std::string> keywords;
    for (int i = 0; i < total_cfg_lines; ++i) keywords.push_back(configuration_line[i].keyword);
    return keywords;
  }
  recording_context measure;
};
