// The operating system's clock behind platform::ReadCounter (one
// implementation per operating system).
#pragma once

#include <cstdint>

namespace platform {

std::uint64_t SystemCounter();
std::int64_t SystemCounterFrequency();

}  // namespace platform
