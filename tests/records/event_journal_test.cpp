// The run's journal stays bounded, and what it may never drop it keeps.
#include <gtest/gtest.h>

#include <algorithm>

#include "records/event_journal.h"

namespace {

TEST(EventJournal, StaysBoundedKeepingTheNewestAndEveryAlertNotAcknowledged) {
  JournalClear();
  const std::int64_t kept_alert = JournalAdd('A', "fault_raised", "Fault raised", true);
  const std::int64_t seen_alert = JournalAdd('A', "alarm_raised", "Alarm raised", true);
  EXPECT_TRUE(JournalAcknowledge(seen_alert));
  std::int64_t last = 0;
  for (std::size_t n = 0; n < journal_limit + 10; ++n) last = JournalAdd('B', "hv_on", "On");

  const std::vector<journal_event>& events = JournalEvents();
  EXPECT_LE(events.size(), journal_limit);
  EXPECT_GT(events.size(), journal_limit * 8 / 10);
  EXPECT_EQ(events.back().id, last);
  EXPECT_EQ(events.front().id, kept_alert);
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [&](const journal_event& e) { return e.id == seen_alert; }),
            0);
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                             [](const journal_event& a, const journal_event& b) {
                               return a.id < b.id;
                             }));
  EXPECT_EQ(JournalUnacknowledged(), 1);
  JournalClear();
}

}  // namespace
