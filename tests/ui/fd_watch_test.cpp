// A readable descriptor becomes one posted message until the watch is re-armed.
#include "ui/fd_watch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "ui_test_support.h"

namespace {

constexpr unsigned msg_readable = ui::msg_user + 7;

TEST(FdWatch, PostsOncePerArmingAndEndsWithItsWindow) {
  ui_test::RegisterRecorder();
  ui_test::Log().clear();
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const ui::Handle window =
      ui::CreateWindowOf("Recorder", "", ui::style_overlapped, 0, 0, 50, 50, ui::no_window);
  const unsigned watch = ui::WatchReadable(ends[0], window, msg_readable);
  ui::RunFor(30);
  EXPECT_EQ(ui_test::CountOf(window, msg_readable), 0);

  // Unread bytes do not flood the queue: one message until re-armed.
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  ui::RunFor(50);
  EXPECT_EQ(ui_test::CountOf(window, msg_readable), 1);
  ui::RearmWatch(watch);
  ui::RunFor(50);
  EXPECT_EQ(ui_test::CountOf(window, msg_readable), 2);
  EXPECT_EQ(ui_test::Log().back().word, watch);

  char byte;
  ASSERT_EQ(read(ends[0], &byte, 1), 1);
  ui::RearmWatch(watch);
  ui::RunFor(30);
  EXPECT_EQ(ui_test::CountOf(window, msg_readable), 2);

  ui::Destroy(window);
  ASSERT_EQ(write(ends[1], "y", 1), 1);
  ui::RunFor(30);
  ui::RearmWatch(watch);
  ui::StopWatch(watch);
  close(ends[0]);
  close(ends[1]);
}

}  // namespace
