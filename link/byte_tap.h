// Every byte that crosses the device link, with the time it crossed, for the
// traffic console, logs and tests.
#pragma once

#include <cstddef>
#include <cstdint>

enum class TapDirection { sent, received };

// The link counter in milliseconds (0 without a counter): the clock every
// tapped byte is stamped with.
std::uint64_t TapClockMsec();

// msec: TapClockMsec() when the bytes crossed.
using TapListener = void (*)(void* context, TapDirection direction, const unsigned char* bytes,
                             std::size_t count, std::uint64_t msec);

// false when all listener places are taken.
bool AddTapListener(TapListener listener, void* context);
void RemoveTapListener(TapListener listener, void* context);
void TapBytes(TapDirection direction, const unsigned char* bytes, std::size_t count);
