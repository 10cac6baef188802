// RefPack by hand: every code and header form, every malformed stream, and compression round trips.
#include "archive/refpack.h"
#include "tests/far_writer.h"
#include "tests/test_support.h"

#include <random>

namespace kelvo::test {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes H(const std::string& hex) { return B(Hex(hex)); }

// The 5-byte header for a stated size, then the codes (raw bytes).
Bytes Stream(std::size_t size, const std::string& codes) { return B(std::string{'\x10', '\xFB', char(size >> 16), char(size >> 8), char(size)} + codes); }

Bytes S(std::size_t size, const std::string& hex) { return Stream(size, Hex(hex)); }

Bytes Repeat(const std::string& pattern, std::size_t size)
{
    Bytes out(size);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<unsigned char>(pattern[i % pattern.size()]);
    return out;
}

// "ABCD", zeros up to `distance`, then `copy` (reaching `distance` back for `length` bytes): stream and output.
std::pair<Bytes, Bytes> FarCopy(std::size_t distance, const std::string& copy, std::size_t length)
{
    std::string codes = Hex("E0 41 42 43 44 E0 00 00 00 00");
    for (std::size_t zeros = distance - 8, n; zeros > 0; zeros -= n + 5)
        codes += {char(0xC0 | ((n = std::min<std::size_t>(zeros, 1028) - 5) >> 8) << 2), 0, 0, char(n)};
    Bytes out(distance + length, 0);
    std::copy_n("ABCD", 4, out.begin());
    std::copy_n(out.begin(), length, out.begin() + distance);
    return {Stream(distance + length, codes + Hex(copy + "FC")), out};
}

TEST(RefPackTest, StatedSizeReadsEveryHeaderForm)
{
    const std::pair<const char*, std::int64_t> cases[] = { // the size, -1 for a header refused
        {"10 FB 00 00 14", 20}, {"10 FB FF FF FF", 16777215}, {"90 FB 01 00 00 00", 16777216},
        {"90 FB FF FF FF FE", 4294967294u}, {"11 FB 00 00 09 00 01 00", 256}, // a compressed size, skipped
        {"91 FB 00 00 00 09 00 00 01 00", 256}, {"50 FB 00 00 05", 5},        // bit 6 is ignored
        {"", -1}, {"10", -1}, {"10 FA 00 00 05", -1}, {"12 FB 00 00 05", -1}, {"30 FB 00 00 05", -1},
        {"00 FB 00 00 05", -1}, {"FB 10 00 00 05", -1}, {"10 FB 00 00", -1}, {"90 FB 00 00 05", -1},
        {"11 FB 00 00 09 00 01", -1}};
    for (const auto& [header, expected] : cases) {
        SCOPED_TRACE(header);
        const Bytes bytes = H(header);
        std::uint32_t size = 12345;
        std::string reason;
        ASSERT_EQ(refpack::StatedSize(bytes.data(), bytes.size(), size, reason), expected >= 0);
        EXPECT_TRUE(expected >= 0 ? size == expected : reason.find("not a RefPack stream") != std::string::npos) << reason;
    }
}

TEST(RefPackTest, DecompressesEveryCodeForm)
{
    const auto [shortFar, shortOut] = FarCopy(1024, "60 FF", 3);
    const auto [mediumFar, mediumOut] = FarCopy(16384, "80 3F FF", 4);
    const auto [longFar, longOut] = FarCopy(131072, "D0 FF FF 00", 5);
    const std::pair<Bytes, Bytes> cases[] = {
        {H("10 FB 00 00 14 E0 48 65 6C 6C 88 C0 06 6F 2C 20 FD 21"), B("Hello, Hello, Hello!")}, // overlapping
        {H("10 FB 00 00 23 E1 74 68 65 20 63 61 74 20 01 03 73 07 0E 6F 6E 20 E0 6D 61 74 2C 08 08 10 17 FC"),
         B("the cat sat on the mat, the cat sat")}, {H("10 FB 00 07 D0 CD 00 00 FF 00 CC 00 00 C6 FC"), Bytes(2000, 0)},
        {S(5, "02 01 61 62 FC"), B("ababa")}, {S(5, "80 40 00 78 FC"), B("xxxxx")}, {S(8, "C3 00 02 00 61 62 63 FC"), B("abcabcab")},
        {S(10, "E1 31 32 33 34 35 36 37 38 FE 39 41"), B("123456789A")}, {S(1029, "CD 00 00 FF 71 FC"), Bytes(1029, 'q')},
        {S(3, "FF 78 79 7A"), B("xyz")}, {S(0, "FC"), Bytes()},
        {Stream(112, "\xFB" + Pattern(112) + "\xFC"), B(Pattern(112))}, // the largest literal block
        // Overlapping copies repeat their pattern over the whole length.
        {S(1031, "CF 00 02 FF 61 62 63 FC"), Repeat("abc", 1031)},
        {S(17, "E0 61 62 63 64 1F 06 65 66 67 FC"), Repeat("abcdefg", 17)},
        {shortFar, shortOut}, {mediumFar, mediumOut}, {longFar, longOut}, // each copy form at its farthest
        {H("90 FB 00 00 00 05 80 40 00 78 FC"), B("xxxxx")}, {H("11 FB 00 00 0D 00 00 05 80 40 00 78 FC"), B("xxxxx")},
        {H("91 FB 00 00 00 0F 00 00 00 05 80 40 00 78 FC"), B("xxxxx")},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Bytes out{1, 2, 3};
        std::string reason;
        EXPECT_TRUE(refpack::Decompress(cases[i].first.data(), cases[i].first.size(), out, reason)) << reason;
        EXPECT_TRUE(out == cases[i].second);
    }
}

TEST(RefPackTest, RefusesEveryMalformedStream)
{
    const std::pair<Bytes, const char*> cases[] = {
        {S(3, "00 05 FC"), "A copy reaches before the start of the output at byte 5 of the stream."},
        {S(13, "E1 41 42 43 44 31 32 33 34 D0 FF FF 00 FC"), "before the start of the output at byte 14 "},
        {S(3, "E0 61 62 63 64 FC"), "exceed the stated size of 3 bytes at byte 5 "}, {S(0, "FD 61"), "exceed the stated size"},
        {S(3, "01 00 61 FC"), "exceed the stated size of 3 bytes at byte 5 "},
        {S(1030, "CD 00 00 FF 71 80 00 00 FC"), "exceed the stated size of 1030 bytes at byte 10 "},
        {S(4, "E0 61 62"), "ends inside literal bytes at byte 5 "}, {S(4, "80 40 00"), "ends inside literal bytes"},
        {S(4, "FE 61"), "ends inside literal bytes"}, {S(4, "00"), "ends inside a control code"},
        {S(4, "80 00"), "ends inside a control code at byte 5 "},
        {S(8, "E0 61 62 63 64 C0 00 00"), "ends inside a control code at byte 10 "},
        {S(4, "E0 61 62 63 64"), "ends before a stop code"}, {S(0, ""), "ends before a stop code"},
        {S(6, "E0 61 62 63 64 FC"), "stops after 4 of 6 bytes"},
        {S(4, "E0 61 62 63 64 FC 58 58"), "2 bytes follow the stop code"}, {S(1, "FD 61 FC"), "1 byte follows the stop code"},
        {S(1000, "FC"), "states a size of 1000 bytes"}, {S(1029, "CD 00 FF"), "states a size of 1029 bytes"},
        {H("90 FB FF FF FF FF FC"), "states a size of 4294967295 bytes"},
        {H("10 FA 00 00 00 FC"), "not a RefPack stream"}, // every header form: StatedSize's cases
    };
    for (const auto& [stream, expected] : cases) {
        SCOPED_TRACE(expected);
        Bytes out;
        std::string reason;
        EXPECT_FALSE(refpack::Decompress(stream.data(), stream.size(), out, reason));
        EXPECT_NE(reason.find(expected), std::string::npos) << reason;
    }
}

TEST(RefPackTest, CompressedDataDecompressesToItself)
{
    auto random = [generator = std::mt19937()](std::size_t size) mutable {
        Bytes out(size);
        std::generate(out.begin(), out.end(), [&] { return static_cast<unsigned char>(generator()); });
        return out;
    };
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const Bytes& part : parts)
            out.insert(out.end(), part.begin(), part.end());
        return out;
    };
    // Text with repeats near and far; a random block repeated beyond the window (a copy across it would be wrong).
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "Sim " + std::to_string(i * 7919 % 1000) + " buys chair " + std::to_string(i % 37) + "\r\n";
    const Bytes far = random(140000), tail = random(1000);
    Bytes large = Repeat("large", (std::size_t{1} << 24) + 3); // over 16 MiB: the 6-byte header
    large[5000000] = 'X';
    const std::tuple<const char*, Bytes, bool> cases[] = { // name, data, compressible
        {"empty", {}, false}, {"1 byte", {0x41}, false}, {"3 bytes", B("abc"), false}, {"4 equal bytes", B("aaaa"), false},
        {"run", Bytes(100000, 'x'), true}, {"short period", Repeat("abc", 5000), true},
        {"random", random(300000), false}, {"text", B(text), true},
        {"repeat beyond the window", join({far, Bytes(far.begin(), far.begin() + 5000)}), false},
        {"random, zeros, a repeat", join({random(3000), Bytes(5000, 0), tail, tail}), true},
        {"over 16 MiB", large, true},
    };
    for (const auto& [name, data, compressible] : cases) {
        SCOPED_TRACE(name);
        const Bytes stream = refpack::Compress(data.data(), data.size());
        const bool big = data.size() > 0xFFFFFF;
        ASSERT_GE(stream.size(), big ? 7u : 6u);
        EXPECT_EQ(stream[0], big ? 0x90 : 0x10);
        // Never more than a literal block code per 112 bytes, one more and the stop code.
        EXPECT_LE(stream.size(), data.size() + (data.size() + 111) / 112 + 1 + (big ? 6 : 5));
        EXPECT_TRUE(!compressible || stream.size() < data.size() / 2) << stream.size();
        Bytes out;
        std::string reason;
        ASSERT_TRUE(refpack::Decompress(stream.data(), stream.size(), out, reason)) << reason;
        EXPECT_TRUE(out == data);
    }
    EXPECT_EQ(refpack::Compress(nullptr, 0), H("10 FB 00 00 00 FC"));
}

} // namespace
} // namespace kelvo::test
