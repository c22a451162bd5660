// Making the application must not hand the user's decimal comma to the C library.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "ui/window.h"

namespace {

TEST(Application, KeepsCNumbersUnderTheUsersLocale) {
  if (QApplication::instance()) GTEST_SKIP() << "an earlier test made the application";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not generated";
  std::setlocale(LC_ALL, "C");
  // Only this process sees it, and only the application's start reads it.
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  ui::InitApplication(0, nullptr);
  // The rest of the user's locale is taken; only the numbers keep C conventions.
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "de_DE.UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[8];
  std::snprintf(text, sizeof text, "%.1f", 27.0);
  EXPECT_STREQ(text, "27.0");
}

}  // namespace
