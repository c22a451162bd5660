// Millisecond timing of the device link: the shared link timer that every
// transmission restarts, interval tests against it, and a small stopwatch.
#pragma once

#include <cstdint>

// One raw counter reading. The first word holds the low 32 bits of the
// reading; every elapsed-time computation uses that word only.
union BITS64 {
  struct {
    std::uint32_t upper;
    std::uint32_t lower;
  } l;
  double f;
};

extern std::int32_t system_timer_freq;  // counter ticks per second; 0: unknown or no counter
extern BITS64 pt_start_time;            // start of the shared link timer
extern int timer_warning_pending;       // 1 until the missing-counter warning has been shown

// The application's message box, for the one warning about a missing counter.
void SetTimerWarningHandler(void (*handler)(const char* text, const char* caption));

// Learns the counter frequency once.
void CheckSystemTimerInit();
// msec_interval 0 restarts the link timer and returns 0. Otherwise 1 when at
// least msec_interval ms have passed since start_time (a GetStartTimer value,
// normally pt_start_time.l.upper). Without a counter every call sleeps 50 ms
// and counts as 50 ms since the last restart; start_time is then unused.
int PastTime(int msec_interval, std::uint32_t start_time);
// The low 32 bits of the counter now (0 without a counter).
std::uint32_t GetStartTimer();
// Whole milliseconds since the link timer was restarted; 2147483647 without a counter.
std::int32_t PastTimeExpiredMsec();

class stopwatch_class {
 public:
  explicit stopwatch_class(std::int32_t interval);
  // Restarts; an interval of 0 keeps the previous one.
  void Reset(std::int32_t interval);
  // 1 while the interval has not yet passed. Without a counter it never
  // waits, so that whatever it paces goes on rather than stopping for good.
  int Waiting();

  BITS64 start_time{};
  std::int32_t msec_interval = 0;
};
