// Win32 implementation of the millisecond clock.
#include "platform/clock.h"

#include <windows.h>

namespace kelvo::platform {

std::uint32_t TickCount() { return GetTickCount(); }

} // namespace kelvo::platform
