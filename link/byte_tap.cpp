#include "link/byte_tap.h"

#include "platform/counter.h"

namespace {

struct Listener {
  TapListener listener;
  void* context;
};

constexpr int listener_places = 4;
Listener listeners[listener_places]{};
int listener_count = 0;

}  // namespace

std::uint64_t TapClockMsec() {
  const std::int64_t frequency = platform::CounterFrequency();
  if (frequency <= 0) return 0;
  const std::uint64_t ticks = platform::ReadCounter();
  const auto per_second = static_cast<std::uint64_t>(frequency);
  return ticks / per_second * 1000 + ticks % per_second * 1000 / per_second;
}

bool AddTapListener(TapListener listener, void* context) {
  for (Listener& place : listeners) {
    if (!place.listener) {
      place = {listener, context};
      ++listener_count;
      return true;
    }
  }
  return false;
}

void RemoveTapListener(TapListener listener, void* context) {
  for (Listener& place : listeners) {
    if (place.listener == listener && place.context == context) {
      place = {};
      --listener_count;
    }
  }
}

void TapBytes(TapDirection direction, const unsigned char* bytes, std::size_t count) {
  if (listener_count == 0) return;
  const std::uint64_t msec = TapClockMsec();
  // Places stay where they are, so a listener may remove itself while called.
  for (const Listener& place : listeners) {
    if (place.listener) place.listener(place.context, direction, bytes, count, msec);
  }
}
