// ANSI/OEM conversion through the system's own functions, which translate in
// place when source and destination are the same buffer; UTF-16 to ANSI
// through WideCharToMultiByte.
#include <windows.h>

#include "platform/codepage.h"

#include <algorithm>
#include <cstddef>

namespace kelvo::platform {

namespace {

// The system functions take a DWORD length: convert in pieces that fit it.
constexpr std::size_t kPiece = 0x40000000;
// WideCharToMultiByte takes and gives int lengths, and a character may take
// two bytes in a double-byte code page.
constexpr std::size_t kWidePiece = 0x10000000;

} // namespace

void ConvertOemToAnsi(std::span<std::uint8_t> buffer)
{
    for (std::size_t done = 0; done < buffer.size(); done += kPiece) {
        const auto count = static_cast<DWORD>(std::min(kPiece, buffer.size() - done));
        auto* text = reinterpret_cast<char*>(buffer.data() + done);
        OemToCharBuffA(text, text, count);
    }
}

void AnsiLowerCase(std::span<std::uint8_t> buffer)
{
    for (std::size_t done = 0; done < buffer.size(); done += kPiece) {
        const auto count = static_cast<DWORD>(std::min(kPiece, buffer.size() - done));
        CharLowerBuffA(reinterpret_cast<char*>(buffer.data() + done), count);
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

std::string WideToAnsi(std::u16string_view text)
{
    std::string result;
    for (std::size_t done = 0; done < text.size();) {
        std::size_t count = std::min(kWidePiece, text.size() - done);
        // A surrogate pair stays in one piece.
        if (done + count < text.size() && IS_HIGH_SURROGATE(text[done + count - 1]))
            --count;
        const auto* piece = reinterpret_cast<const wchar_t*>(text.data() + done);
        const int wideCount = static_cast<int>(count);
        const int length =
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, piece, wideCount, nullptr, 0, nullptr, nullptr);
        const std::size_t at = result.size();
        result.resize(at + static_cast<std::size_t>(length));
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, piece, wideCount, result.data() + at, length, nullptr,
                            nullptr);
        done += count;
    }
    return result;
}

std::u16string AnsiToWide(std::string_view text)
{
    std::u16string result;
    for (std::size_t done = 0; done < text.size();) {
        std::size_t count = std::min(kWidePiece, text.size() - done);
        // A double-byte character stays in one piece.
        if (done + count < text.size() && IsDBCSLeadByte(static_cast<BYTE>(text[done + count - 1])))
            --count;
        const char* piece = text.data() + done;
        const int ansiCount = static_cast<int>(count);
        const int length = MultiByteToWideChar(CP_ACP, 0, piece, ansiCount, nullptr, 0);
        const std::size_t at = result.size();
        result.resize(at + static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, piece, ansiCount, reinterpret_cast<wchar_t*>(result.data() + at), length);
        done += count;
    }
    return result;
}

} // namespace kelvo::platform
