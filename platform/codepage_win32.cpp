// ANSI/OEM conversion through the system's own functions, which translate in
// place when source and destination are the same buffer.
#include <windows.h>

#include "platform/codepage.h"

#include <algorithm>
#include <cstddef>

namespace kelvo::platform {

namespace {

// The system functions take a DWORD length: convert in pieces that fit it.
constexpr std::size_t kPiece = 0x40000000;

} // namespace

void ConvertOemToAnsi(std::span<std::uint8_t> buffer)
{
    for (std::size_t done = 0; done < buffer.size(); done += kPiece) {
        const auto count = static_cast<DWORD>(std::min(kPiece, buffer.size() - done));
        auto* text = reinterpret_cast<char*>(buffer.data() + done);
        OemToCharBuffA(text, text, count);
    }
}

void ConvertAnsiToOem(std::span<std::uint8_t> buffer)
{
    for (std::size_t done = 0; done < buffer.size(); done += kPiece) {
        const auto count = static_cast<DWORD>(std::min(kPiece, buffer.size() - done));
        auto* text = reinterpret_cast<char*>(buffer.data() + done);
        CharToOemBuffA(text, text, count);
    }
}

} // namespace kelvo::platform
