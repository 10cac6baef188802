// Conversion between the system's ANSI code page and its OEM (DOS) code page,
// in place, byte for byte. Characters without an equivalent become the
// closest look-alike or "?", as the system's own conversion does.
// And UTF-16 text into the ANSI code page.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvo::platform {

void ConvertOemToAnsi(std::span<std::uint8_t> buffer);
void ConvertAnsiToOem(std::span<std::uint8_t> buffer);

// UTF-16 text in the ANSI code page. A character the code page lacks becomes
// one "?" (a surrogate pair counts as one character); there is no look-alike
// substitution, so a file name never turns into the name of another file.
std::string WideToAnsi(std::u16string_view text);

} // namespace kelvo::platform
