// The POSIX ANSI/OEM conversion: Windows-1252 and OEM 437 as the Windows
// conversion treats them.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace kelvo::platform {
namespace {

std::uint8_t ToAnsi(std::uint8_t oem)
{
    ConvertOemToAnsi(std::span(&oem, 1));
    return oem;
}

std::uint8_t ToOem(std::uint8_t ansi)
{
    ConvertAnsiToOem(std::span(&ansi, 1));
    return ansi;
}

TEST(CodePage, ExactAndBestFitCharactersAndRoundTrips)
{
    // {OEM, ANSI}: exact, then box drawing and pi in their best fit.
    for (const auto& [oem, ansi] : {std::pair<int, int>{0x80, 0xC7}, {0xE1, 0xDF}, {0xFF, 0xA0}, {0xC4, '-'},
                                    {0xC5, '+'}, {0xB3, 0xA6}, {0xE3, 'p'}})
        EXPECT_EQ(ToAnsi(oem), ansi) << "OEM " << oem;
    // {ANSI, OEM}: exact, A grave as "A", euro as "?", copyright "c", pilcrow the OEM's own.
    for (const auto& [ansi, oem] : {std::pair<int, int>{0xC7, 0x80}, {0xA0, 0xFF}, {0xC0, 'A'}, {0x80, '?'},
                                    {0xA9, 'c'}, {0xB6, 0x14}})
        EXPECT_EQ(ToOem(ansi), oem) << "ANSI " << ansi;
    // ASCII stays; where OEM to ANSI finds the same character, ANSI to OEM returns it.
    int exact = 0;
    for (int c = 0; c < 0x100; ++c) {
        const auto ansi = ToAnsi(static_cast<std::uint8_t>(c));
        if (c < 0x80) {
            EXPECT_EQ(ansi, c);
            EXPECT_EQ(ToOem(static_cast<std::uint8_t>(c)), c);
        } else {
            exact += ansi >= 0x80 && ToOem(ansi) == c;
        }
    }
    EXPECT_EQ(exact, 55); // the characters above 0x7F that OEM 437 and Windows-1252 share
}

} // namespace
} // namespace kelvo::platform
