// Conversion between the system's ANSI code page and its OEM (DOS) code page,
// in place, byte for byte. Characters without an equivalent become the
// closest look-alike or "?", as the system's own conversion does.
// And UTF-16 text into the ANSI code page and back.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvo::platform {

void ConvertOemToAnsi(std::span<std::uint8_t> buffer);
void ConvertAnsiToOem(std::span<std::uint8_t> buffer);

// Lower-cases ANSI text in place, as the system does for its ANSI code page.
void AnsiLowerCase(std::span<std::uint8_t> buffer);

// UTF-16 text in the ANSI code page. Characters the code page lacks become
// "?", never a look-alike, so a file name cannot turn into the name of
// another file.
std::string WideToAnsi(std::u16string_view text);

// ANSI text in UTF-16.
std::u16string AnsiToWide(std::string_view text);

} // namespace kelvo::platform
