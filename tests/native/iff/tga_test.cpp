#include "components/iff/tga_reader.h"

#include "tests/native/iff/iff_test_support.h"
#include "tools/sample/sprite_writer.h"

#include <gtest/gtest.h>

namespace kelvo::iff {
namespace {

using namespace std::string_literals;
using sample::TgaData;

// Five colours with channels 5 bits hold exactly (0, 132, 255), alphas 255, 0, 132, 255, 128,
// in a 5 x 3 picture with runs inside rows and across a row's end.
constexpr std::uint32_t kColours[] = {0xFF840000, 0x00FFFF00, 0x84000084, 0xFF00FF84, 0x80FFFFFF};
constexpr int kLayout[] = {0, 0, 0, 1, 2, 2, 2, 3, 3, 3, 4, 0, 1, 1, 1};
constexpr std::uint32_t kLevels[] = {0, 132, 255, 7, 200};

TEST(Tga, DecodesEveryKindDepthOrderAndEncoding)
{
    // Alpha "kept", "opaque", "grey" or "bit": the top bit of 16 bits.
    const struct { int type, depth, alphaBits, mapBits; const char* alpha; } kinds[] = {
        {2, 32, 8, 0, "kept"}, {2, 32, 0, 0, "opaque"}, {2, 24, 0, 0, "opaque"}, {2, 16, 1, 0, "bit"},
        {2, 16, 0, 0, "opaque"}, {2, 15, 0, 0, "opaque"}, {1, 8, 8, 32, "kept"}, {1, 8, 0, 24, "opaque"},
        {1, 8, 1, 16, "bit"}, {1, 8, 0, 15, "opaque"}, {3, 8, 0, 0, "grey"},
    };
    for (const auto& kind : kinds)
        for (int encoded : {0, 8})
            for (int order = 0; order < 4; ++order) {
                TgaData image{.type = kind.type + encoded, .depth = kind.depth, .alphaBits = kind.alphaBits, .topDown = (order & 1) != 0,
                              .rightToLeft = (order & 2) != 0, .width = 5, .height = 3, .mapFirst = 3, .mapEntryBits = kind.mapBits,
                              .map = {std::begin(kColours), std::end(kColours)}, .id = order == 3 ? "sample" : "", .footer = order == 2};
                std::vector<std::uint32_t> expected;
                for (int k : kLayout) {
                    const std::uint32_t colour = kColours[k];
                    image.pixels.push_back(kind.type == 1 ? 3u + k : kind.type == 3 ? kLevels[k] : colour);
                    const std::uint32_t alpha = kind.alpha == "kept"s ? colour >> 24 : kind.alpha == "bit"s ? (colour >> 24 >= 128 ? 255 : 0) : 255;
                    expected.push_back(kind.type == 3 ? Argb(255, kLevels[k], kLevels[k], kLevels[k]) : (colour & 0xFFFFFF) | alpha << 24);
                }
                SCOPED_TRACE("type " + std::to_string(image.type) + ", " + std::to_string(kind.depth) + " bits, map " +
                             std::to_string(kind.mapBits) + ", order " + std::to_string(order));
                Picture picture;
                std::string reason;
                ASSERT_TRUE(DecodeTga(test::Exact(sample::TgaFile(image)).View(), picture, reason, kMaxPictureBytes)) << reason;
                EXPECT_EQ(std::make_tuple(picture.Width, picture.Height, picture.Pixels), std::make_tuple(5, 3, expected));
            }
}

std::string Header(unsigned idLength, unsigned mapType, unsigned type, unsigned mapFirst, unsigned mapLength, unsigned mapBits,
                   unsigned width, unsigned height, unsigned depth, unsigned descriptor = 0)
{
    std::string out;
    for (auto [value, size] : {std::pair{idLength, 1}, {mapType, 1}, {type, 1}, {mapFirst, 2}, {mapLength, 2}, {mapBits, 1}, {0u, 4},
                               {width, 2}, {height, 2}, {depth, 1}, {descriptor, 1}})
        test::PutLE(out, value, size);
    return out;
}

TEST(Tga, RefusesMalformedFilesWithAReason)
{
    const std::string grey2x2 = Header(0, 0, 3, 0, 0, 0, 2, 2, 8);
    const std::string mapped = Header(0, 1, 1, 2, 2, 24, 1, 1, 8) + std::string(6, '\x40');
    const struct { std::string file; const char* reason; std::uint64_t limit = kMaxPictureBytes; } cases[] = {
        {grey2x2.substr(0, 17), "Damaged TGA image: the file of 17 bytes is shorter than the 18-byte header."},
        {Header(0, 2, 2, 0, 0, 0, 1, 1, 24) + "abc", "Unsupported TGA image: colour-map type 2 is not known."},
        {Header(0, 0, 0, 0, 0, 0, 1, 1, 24), "Unsupported TGA image: it holds no image data."},
        {Header(0, 0, 12, 0, 0, 0, 1, 1, 24) + "abc", "Unsupported TGA image: image type 12 is not known."},
        {Header(0, 0, 2, 0, 0, 0, 1, 1, 24, 0x40) + "abc", "Unsupported TGA image: interleaved rows are not supported."},
        {Header(0, 0, 1, 0, 0, 0, 1, 1, 8) + "a", "Damaged TGA image: a colour-mapped image without a colour map."},
        {Header(0, 1, 1, 0, 1, 8, 1, 1, 8) + "aa", "Unsupported TGA image: colour-map entries of 8 bits."},
        {Header(0, 0, 2, 0, 0, 0, 1, 1, 8) + "a", "Unsupported TGA image: 8 bits a pixel in an image of type 2."},
        {Header(0, 0, 11, 0, 0, 0, 1, 1, 16) + "aa", "Unsupported TGA image: 16 bits a pixel in an image of type 11."},
        {Header(0, 0, 3, 0, 0, 0, 0, 5, 8), "Damaged TGA image: its width or height is 0."},
        {Header(0, 0, 2, 0, 0, 0, 65535, 65535, 32), "Unsupported TGA image: 65535 x 65535 pixels is too large to show."},
        {grey2x2 + "abcd", "Unsupported TGA image: 2 x 2 pixels is too large to show.", 15},
        {Header(9, 0, 3, 0, 0, 0, 1, 1, 8) + "12345678", "Damaged TGA image: the image ID runs past the end of the file."},
        {Header(0, 1, 1, 0, 300, 24, 1, 1, 8) + std::string(899, 'm'), "Damaged TGA image: the colour map of 300 entries runs past the end of the file."},
        {grey2x2 + "abc", "Damaged TGA image: the pixels run past the end of the file."},
        {Header(0, 0, 10, 0, 0, 0, 2, 1, 24) + "\x82" "abc"s, "Damaged TGA image: the packet at byte 18 passes the end of the image."},
        {Header(0, 0, 11, 0, 0, 0, 2, 2, 8) + "\x81" "a"s, "Damaged TGA image: the run-length data ends after 2 of 4 pixels."},
        {Header(0, 0, 10, 0, 0, 0, 2, 1, 24) + "\x01" "abcde"s, "Damaged TGA image: the packet at byte 18 runs past the end of the file."},
        {mapped + "\x01", "Damaged TGA image: the index 1 at byte 24 lies outside the colour map."},
        {mapped + "\x04", "Damaged TGA image: the index 4 at byte 24 lies outside the colour map."},
        {Header(0, 1, 9, 2, 2, 24, 1, 1, 8) + std::string(6, '\x40') + "\x80\x05", "Damaged TGA image: the index 5 at byte 25 lies outside the colour map."},
    };
    for (const auto& c : cases) {
        Picture picture;
        std::string reason;
        EXPECT_FALSE(DecodeTga(test::Exact(c.file).View(), picture, reason, c.limit));
        EXPECT_TRUE(reason == c.reason && picture.Pixels.empty() && picture.Width == 0) << reason;
    }
}

TEST(BmpWriter, WritesA32BitBitmapWithAlphaBottomUp)
{
    const Picture picture{2, 2, {0x11223344, 0x55667788, 0x99AABBCC, 0x00000000}};
    EXPECT_EQ(BmpFile(picture), // file header: size 138, pixels at 122
              "BM\x8A\0\0\0\0\0\0\0\x7A\0\0\0"s "\x6C\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x20\0\x03\0\0\0\x10\0\0\0\x13\x0B\0\0\x13\x0B\0\0"s
              "\0\0\0\0\0\0\0\0\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0\0\0\0\xFF\x42\x47\x52\x73"s + std::string(48, '\0') +
                  "\xCC\xBB\xAA\x99\0\0\0\0\x44\x33\x22\x11\x88\x77\x66\x55"s);
    EXPECT_EQ(BmpFile(Picture{}) + BmpFile(Picture{2, 2, {1, 2, 3}}), "");
}

} // namespace
} // namespace kelvo::iff
