#include "config/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

// Under a comma locale when there is one: the results must not follow it.
class NumberText : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "de_DE.UTF-8"); }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

struct fixed_format {
  int width, precision;
  bool zero_fill;
};

std::string Printf(fixed_format format, double value) {
  char text[64];
  if (format.precision == 2) {
    std::snprintf(text, sizeof text, "%05.2f", value);
  } else if (format.zero_fill) {
    std::snprintf(text, sizeof text, "%04.1f", value);
  } else {
    std::snprintf(text, sizeof text, "%4.1f", value);
  }
  return text;
}

TEST_F(NumberText, FixedIsWhatPrintfWritesInTheCLocale) {
  const double values[] = {0.0,   -0.0,  5.0,    -5.0, 27.0,       12.55,  0.05,
                           -0.05, 99.95, 999.95, 1e20, 123456.789, -1234.5};
  const fixed_format formats[] = {{4, 1, true}, {4, 1, false}, {5, 2, true}};
  std::vector<std::string> written, expected;
  for (const fixed_format format : formats) {
    for (const double value : values) {
      char text[64];
      FormatFixed(text, sizeof text, value, format.width, format.precision, format.zero_fill);
      written.push_back(text);
    }
  }
  std::setlocale(LC_ALL, "C");
  for (const fixed_format format : formats) {
    for (const double value : values) expected.push_back(Printf(format, value));
  }
  EXPECT_EQ(written, expected);
}

TEST_F(NumberText, FixedIsCutToTheBuffer) {
  char text[4];
  EXPECT_EQ(FormatFixed(text, sizeof text, 123.25, 0, 2, false), 3);
  EXPECT_STREQ(text, "123");
}

TEST_F(NumberText, LeadingNumberReadsLikeStrtodWithoutTheLocale) {
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"27.0", 27.0},        {"12.5", 12.5},  {" 5.0", 5.0},   {"-0.5", -0.5}, {"+3", 3.0},
      {"27,5", 27.0},        {".5", 0.5},     {"12.5x", 12.5}, {"9e99", 9e99}, {"1e999", infinity},
      {"-1e999", -infinity}, {"1e-999", 0.0}, {"", 0.0},       {"x1", 0.0},    {"inf", 0.0},
      {"nan", 0.0},          {"-", 0.0},      {".", 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
