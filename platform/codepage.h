// Conversion between the system's ANSI code page and its OEM (DOS) code page,
// in place, byte for byte. Characters without an equivalent become the
// closest look-alike or "?", as the system's own conversion does.
#pragma once

#include <cstdint>
#include <span>

namespace kelvo::platform {

void ConvertOemToAnsi(std::span<std::uint8_t> buffer);
void ConvertAnsiToOem(std::span<std::uint8_t> buffer);

} // namespace kelvo::platform
