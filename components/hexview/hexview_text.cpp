#include "components/hexview/hexview_text.h"

#include <cstring>
#include <initializer_list>
#include <span>
#include <utility>

#include "platform/codepage.h"

namespace kelvo {

namespace {

using Pair = std::pair<std::uint8_t, std::uint8_t>;

constexpr std::array<std::uint8_t, 128> InvertHigh(const std::array<std::uint8_t, 128>& table)
{
    std::array<std::uint8_t, 128> inverse{};
    for (std::size_t i = 0; i < table.size(); ++i)
        inverse[table[i] - 0x80] = static_cast<std::uint8_t>(0x80 + i);
    return inverse;
}

// A 256-entry table from single pairs and runs of consecutive codes
// (first source, first target, length); 0 elsewhere.
struct Run {
    std::uint8_t from;
    std::uint8_t to;
    std::uint8_t length;
};

constexpr std::array<std::uint8_t, 256> BuildTable(std::initializer_list<Pair> pairs,
                                                   std::initializer_list<Run> runs)
{
    std::array<std::uint8_t, 256> table{};
    for (const auto& [from, to] : pairs)
        table[from] = to;
    for (const auto& run : runs) {
        for (int i = 0; i < run.length; ++i)
            table[run.from + i] = static_cast<std::uint8_t>(run.to + i);
    }
    return table;
}

} // namespace

constexpr std::array<std::uint8_t, 128> kMacToISO = {
    0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2, 0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8,
    0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6, 0xF5, 0xFA, 0xF9, 0xFB, 0xFC,
    0xDD, 0xB0, 0xA2, 0xA3, 0xA7, 0x80, 0xB6, 0xDF, 0xAE, 0xA9, 0x81, 0xB4, 0xA8, 0x82, 0xC6, 0xD8,
    0x83, 0xB1, 0xBE, 0x84, 0xA5, 0xB5, 0x8F, 0x85, 0xBD, 0xBC, 0x86, 0xAA, 0xBA, 0x87, 0xE6, 0xF8,
    0xBF, 0xA1, 0xAC, 0x88, 0x9F, 0x89, 0x90, 0xAB, 0xBB, 0x8A, 0xA0, 0xC0, 0xC3, 0xD5, 0x91, 0xA6,
    0xAD, 0x8B, 0xB3, 0xB2, 0x8C, 0xB9, 0xF7, 0xD7, 0xFF, 0x8D, 0x8E, 0xA4, 0xD0, 0xF0, 0xDE, 0xFE,
    0xFD, 0xB7, 0x92, 0x93, 0x94, 0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4,
    0x95, 0xD2, 0xDA, 0xDB, 0xD9, 0x9E, 0x96, 0x97, 0xAF, 0x98, 0x99, 0x9A, 0xB8, 0x9B, 0x9C, 0x9D,
};

const std::array<std::uint8_t, 128> ctMacToISO = kMacToISO;
const std::array<std::uint8_t, 128> ctISOToMac = InvertHigh(kMacToISO);

const std::array<std::uint8_t, 256> ctEBCDICToISO = BuildTable(
    {
        {0x40, 0x20}, {0x4B, 0x2E}, {0x4C, 0x3C}, {0x4D, 0x28}, {0x4E, 0x2B}, {0x4F, 0xFE},
        {0x50, 0x26}, {0x51, 0x26}, {0x5A, 0x21}, {0x5B, 0x24}, {0x5C, 0x2A}, {0x5D, 0x29},
        {0x5E, 0x3B}, {0x60, 0x2D}, {0x61, 0x2F}, {0x6A, 0x7C}, {0x6B, 0x2C}, {0x6C, 0x25},
        {0x6D, 0x5F}, {0x6E, 0x3E}, {0x6F, 0x3F}, {0x79, 0x60}, {0x7A, 0x3A}, {0x7B, 0x23},
        {0x7C, 0x40}, {0x7D, 0x27}, {0x7E, 0x3D}, {0x7F, 0x22}, {0xA1, 0x7E}, {0xE0, 0x5C},
    },
    {
        {0x81, 0x61, 9}, {0x91, 0x6A, 9}, {0xA2, 0x73, 8}, // a..i, j..r, s..z
        {0xC1, 0x41, 9}, {0xD1, 0x4A, 9}, {0xE2, 0x53, 8}, // A..I, J..R, S..Z
        {0xF0, 0x30, 10},                                  // 0..9
    });

const std::array<std::uint8_t, 256> ctISOToEBCDIC = BuildTable(
    {
        {0x20, 0x40}, {0x21, 0x5A}, {0x22, 0x7F}, {0x23, 0x7B}, {0x24, 0x5B}, {0x25, 0x6C},
        {0x26, 0x50}, {0x27, 0x7D}, {0x28, 0x4D}, {0x29, 0x5D}, {0x2A, 0x5C}, {0x2B, 0x4E},
        {0x2C, 0x6B}, {0x2D, 0x60}, {0x2E, 0x4B}, {0x2F, 0x61}, {0x3A, 0x7A}, {0x3B, 0x5E},
        {0x3C, 0x4C}, {0x3D, 0x7E}, {0x3E, 0x6E}, {0x3F, 0x6F}, {0x40, 0x7C}, {0x5C, 0xE0},
        {0x5F, 0x6D}, {0x60, 0x79}, {0x7C, 0x6A}, {0x7E, 0xA1}, {0xFE, 0x4F},
    },
    {
        {0x30, 0xF0, 10},                                  // 0..9
        {0x41, 0xC1, 9}, {0x4A, 0xD1, 9}, {0x53, 0xE2, 8}, // A..I, J..R, S..Z
        {0x61, 0x81, 9}, {0x6A, 0x91, 9}, {0x73, 0xA2, 8}, // a..i, j..r, s..z
    });

namespace {

// Copies source to destination (they may overlap) and returns the destination
// as a span; empty for a count below 1.
std::span<std::uint8_t> CopyToDestination(const void* source, void* destination,
                                          std::ptrdiff_t count)
{
    if (count < 1)
        return {};
    if (source != destination)
        std::memmove(destination, source, static_cast<std::size_t>(count));
    return {static_cast<std::uint8_t*>(destination), static_cast<std::size_t>(count)};
}

void MapHigh(std::span<std::uint8_t> bytes, const std::array<std::uint8_t, 128>& table)
{
    for (auto& byte : bytes) {
        if (byte >= 0x80)
            byte = table[byte - 0x80];
    }
}

void MapAll(std::span<std::uint8_t> bytes, const std::array<std::uint8_t, 256>& table)
{
    for (auto& byte : bytes)
        byte = table[byte];
}

std::uint8_t OemToAnsiChar(std::uint8_t value)
{
    platform::ConvertOemToAnsi(std::span(&value, 1));
    return value;
}

std::uint8_t AnsiToOemChar(std::uint8_t value)
{
    platform::ConvertAnsiToOem(std::span(&value, 1));
    return value;
}

// One direction of the buffer translations: the platform's OEM conversion
// and the two tables for that direction.
struct Direction {
    void (*oem)(std::span<std::uint8_t>);
    const std::array<std::uint8_t, 128>& mac;
    const std::array<std::uint8_t, 256>& ebcdic;
};

void TranslateBuffer(TTranslationType type, const Direction& direction, const void* source, void* destination,
                     std::ptrdiff_t count)
{
    const auto bytes = CopyToDestination(source, destination, count);
    switch (type) {
    case ttAnsi:
        break;
    case ttDos8:
    case ttASCII:
        direction.oem(bytes);
        break;
    case ttMac:
        MapHigh(bytes, direction.mac);
        break;
    case ttEBCDIC:
        MapAll(bytes, direction.ebcdic);
        break;
    }
}

} // namespace

void TranslateBufferFromAnsi(TTranslationType type, const void* source, void* destination,
                             std::ptrdiff_t count)
{
    TranslateBuffer(type, {platform::ConvertAnsiToOem, ctISOToMac, ctISOToEBCDIC}, source, destination, count);
}

void TranslateBufferToAnsi(TTranslationType type, const void* source, void* destination,
                           std::ptrdiff_t count)
{
    TranslateBuffer(type, {platform::ConvertOemToAnsi, ctMacToISO, ctEBCDICToISO}, source, destination, count);
}

std::uint8_t TranslateToAnsiChar(TTranslationType type, std::uint8_t value, bool maskWhiteSpaces,
                                 std::uint8_t maskChar)
{
    std::uint8_t character = value;
    switch (type) {
    case ttAnsi:
        break;
    case ttDos8:
        character = OemToAnsiChar(value);
        break;
    case ttASCII:
        character = value > 0x7F ? maskChar : OemToAnsiChar(value);
        break;
    case ttMac:
        if (value >= 0x80)
            character = ctMacToISO[value - 0x80];
        break;
    case ttEBCDIC:
        character = ctEBCDICToISO[value];
        if (character == 0)
            character = maskChar;
        break;
    }
    if (maskWhiteSpaces && character < 0x20)
        character = maskChar;
    return character;
}

std::uint8_t TranslateFromAnsiChar(TTranslationType type, std::uint8_t character)
{
    switch (type) {
    case ttAnsi:
        return character < 0x20 ? 0 : character;
    case ttDos8:
        return character <= 0x1F ? 0 : AnsiToOemChar(character);
    case ttASCII:
        return character <= 0x1F || character >= 0x80 ? 0 : AnsiToOemChar(character);
    case ttMac:
        if (character < 0x20)
            return 0;
        return character < 0x80 ? character : ctISOToMac[character - 0x80];
    case ttEBCDIC:
        return ctISOToEBCDIC[character];
    }
    return 0;
}

bool ConvertRangeApplies(std::int64_t start, std::int64_t end, TTranslationType from,
                         TTranslationType to, std::int64_t dataSize)
{
    return start >= 0 && start <= end && end < dataSize && from != to;
}

void ConvertBuffer(void* buffer, std::ptrdiff_t count, TTranslationType from, TTranslationType to)
{
    TranslateBufferToAnsi(from, buffer, buffer, count);
    TranslateBufferFromAnsi(to, buffer, buffer, count);
}

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The value of a hex digit of either case, -1 for any other character.
int HexDigitValue(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

} // namespace

char* ConvertBinToHex(const void* source, char* destination, std::ptrdiff_t count,
                      bool swapNibbles)
{
    const auto* bytes = static_cast<const std::uint8_t*>(source);
    std::ptrdiff_t written = 0;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        const char high = kHexDigits[bytes[i] >> 4];
        const char low = kHexDigits[bytes[i] & 0x0F];
        destination[written++] = swapNibbles ? low : high;
        destination[written++] = swapNibbles ? high : low;
    }
    destination[written] = '\0';
    return destination;
}

void* ConvertHexToBin(const char* source, void* destination, std::ptrdiff_t count,
                      bool swapNibbles, std::ptrdiff_t& resultCount)
{
    auto* bytes = static_cast<std::uint8_t*>(destination);
    resultCount = 0;
    int pending = -1; // the first digit of a pair, -1 when none is waiting
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        const int digit = HexDigitValue(source[i]);
        if (digit < 0)
            continue;
        if (pending < 0) {
            pending = digit;
            continue;
        }
        const int value = swapNibbles ? (digit << 4) | pending : (pending << 4) | digit;
        bytes[resultCount++] = static_cast<std::uint8_t>(value);
        pending = -1;
    }
    return destination;
}

std::string IntToOctal(std::int32_t value)
{
    auto bits = static_cast<std::uint32_t>(value);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + (bits & 7)));
        bits >>= 3;
    } while (bits != 0);
    return "0" + digits;
}

} // namespace kelvo
