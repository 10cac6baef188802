#include "components/hexview/hexview_text.h"
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

namespace kelvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AllBytes()
{
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

TEST(Tables, EbcdicTablesAgreeAndMacKeepsLatin1Codes)
{
    // Each EBCDIC table defines only what the other maps back; 0x50 and 0x51
    // both read as "&", which is written as 0x50.
    int defined = 0, written = 0;
    for (int e = 0; e < 256; ++e)
        if (const int ansi = ctEBCDICToISO[e]; ansi != 0 && ++defined) {
            EXPECT_EQ(ctISOToEBCDIC[ansi], e == 0x51 ? 0x50 : e) << "EBCDIC " << e;
        }
    for (int a = 0; a < 256; ++a)
        if (const int e = ctISOToEBCDIC[a]; e != 0 && ++written) {
            EXPECT_EQ(ctEBCDICToISO[e], a) << "ANSI " << a;
        }
    EXPECT_EQ(std::pair(defined, written), std::pair(30 + 26 + 26 + 10, 29 + 26 + 26 + 10));
    EXPECT_EQ(ctEBCDICToISO[0x4F], 0xFE);
    // Mac: A diaeresis, bullet on 0x80, no-break space, caron on 0x9D.
    for (const auto& [mac, ansi] : {std::pair{0x80, 0xC4}, {0xA5, 0x80}, {0xCA, 0xA0}, {0xFF, 0x9D}})
        EXPECT_EQ(ctMacToISO[mac - 0x80], ansi) << "Mac " << mac;
}

TEST(BufferTranslation, RoundTripsOemCodesCountsAndOverlaps)
{
    const Bytes all = AllBytes();
    Bytes mac(256);
    TranslateBufferToAnsi(ttMac, all.data(), mac.data(), 256), TranslateBufferFromAnsi(ttMac, mac.data(), mac.data(), 256);
    EXPECT_EQ(mac, all);
    // Mac keeps ASCII, control characters included; EBCDIC has no code for most.
    const Bytes text = {'A', 0x01, 0x80, 0xA4, '['};
    TranslateBufferFromAnsi(ttMac, text.data(), mac.data(), 5);
    EXPECT_EQ(Bytes(mac.begin(), mac.begin() + 5), (Bytes{'A', 0x01, 0xA5, 0xDB, '['}));
    Bytes ebcdic(text.size());
    TranslateBufferFromAnsi(ttEBCDIC, text.data(), ebcdic.data(), 5);
    EXPECT_EQ(ebcdic, (Bytes{0xC1, 0x00, 0x00, 0x00, 0x00}));
    // OEM codes use the platform's conversion and are not masked.
    const Bytes oem = {'G', 0x81, 'n', 0xE1, 0xB3, 0xFF}, ansi = {'G', 0xFC, 'n', 0xDF, 0xA6, 0xA0};
    for (TTranslationType type : {ttDos8, ttASCII}) {
        Bytes out(oem.size());
        TranslateBufferToAnsi(type, oem.data(), out.data(), 6);
        EXPECT_EQ(out, ansi) << int(type);
        TranslateBufferFromAnsi(type, ansi.data(), out.data(), 4);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), Bytes(oem.begin(), oem.begin() + 4));
    }
    for (TTranslationType type : {ttAnsi, ttDos8, ttASCII, ttMac, ttEBCDIC}) {
        Bytes buffer = {'a', 'b', 0xE4};
        TranslateBufferFromAnsi(type, "xyz", buffer.data(), 0), TranslateBufferToAnsi(type, "xyz", buffer.data(), -5);
        EXPECT_EQ(buffer, (Bytes{'a', 'b', 0xE4})) << int(type);
        // The single character agrees, but where it is masked.
        for (int b = 0; b < 256; ++b) {
            auto value = static_cast<std::uint8_t>(b);
            std::uint8_t viaBuffer = 0;
            TranslateBufferToAnsi(type, &value, &viaBuffer, 1);
            EXPECT_EQ(TranslateToAnsiChar(type, value, false, 0), type == ttASCII && b > 0x7F ? 0 : viaBuffer) << b;
        }
    }
    // Destination one byte after the source: a plain copy, shifted.
    Bytes buffer = {'1', '2', '3', '4', 0};
    TranslateBufferToAnsi(ttAnsi, buffer.data(), buffer.data() + 1, 4);
    EXPECT_EQ(buffer, (Bytes{'1', '1', '2', '3', '4'}));
}

TEST(SingleCharacters, DisplayAndTyping)
{
    // Byte, masked, shown; unmasked bytes are checked against the buffer translation.
    const std::tuple<TTranslationType, std::uint8_t, bool, std::uint8_t> shown[] = {
        {ttAnsi, 'A', true, 'A'},    {ttAnsi, 0x1F, true, '.'},    {ttAnsi, 0x20, true, 0x20},  {ttEBCDIC, 0xC1, true, 'A'},
        {ttEBCDIC, 0x4A, false, '.'}, {ttEBCDIC, 0x40, true, ' '}, {ttMac, 0xA5, true, 0x80},   {ttMac, 0x0D, true, '.'},
        {ttASCII, 0xE4, true, '.'},  {ttASCII, 0x80, false, '.'},  {ttDos8, 0xE1, true, 0xDF},  {ttDos8, 0x07, true, '.'},
    };
    for (const auto& [type, value, masked, text] : shown)
        EXPECT_EQ(TranslateToAnsiChar(type, value, masked, '.'), text) << "type " << int(type) << " byte " << int(value);
    EXPECT_EQ(TranslateToAnsiChar(ttEBCDIC, 0x00, false, '~'), '~');
    const std::tuple<TTranslationType, std::uint8_t, std::uint8_t> typed[] = { // typed, stored (0: refused)
        {ttAnsi, 'a', 'a'},     {ttAnsi, 0x1F, 0},     {ttAnsi, 0xFF, 0xFF},  {ttAnsi, 0x20, 0x20}, {ttDos8, 0x1F, 0},
        {ttDos8, 0xE4, 0x84},   {ttDos8, 0x80, '?'},   {ttDos8, 0x7F, 0x7F},  {ttASCII, 0xE4, 0},   {ttASCII, 0x7F, 0x7F},
        {ttASCII, 0x09, 0},     {ttMac, 0x80, 0xA5},   {ttMac, 0x1F, 0},      {ttMac, 'M', 'M'},    {ttEBCDIC, '[', 0},
        {ttEBCDIC, 'A', 0xC1},  {ttEBCDIC, 'z', 0xA9}, {ttEBCDIC, '0', 0xF0}, {ttEBCDIC, 0x0A, 0},  {ttEBCDIC, ' ', 0x40},
    };
    for (const auto& [type, value, stored] : typed)
        EXPECT_EQ(TranslateFromAnsiChar(type, value), stored) << "type " << int(type) << " char " << int(value);
}

TEST(ConvertRange, ChecksThenReencodesThroughAnsi)
{
    // Start, end, from, to, data size, whether the conversion applies.
    const std::tuple<std::int64_t, std::int64_t, TTranslationType, TTranslationType, std::int64_t, bool> cases[] = {
        {0, 9, ttAnsi, ttEBCDIC, 10, true},   {5, 5, ttMac, ttAnsi, 10, true}, {0, 10, ttAnsi, ttEBCDIC, 10, false},
        {-1, 3, ttAnsi, ttMac, 10, false},    {4, 3, ttAnsi, ttMac, 10, false}, {0, 9, ttMac, ttMac, 10, false},
        {0, 0, ttAnsi, ttDos8, 0, false},
    };
    for (const auto& [start, end, from, to, size, applies] : cases)
        EXPECT_EQ(ConvertRangeApplies(start, end, from, to, size), applies) << start << ".." << end << " of " << size;
    // Before, from, to, after; Dos8 to Mac: u and a diaeresis in Macintosh Roman.
    for (auto [data, from, to, after] : {std::tuple{Bytes{'H', 'i', '!', 0x80}, ttAnsi, ttEBCDIC, Bytes{0xC8, 0x89, 0x5A, 0}},
                                         {Bytes{0xC8, 0x89, 0x5A}, ttEBCDIC, ttMac, Bytes{'H', 'i', '!'}},
                                         {Bytes{0x81, 0x84, 'x'}, ttDos8, ttMac, Bytes{0x9F, 0x8A, 'x'}}}) {
        ConvertBuffer(data.data(), std::ssize(data), from, to);
        EXPECT_EQ(data, after);
    }
}

TEST(HexText, ToHexFromHexAndOctal)
{
    // The digits themselves are checked through the document's AsHex.
    std::string out(5, '#');
    EXPECT_TRUE(ConvertBinToHex("\x0F\xA0", out.data(), 2, true) == out.data() && out == std::string("F00A\0", 5));
    ConvertBinToHex("ab", out.data(), -3, false);
    EXPECT_EQ(out, std::string("\0" "00A\0", 5)); // a negative count writes only the closing zero
    const std::tuple<std::string, bool, Bytes> cases[] = { // text, swapped, bytes
        {"4a 4B-x1", false, {0x4A, 0x4B}}, {"4a 4B-x1", true, {0xA4, 0xB4}}, {"F00A", true, {0x0F, 0xA0}},
        {"f g0", false, {0xF0}}, // "g" is skipped and does not end the pair
        {"Zz\n\t -", false, {}},  {"7", false, {}}, // a lone digit is dropped
        {"deadBEEF", false, {0xDE, 0xAD, 0xBE, 0xEF}},
    };
    for (const auto& [text, swap, bytes] : cases) {
        Bytes decoded(text.size() / 2 + 1, 0xEE);
        std::ptrdiff_t count = -1;
        EXPECT_EQ(ConvertHexToBin(text.data(), decoded.data(), static_cast<std::ptrdiff_t>(text.size()), swap, count),
                  decoded.data());
        EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + std::max<std::ptrdiff_t>(count, 0)), bytes) << text;
    }
    // Every byte round trips, also when decoded into the text's own buffer.
    const Bytes all = AllBytes();
    for (bool swap : {false, true}) {
        std::string hex(513, '\0');
        ConvertBinToHex(all.data(), hex.data(), 256, swap);
        std::ptrdiff_t count = 0;
        ConvertHexToBin(hex.data(), hex.data(), 512, swap, count);
        EXPECT_EQ(Bytes(hex.begin(), hex.begin() + count), all);
    }
    const std::pair<std::int32_t, const char*> octal[] = {
        {0, "00"}, {8, "010"}, {511, "0777"}, {0x7FFFFFFF, "017777777777"}, {-1, "037777777777"}};
    for (const auto& [value, text] : octal)
        EXPECT_EQ(IntToOctal(value), text) << value;
}

// The POSIX ANSI/OEM conversion: Windows-1252 and OEM 437 as the Windows conversion treats them.
TEST(CodePage, ExactAndBestFitCharactersAndRoundTrips)
{
    const auto ToAnsi = [](std::uint8_t c) { return platform::ConvertOemToAnsi(std::span(&c, 1)), c; };
    const auto ToOem = [](std::uint8_t c) { return platform::ConvertAnsiToOem(std::span(&c, 1)), c; };
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
        if (c < 0x80)
            EXPECT_EQ((std::pair<int, int>(ansi, ToOem(static_cast<std::uint8_t>(c)))), std::pair(c, c));
        else
            exact += ansi >= 0x80 && ToOem(ansi) == c;
    }
    EXPECT_EQ(exact, 55); // the characters above 0x7F that OEM 437 and Windows-1252 share
}

} // namespace
} // namespace kelvo
