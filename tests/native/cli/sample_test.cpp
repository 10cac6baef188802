// The sample's bitmaps: consistent headers in every common pixel format, and
// a run-length picture that decodes to its plain twin. (The archive itself is
// checked by the round trip through the real programs.)
#include "tools/sample/bitmaps.h"
#include "tools/sample/sample_archive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

namespace kelvo::sample {
namespace {

std::uint32_t U16(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s.at(at)) | static_cast<unsigned char>(s.at(at + 1)) << 8;
}
std::uint32_t U32(const std::string& s, std::size_t at) { return U16(s, at) | U16(s, at + 2) << 16; }

TEST(SampleBitmaps, HeadersAgreeWithTheFilesInEveryPixelFormat)
{
    std::set<std::pair<std::uint32_t, std::uint32_t>> formats;
    for (const SampleFile& file : SampleFiles()) {
        if (!file.name.ends_with(".bmp"))
            continue;
        SCOPED_TRACE(file.name);
        const std::string& f = file.data;
        ASSERT_GE(f.size(), 54u);
        const std::uint32_t width = U32(f, 18), height = U32(f, 22), bits = U16(f, 28), compression = U32(f, 30);
        const std::uint32_t colours = U32(f, 46), pixelOffset = U32(f, 10), masks = compression == 3 ? 12 : 0;
        EXPECT_EQ(f.substr(0, 2), "BM");
        EXPECT_EQ(std::make_tuple(U32(f, 2), U32(f, 14), U16(f, 26)), std::make_tuple(std::uint32_t(f.size()), 40u, 1u));
        EXPECT_EQ(colours, bits <= 8 ? 1u << bits : 0u);
        EXPECT_EQ(pixelOffset, 54 + masks + 4 * colours);
        EXPECT_EQ(U32(f, 34), f.size() - pixelOffset); // image size
        if (compression != 1) {
            EXPECT_EQ(f.size() - pixelOffset, (width * bits + 31) / 32 * 4 * height);
        }
        formats.insert({bits, compression});
    }
    EXPECT_EQ(formats, (std::set<std::pair<std::uint32_t, std::uint32_t>>{
                           {1, 0}, {4, 0}, {8, 0}, {8, 1}, {16, 0}, {16, 3}, {24, 0}}));
}

TEST(SampleBitmaps, RunLengthHouseDecodesToThePlainHouse)
{
    const std::string plain = HouseBmp8(), encoded = HouseBmpRle8();
    const std::uint32_t width = U32(plain, 18), stride = (width + 3) / 4 * 4;
    EXPECT_EQ(encoded.substr(18, 12), plain.substr(18, 12)); // size, planes, bits
    EXPECT_EQ(encoded.substr(54, U32(encoded, 10) - 54), plain.substr(54, U32(plain, 10) - 54)); // palette
    // Decoded rows, in the file's bottom-up order.
    std::string rows, row;
    std::size_t i = U32(encoded, 10);
    int absoluteRuns = 0;
    for (;; i += 2) {
        const auto count = static_cast<unsigned char>(encoded.at(i)), value = static_cast<unsigned char>(encoded.at(i + 1));
        if (count > 0) {
            row.append(count, static_cast<char>(value));
        } else if (value <= 1) { // end of line, end of bitmap
            ASSERT_LE(row.size(), width);
            rows += row + std::string(stride - row.size(), '\0');
            row.clear();
            if (value == 1)
                break;
        } else { // absolute run, padded to an even length; 2 (a jump) is not used
            ASSERT_GT(value, 2);
            row += encoded.substr(i + 2, value);
            i += (value + 1) / 2 * 2;
            ++absoluteRuns;
        }
    }
    EXPECT_EQ(i + 2, encoded.size()); // nothing after the end-of-bitmap code
    EXPECT_EQ(rows, plain.substr(U32(plain, 10)));
    EXPECT_GT(absoluteRuns, 0);
}

} // namespace
} // namespace kelvo::sample
