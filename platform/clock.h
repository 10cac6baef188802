// The system's millisecond clock.
#pragma once

#include <cstdint>

namespace kelvo::platform {

// Milliseconds since an arbitrary fixed moment (the system's start on
// Windows); never goes back, wraps round after 2^32 milliseconds.
std::uint32_t TickCount();

} // namespace kelvo::platform
