// The modifier keys and mouse buttons held down, as the components' key and
// mouse events and the drop rules receive them.
#pragma once

#include <cstdint>

#include "common/enum_set.h"

namespace kelvo {

enum TShiftStateItem : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle };
using TShiftState = EnumSet<TShiftStateItem>;

} // namespace kelvo
