#include "components/iff/sprites.h"

#include "tests/native/iff/iff_test_support.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sprite_writer.h"

#include <gtest/gtest.h>

namespace kelvo::iff {
namespace {

using namespace std::string_literals;
using sample::DrawGroupImageData;
using sample::SpriteFrameData;
using test::Hex;

struct SpriteRow {
    std::uint32_t direction, zoom, chunk, frame, flags;
    std::int32_t x, y;
    float objectZ, objectX, objectY;
    std::uint16_t type;
    bool operator==(const SpriteRow&) const = default;
};

std::vector<SpriteRow> Rows(const DrawGroup& group)
{
    std::vector<SpriteRow> rows;
    for (const DrawGroupImage& image : group.Images)
        for (const DrawGroupSprite& s : image.Sprites)
            rows.push_back({image.Direction, image.Zoom, s.ChunkID, s.Frame, s.Flags, s.X, s.Y, s.ObjectZ, s.ObjectX, s.ObjectY, s.Type});
    return rows;
}

TEST(DrawGroups, DecodeEveryVersion)
{
    const std::vector<DrawGroupImageData> images{
        {0x10, 2, {{.chunk = 300, .frame = 1, .flags = 0x15, .x = -3, .y = 60, .type = 7, .objectZ = 1.5f, .objectX = 2.5f, .objectY = -4}}},
        {0x40, 1, {}},
        {0x01, 3, {{.chunk = 301, .frame = 2, .x = 32767, .y = -32768}, {.chunk = 302}}}};
    const SpriteRow second{1, 3, 301, 2, 0, 32767, -32768, 0, 0, 0, 0}, third{1, 3, 302, 0, 0, 0, 0, 0, 0, 0, 0};
    const struct {
        std::string body;
        std::uint16_t version;
        std::vector<SpriteRow> rows;
    } cases[] = {
        // The documented groups of one mirrored sprite.
        {Hex("24 4E 01 00 00 00 01 00 00 00 03 00 00 00 01 00 00 00 80 00 00 00 02 00 00 00 DE FF FF FF 3C 00 00 00"
             "00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00"),
         20004, {{1, 3, 0x80, 2, 1, -34, 60, 0, 0, 0, 0}}},
        {Hex("20 4E 01 00 01 00 01 03 00 00 80 00 02 00 01 00 DE FF 3C 00"), 20000, {{1, 3, 0x80, 2, 1, -34, 60, 0, 0, 0, 0}}},
        // Each version keeps the fields it has.
        {sample::DrawGroupBody(20000, images), 20000, {{0x10, 2, 300, 1, 0x15, -3, 60, 0, 0, 0, 7}, second, third}},
        {sample::DrawGroupBody(20001, images), 20001, {{0x10, 2, 300, 1, 0x15, -3, 60, 1.5f, 0, 0, 7}, second, third}},
        {sample::DrawGroupBody(20003, images), 20003, {{0x10, 2, 300, 1, 0x15, -3, 60, 1.5f, 0, 0, 0}, second, third}},
        {sample::DrawGroupBody(20004, images), 20004, {{0x10, 2, 300, 1, 0x15, -3, 60, 1.5f, 2.5f, -4, 0}, second, third}},
    };
    for (const auto& c : cases) {
        DrawGroup group;
        std::string reason;
        ASSERT_TRUE(DecodeDrawGroup(c.body, group, reason)) << reason;
        EXPECT_EQ(std::make_pair(group.Version, Rows(group)), std::make_pair(c.version, c.rows));
    }
    const std::string good = sample::DrawGroupBody(20004, images);
    const struct {
        std::string body;
        const char* reason;
    } broken[] = {
        {"\x20"s, "Damaged draw group: the body is shorter than its version."},
        {sample::DrawGroupBody(20002, images), "Unsupported draw group: version 20002 is not known."},
        {"\x24\x4E\x01\x00\x00"s, "Damaged draw group: the body ends inside its image count."},
        {"\x24\x4E\xFF\xFF\xFF\xFF"s + std::string(12, '\0'), "Damaged draw group: the 4294967295 images it counts do not fit in the body of 18 bytes."},
        {good.substr(0, good.size() - 1), "Damaged draw group: the 2 sprites of image 3 at byte 62 run past the body."},
        {"\x20\x4E\x02\x00\x01\x00\x01\x01"s + std::string(14, '\0'), "Damaged draw group: the header of image 2 at byte 20 is cut off."},
        {"\x21\x4E\x01\x00\xFF\xFF\x01\x01"s + std::string(16, '\0'), "Damaged draw group: the 65535 sprites of image 1 at byte 4 run past the body."},
    };
    for (const auto& c : broken) {
        DrawGroup group;
        std::string reason;
        EXPECT_FALSE(DecodeDrawGroup(c.body, group, reason));
        EXPECT_TRUE(reason == c.reason && group.Images.empty()) << reason;
    }
}

// A frame of the writer's form, with z when zs is given and alpha when alphas is.
SpriteFrameData Frame(int width, int height, std::vector<int> index, std::vector<std::uint8_t> zs = {},
                      std::vector<std::uint8_t> alphas = {})
{
    const std::uint32_t flags = alphas.empty() ? (zs.empty() ? 1 : 3) : 7;
    return {.width = width, .height = height, .index = std::move(index), .z = std::move(zs), .alpha = std::move(alphas),
            .flags = flags, .palette = 1};
}

TEST(DrawGroups, ComposeTheSpritesInOrderWithDepthMirroringAndClipping)
{
    const std::vector<DrawGroupImageData> images{
        {0x40, 1, {{.chunk = 99}, {.chunk = 10, .frame = 5}, {.chunk = 11, .frame = 2}, {.chunk = 13, .x = -17, .y = -86}}},
        {0x01, 2, {{.chunk = 10}}},
        // The documented example at zoom 1.
        {0x01, 1, {{.chunk = 10, .flags = 1}, {.chunk = 11, .x = 1, .y = -1}, {.chunk = 11, .x = 1, .y = -2}, {.chunk = 11, .frame = 1, .y = -1}}},
        // Partly and wholly off the canvas; an SPR# painted over.
        {0x04, 1, {{.chunk = 10, .x = -18}, {.chunk = 10, .x = -2000000000, .y = 2000000000}, {.chunk = 12, .x = 10}}},
        {0x01, 1, {{.chunk = 12}}}, // a second image of a direction and zoom does not count
    };
    const std::string image = sample::IffImage({
        {"PALT", 1, 0, "", sample::PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF})},
        {"SPR#", 10, 0, "hidden by the SPR2 of its ID", sample::SprBody(505, 1, {sample::SprFrame(Frame(1, 1, {4}))})},
        {"SPR2", 10, 0, "", sample::Spr2Body(1000, 1, {sample::Spr2Frame(Frame(2, 2, {1, 2, -1, 3}, {10, 10, 10, 10}))})},
        {"SPR2", 11, 0, "", sample::Spr2Body(1001, 1, {sample::Spr2Frame(Frame(1, 1, {4}, {5}, {16})),
                                                        sample::Spr2Frame(Frame(1, 1, {4}, {20})), sample::Spr2Frame(Frame(0, 1, {}))})},
        {"SPR#", 12, 0, "", sample::SprBody(1001, 1, {sample::SprFrame(Frame(1, 1, {4}))})},
        {"SPR#", 13, 0, "no palette", sample::SprBody(505, 9, {sample::SprFrame(Frame(1, 1, {4}))})},
        {"DGRP", 1, 0, "", sample::DrawGroupBody(20004, images)},
    });
    MemorySource source(image);
    const IffListing listing = ReadChunks(source);
    SpriteFile file(source, listing.Chunks);
    DrawGroup group;
    std::string reason, body;
    ASSERT_TRUE(ReadBody(source, listing.Chunks.back(), body) && DecodeDrawGroup(body, group, reason)) << reason;
    const std::vector<ComposedImage> composed = ComposeDrawGroup(group, 1, file);
    ASSERT_EQ(composed.size(), 3u);
    const std::uint32_t red = Argb(255, 255, 0, 0), green = Argb(255, 0, 255, 0), blue = Argb(255, 0, 0, 255),
                        white = Argb(255, 255, 255, 255);
    const struct {
        std::uint32_t direction;
        std::vector<std::tuple<int, int, std::uint32_t>> pixels; // every pixel not transparent, row by row
        std::vector<std::string> problems;
    } expected[] = {
        {0x01, {{18, 84, Argb(132, 132, 132, 132)}, {17, 85, green}, {18, 85, Argb(255, 255, 132, 132)}, {17, 86, blue}}, {}},
        {0x04, {{0, 85, green}, {0, 86, blue}, {27, 86, white}}, {}},
        {0x40, {{0, 0, Argb(255, 4, 4, 4)}},
         {"Sprite 1 (chunk 99, frame 0) is skipped: there is no SPR2 or SPR# chunk 99.",
          "Sprite 2 (chunk 10, frame 5) is skipped: SPR2 10 has 1 frames, no frame 5.",
          "Sprite 3 (chunk 11, frame 2) is skipped: Unusable frame: its width or height is 0.",
          "Sprite 4 (chunk 13, frame 0): palette 9 not found."}},
    };
    for (std::size_t i = 0; i < composed.size(); ++i) {
        SCOPED_TRACE(expected[i].direction);
        const ComposedImage& out = composed[i];
        EXPECT_EQ(std::make_tuple(out.Direction, out.Zoom, out.AnchorX, out.AnchorY, out.Image.Width, out.Image.Height),
                  std::make_tuple(expected[i].direction, 1u, 17, 87, 34, 96));
        std::vector<std::tuple<int, int, std::uint32_t>> drawn;
        for (int y = 0; y < out.Image.Height; ++y)
            for (int x = 0; x < out.Image.Width; ++x)
                if (out.Image.At(x, y) != 0)
                    drawn.emplace_back(x, y, out.Image.At(x, y));
        EXPECT_EQ(drawn, expected[i].pixels);
        EXPECT_EQ(out.Problems, expected[i].problems);
    }
    // Other zooms have their own canvas.
    const std::vector<ComposedImage> middle = ComposeDrawGroup(group, 2, file);
    ASSERT_EQ(middle.size(), 1u);
    EXPECT_EQ(std::make_tuple(middle[0].Image.Width, middle[0].Image.Height, middle[0].AnchorX, middle[0].AnchorY),
              std::make_tuple(68, 192, 34, 174));
    EXPECT_EQ(middle[0].Image.At(34, 172), red);
    EXPECT_TRUE(ComposeDrawGroup(group, 3, file).empty());
    EXPECT_EQ(ComposeImage({0x01, 4, {}}, file).Problems, std::vector<std::string>{"Zoom 4 is not known."});
}

} // namespace
} // namespace kelvo::iff
