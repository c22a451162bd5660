// events.txt: one line per journal event, appended only, nothing lost while it
// cannot be written.
#include "app/events_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "records/event_journal.h"
#include "test_support.h"

namespace {

std::vector<std::string> problems;
void RecordProblem(const std::string& problem) {
  problems.push_back(problem);
}

class EventsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    JournalClear();
    problems.clear();
    StartEventsFile(RecordProblem);
  }
  void TearDown() override {
    StopEventsFile();
    JournalClear();
  }
  static void Add(const std::string& text) {
    journal_event event;
    event.time_ms = 1796743800123;
    event.address = 'A';
    event.kind = "fault_raised";
    event.text = text;
    JournalAddEvent(event);
  }
  ScratchDirectory directory;
};

TEST_F(EventsFile, EveryFieldHasItsPlaceWhateverTheTextHolds) {
  journal_event event;
  event.time_ms = 1796743800123;
  event.address = 7;
  event.part = "305-4120-025";
  event.serial = "12345";
  event.kind = "config_send_failed";
  event.text = "Send\tconfiguration\r\nA.cfg: failed";
  EXPECT_EQ(EventLine(event),
            "2026-12-08T15:30:00.123Z\t07\t305-4120-025\t12345\tconfig_send_failed\t"
            "Send configuration  A.cfg: failed\r\n");
  event.address = -1;
  event.part = event.serial = "";
  event.time_ms = 5;
  event.text = "x";
  EXPECT_EQ(EventLine(event), "1970-01-01T00:00:00.005Z\t\t\t\tconfig_send_failed\tx\r\n");
}

TEST_F(EventsFile, OnlyGrowsAcrossRestartsAndCatchesUpAfterAnOutage) {
  directory.Write("events.txt", "earlier run\r\n");
  Add("one");
  StopEventsFile();
  StartEventsFile(RecordProblem);  // a console started again
  Add("two");
  const std::string line = "2026-12-08T15:30:00.123Z\tA\t\t\tfault_raised\t";
  std::string expected = "earlier run\r\n" + line + "one\r\n" + line + "two\r\n";
  EXPECT_EQ(directory.Read("events.txt"), expected);

  // A directory in the file's place: reported once, every event kept.
  std::filesystem::rename(directory.File("events.txt"), directory.File("saved.txt"));
  std::filesystem::create_directory(directory.File("events.txt"));
  Add("three");
  Add("four");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find(directory.File("events.txt")), std::string::npos) << problems[0];
  EXPECT_EQ(EventsFileWaiting(), 2u);

  std::filesystem::remove(directory.File("events.txt"));
  std::filesystem::rename(directory.File("saved.txt"), directory.File("events.txt"));
  Add("five");
  expected += line + "three\r\n" + line + "four\r\n" + line + "five\r\n";
  EXPECT_EQ(directory.Read("events.txt"), expected);
  EXPECT_EQ(EventsFileWaiting(), 0u);
  EXPECT_EQ(problems.size(), 1u);

  // A full disk is another outage, told once again.
  std::filesystem::rename(directory.File("events.txt"), directory.File("saved.txt"));
  std::filesystem::create_symlink("/dev/full", directory.File("events.txt"));
  Add("six");
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[1].find("No space"), std::string::npos) << problems[1];
  std::filesystem::remove(directory.File("events.txt"));
  std::filesystem::rename(directory.File("saved.txt"), directory.File("events.txt"));
  Add("seven");
  EXPECT_EQ(directory.Read("events.txt"), expected + line + "six\r\n" + line + "seven\r\n");
}

}  // namespace
