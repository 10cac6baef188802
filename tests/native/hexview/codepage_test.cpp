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

TEST(CodePage, ExactAndBestFitCharacters)
{
    // OEM 437 to Windows-1252: {OEM, ANSI}.
    const std::pair<std::uint8_t, std::uint8_t> toAnsi[] = {
        {0x80, 0xC7}, {0x9C, 0xA3}, {0xE1, 0xDF}, {0xFF, 0xA0}, // exact
        {0xC4, 0x2D}, // box drawing horizontal: best fit "-"
        {0xC5, 0x2B}, // box drawing cross: best fit "+"
        {0xB3, 0xA6}, // box drawing vertical: best fit broken bar
        {0xE3, 0x70}, // pi: best fit "p"
    };
    for (const auto& [oem, ansi] : toAnsi)
        EXPECT_EQ(ToAnsi(oem), ansi) << "OEM " << int(oem);

    // Windows-1252 to OEM 437: {ANSI, OEM}.
    const std::pair<std::uint8_t, std::uint8_t> toOem[] = {
        {0xC7, 0x80}, {0xA3, 0x9C}, {0xDF, 0xE1}, {0xA0, 0xFF}, // exact
        {0xC0, 0x41}, // A grave: best fit "A"
        {0x80, 0x3F}, // euro sign: none, "?"
        {0xA9, 0x63}, // copyright: best fit "c"
        {0xB6, 0x14}, // pilcrow: the OEM's own pilcrow
    };
    for (const auto& [ansi, oem] : toOem)
        EXPECT_EQ(ToOem(ansi), oem) << "ANSI " << int(ansi);
}

TEST(CodePage, AsciiStaysAndEveryExactOemCharacterComesBack)
{
    // Where OEM to ANSI finds the same character, ANSI to OEM must return it.
    int exact = 0;
    for (int c = 0; c < 0x100; ++c) {
        const auto ansi = ToAnsi(static_cast<std::uint8_t>(c));
        if (c < 0x80) {
            EXPECT_EQ(ansi, c);
            EXPECT_EQ(ToOem(static_cast<std::uint8_t>(c)), c);
        } else if (ansi >= 0x80 && ToOem(ansi) == c) {
            ++exact;
        }
    }
    // The characters above 0x7F that OEM 437 and Windows-1252 share.
    EXPECT_EQ(exact, 55);
}

} // namespace
} // namespace kelvo::platform
