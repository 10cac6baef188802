// RefPack streams written byte by byte: each control-code form, the header
// forms, every malformed stream the decoder must refuse, and compression
// round trips over data of every shape.
#include "archive/refpack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::test {
namespace {

using Bytes = std::vector<unsigned char>;

// "10 FB 00 00 14" -> bytes.
Bytes Hex(const std::string& text)
{
    Bytes bytes;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<unsigned char>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

Bytes Bytes_(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The 5-byte header for a stated size, then the codes.
Bytes Stream(std::uint32_t size, const Bytes& codes)
{
    Bytes stream{0x10, 0xFB, static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 8),
                 static_cast<unsigned char>(size)};
    stream.insert(stream.end(), codes.begin(), codes.end());
    return stream;
}

// A copy from exactly `distance` back: "ABCD", zeros up to `distance` bytes
// (long copies of the last zero), then `copy` (a code whose distance is
// `distance`), then a stop. The copy must bring back "ABCD...".
Bytes FarCopyStream(std::size_t distance, const Bytes& copy, std::size_t length)
{
    Bytes codes = Hex("E0 41 42 43 44 E0 00 00 00 00");
    for (std::size_t zeros = distance - 8; zeros > 0;) {
        const std::size_t n = std::min<std::size_t>(zeros, 1028) - 5;
        codes.insert(codes.end(), {static_cast<unsigned char>(0xC0 | (n >> 8) << 2), 0x00, 0x00,
                                   static_cast<unsigned char>(n)});
        zeros -= n + 5;
    }
    codes.insert(codes.end(), copy.begin(), copy.end());
    codes.push_back(0xFC);
    return Stream(static_cast<std::uint32_t>(distance + length), codes);
}

Bytes FarCopyOutput(std::size_t distance, std::size_t length)
{
    Bytes out(distance + length, 0);
    const std::string start = "ABCD";
    for (std::size_t i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(start[i]);
    for (std::size_t i = 0; i < length; ++i)
        out[distance + i] = out[i];
    return out;
}

Bytes Repeat(const std::string& pattern, std::size_t size)
{
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<unsigned char>(pattern[i % pattern.size()]);
    return out;
}

TEST(RefPackTest, StatedSizeReadsEveryHeaderForm)
{
    struct Case {
        const char* header;
        bool valid;
        std::uint32_t size;
    } const cases[] = {
        {"10 FB 00 00 14", true, 20},
        {"10 FB FF FF FF", true, 16777215},
        {"90 FB 01 00 00 00", true, 16777216},
        {"90 FB FF FF FF FE", true, 4294967294u},
        {"11 FB 00 00 09 00 01 00", true, 256},          // a compressed size, skipped
        {"91 FB 00 00 00 09 00 00 01 00", true, 256},
        {"50 FB 00 00 05", true, 5},                     // bit 6 is ignored
        {"", false, 0},
        {"10", false, 0},
        {"10 FA 00 00 05", false, 0},
        {"12 FB 00 00 05", false, 0},
        {"30 FB 00 00 05", false, 0},
        {"00 FB 00 00 05", false, 0},
        {"FB 10 00 00 05", false, 0},                    // the two bytes read as one little-endian number
        {"10 FB 00 00", false, 0},
        {"90 FB 00 00 05", false, 0},
        {"11 FB 00 00 09 00 01", false, 0},
    };
    for (const Case& c : cases) {
        const Bytes header = Hex(c.header);
        std::uint32_t size = 12345;
        std::string reason;
        EXPECT_EQ(refpack::StatedSize(header.data(), header.size(), size, reason), c.valid) << c.header;
        if (c.valid) {
            EXPECT_EQ(size, c.size) << c.header;
        } else {
            EXPECT_NE(reason.find("not a RefPack stream"), std::string::npos) << c.header << ": " << reason;
        }
    }
}

TEST(RefPackTest, DecompressesEveryCodeForm)
{
    struct Case {
        const char* name;
        Bytes stream;
        Bytes out;
    };
    const Case cases[] = {
        {"medium copy overlapping its output",
         Hex("10 FB 00 00 14 E0 48 65 6C 6C 88 C0 06 6F 2C 20 FD 21"), Bytes_("Hello, Hello, Hello!")},
        {"short copies", Hex("10 FB 00 00 23 E1 74 68 65 20 63 61 74 20 01 03 73 07 0E 6F 6E 20 E0 6D 61 74 2C 08 08 10 17 FC"),
         Bytes_("the cat sat on the mat, the cat sat")},
        {"long copies of one byte", Hex("10 FB 00 07 D0 CD 00 00 FF 00 CC 00 00 C6 FC"), Bytes(2000, 0)},
        {"short copy with 2 literals", Stream(5, Hex("02 01 61 62 FC")), Bytes_("ababa")},
        {"medium copy with 1 literal", Stream(5, Hex("80 40 00 78 FC")), Bytes_("xxxxx")},
        {"long copy with 3 literals", Stream(8, Hex("C3 00 02 00 61 62 63 FC")), Bytes_("abcabcab")},
        {"literal block and stop with 2 literals", Stream(10, Hex("E1 31 32 33 34 35 36 37 38 FE 39 41")),
         Bytes_("123456789A")},
        {"longest copy", Stream(1029, Hex("CD 00 00 FF 71 FC")), Bytes(1029, 'q')},
        {"stop with 3 literals", Stream(3, Hex("FF 78 79 7A")), Bytes_("xyz")},
        {"empty", Stream(0, Hex("FC")), Bytes()},
        {"largest literal block", Stream(112, [] {
             Bytes codes{0xFB};
             const Bytes text = Repeat("0123456789abcdef", 112);
             codes.insert(codes.end(), text.begin(), text.end());
             codes.push_back(0xFC);
             return codes;
         }()),
         Repeat("0123456789abcdef", 112)},
        // A long overlapping copy of a 3-byte pattern: the repeat must hold
        // across the whole length, not only its first distance bytes.
        {"longest copy of a 3-byte pattern", Stream(1031, Hex("CF 00 02 FF 61 62 63 FC")), Repeat("abc", 1031)},
        {"short copy of a 7-byte pattern", Stream(17, Hex("E0 61 62 63 64 1F 06 65 66 67 FC")), Repeat("abcdefg", 17)},
        {"short copy at its farthest", FarCopyStream(1024, Hex("60 FF"), 3), FarCopyOutput(1024, 3)},
        {"medium copy at its farthest", FarCopyStream(16384, Hex("80 3F FF"), 4), FarCopyOutput(16384, 4)},
        {"long copy at its farthest", FarCopyStream(131072, Hex("D0 FF FF 00"), 5), FarCopyOutput(131072, 5)},
        {"6-byte header", Hex("90 FB 00 00 00 05 80 40 00 78 FC"), Bytes_("xxxxx")},
        {"compressed size field", Hex("11 FB 00 00 0D 00 00 05 80 40 00 78 FC"), Bytes_("xxxxx")},
        {"both flags", Hex("91 FB 00 00 00 0F 00 00 00 05 80 40 00 78 FC"), Bytes_("xxxxx")},
    };
    for (const Case& c : cases) {
        Bytes out{1, 2, 3};
        std::string reason;
        EXPECT_TRUE(refpack::Decompress(c.stream.data(), c.stream.size(), out, reason)) << c.name << ": " << reason;
        EXPECT_EQ(out, c.out) << c.name;
    }
}

TEST(RefPackTest, RefusesEveryMalformedStream)
{
    struct Case {
        Bytes stream;
        const char* reason;
    } const cases[] = {
        {Stream(3, Hex("00 05 FC")), "A copy reaches before the start of the output at byte 5 of the stream."},
        {Stream(13, Hex("E1 41 42 43 44 31 32 33 34 D0 FF FF 00 FC")), "before the start of the output at byte 14 "},
        {Stream(4, Hex("01 01 61 FC")), "before the start"},
        {Stream(3, Hex("E0 61 62 63 64 FC")), "exceed the stated size of 3 bytes at byte 5 "},
        {Stream(3, Hex("01 00 61 FC")), "exceed the stated size of 3 bytes at byte 5 "},
        {Stream(0, Hex("FD 61")), "exceed the stated size"},
        {Stream(1030, Hex("CD 00 00 FF 71 80 00 00 FC")), "exceed the stated size of 1030 bytes at byte 10 "},
        {Stream(4, Hex("E0 61 62")), "ends inside literal bytes at byte 5 "},
        {Stream(4, Hex("80 40 00")), "ends inside literal bytes"},
        {Stream(4, Hex("FE 61")), "ends inside literal bytes"},
        {Stream(4, Hex("80 00")), "ends inside a control code at byte 5 "},
        {Stream(4, Hex("00")), "ends inside a control code"},
        {Stream(8, Hex("E0 61 62 63 64 C0 00 00")), "ends inside a control code at byte 10 "},
        {Stream(4, Hex("E0 61 62 63 64")), "ends before a stop code"},
        {Stream(0, Hex("")), "ends before a stop code"},
        {Stream(6, Hex("E0 61 62 63 64 FC")), "stops after 4 of 6 bytes"},
        {Stream(4, Hex("E0 61 62 63 64 FC 58 58")), "2 bytes follow the stop code"},
        {Stream(1, Hex("FD 61 FC")), "1 byte follows the stop code"},
        {Stream(1000, Hex("FC")), "states a size of 1000 bytes"},
        {Stream(1029, Hex("CD 00 FF")), "states a size of 1029 bytes"},
        {Hex("90 FB FF FF FF FF FC"), "states a size of 4294967295 bytes"},
        {Hex("10 FA 00 00 00 FC"), "not a RefPack stream"}, // every header form: StatedSize's cases
    };
    for (const Case& c : cases) {
        Bytes out;
        std::string reason;
        EXPECT_FALSE(refpack::Decompress(c.stream.data(), c.stream.size(), out, reason)) << c.reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << "expected \"" << c.reason << "\", got \"" << reason << "\"";
    }
}

TEST(RefPackTest, CompressedDataDecompressesToItself)
{
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto random = [&](std::size_t size) {
        Bytes out(size);
        for (unsigned char& byte : out) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            byte = static_cast<unsigned char>(state);
        }
        return out;
    };
    // Text with repeats near and far, and a random block repeated beyond the
    // window, so a copy across it would decode to other bytes.
    Bytes text;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "Sim " + std::to_string(i * 7919 % 1000) + " buys chair " + std::to_string(i % 37) + "\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    Bytes farRepeat = random(140000);
    farRepeat.insert(farRepeat.end(), farRepeat.begin(), farRepeat.begin() + 5000);
    Bytes mixed = random(3000);
    mixed.insert(mixed.end(), 5000, 0);
    const Bytes tail = random(1000);
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    // Over 16 MiB: the 6-byte header. Runs keep it quick.
    Bytes large = Repeat("large", (std::size_t{1} << 24) + 3);
    large[5000000] = 'X';

    struct Case {
        const char* name;
        Bytes data;
        bool compressible;
    } const cases[] = {
        {"empty", {}, false},
        {"1 byte", {0x41}, false},
        {"3 bytes", Bytes_("abc"), false},
        {"4 equal bytes", Bytes_("aaaa"), false},
        {"run", Bytes(100000, 'x'), true},
        {"short period", Repeat("abc", 5000), true},
        {"random", random(300000), false},
        {"text", text, true},
        {"random block repeated beyond the window", farRepeat, false},
        {"random, zeros, a repeat", mixed, true},
        {"over 16 MiB", large, true},
    };
    for (const Case& c : cases) {
        const Bytes stream = refpack::Compress(c.data.data(), c.data.size());
        const bool large = c.data.size() > 0xFFFFFF;
        ASSERT_GE(stream.size(), large ? 7u : 6u) << c.name;
        EXPECT_EQ(stream[0], large ? 0x90 : 0x10) << c.name;
        // Never more than a literal block code per 112 bytes, one more and the stop code.
        EXPECT_LE(stream.size(), c.data.size() + (c.data.size() + 111) / 112 + 1 + (large ? 6 : 5)) << c.name;
        if (c.compressible) {
            EXPECT_LT(stream.size(), c.data.size() / 2) << c.name;
        }
        Bytes out;
        std::string reason;
        ASSERT_TRUE(refpack::Decompress(stream.data(), stream.size(), out, reason)) << c.name << ": " << reason;
        EXPECT_TRUE(out == c.data) << c.name;
    }
    const Bytes empty = refpack::Compress(nullptr, 0);
    EXPECT_EQ(empty, Hex("10 FB 00 00 00 FC"));
}

} // namespace
} // namespace kelvo::test
