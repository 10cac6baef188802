// Conversion between the system's ANSI code page and its OEM (DOS) code page,
// in place, byte for byte. Characters without an equivalent become the
// closest look-alike or "?", as the system's own conversion does.
#pragma once

#include <cstdint>
#include <span>

// <windows.h> defines these names as macros for its old single-string
// functions; ours take their place in files that include both (include
// <windows.h> first).
#undef OemToAnsi
#undef AnsiToOem

namespace kelvo::platform {

void OemToAnsi(std::span<std::uint8_t> buffer);
void AnsiToOem(std::span<std::uint8_t> buffer);

} // namespace kelvo::platform
