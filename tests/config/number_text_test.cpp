#include "config/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

// "%04.1f", "%4.1f" and "%05.2f" as printf writes them in the C locale.
std::vector<std::string> Printed(const std::vector<double>& values) {
  std::vector<std::string> printed;
  char text[128];
  for (const double value : values) {
    std::snprintf(text, sizeof text, "%04.1f|%4.1f|%05.2f", value, value, value);
    printed.push_back(text);
  }
  return printed;
}

TEST(NumberText, FixedIsWhatPrintfWritesInTheCLocale) {
  const std::vector<double> values = {0.0,   -0.0,  5.0,    -5.0, 27.0,       12.55,  0.05,
                                      -0.05, 99.95, 999.95, 1e20, 123456.789, -1234.5};
  // Written under a comma locale when there is one: it must not matter.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  std::vector<std::string> written;
  for (const double value : values) {
    char a[64], b[64], c[64];
    FormatFixed(a, sizeof a, value, 4, 1, true);
    FormatFixed(b, sizeof b, value, 4, 1, false);
    FormatFixed(c, sizeof c, value, 5, 2, true);
    written.push_back(std::string(a) + "|" + b + "|" + c);
  }
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(written, Printed(values));
  char cut[4];
  EXPECT_EQ(FormatFixed(cut, sizeof cut, 123.25, 0, 2, false), 3);
  EXPECT_STREQ(cut, "123");
}

TEST(NumberText, LeadingNumberReadsLikeStrtodWithoutTheLocale) {
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"27.0", 27.0},      {" 5.0", 5.0},         {"-0.5", -0.5},  {"+3", 3.0},
      {"27,5", 27.0},      {".5", 0.5},           {"12.5x", 12.5}, {"9e99", 9e99},
      {"1e999", infinity}, {"-1e999", -infinity}, {"1e-999", 0.0}, {"", 0.0},
      {"x1", 0.0},         {"inf", 0.0},          {"nan", 0.0},    {".", 0.0},
  };
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
  std::setlocale(LC_ALL, "C");
}

}  // namespace
