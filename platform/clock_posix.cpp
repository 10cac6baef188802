// POSIX implementation of the millisecond clock: the monotonic clock.
#include "platform/clock.h"

#include <ctime>

namespace kelvo::platform {

std::uint32_t TickCount()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

} // namespace kelvo::platform
