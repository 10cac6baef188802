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
using test::Exact;
using test::Hex;
using Palettes = std::map<std::uint16_t, std::vector<PaletteColour>>; // by ID, as a file's PALT chunks give them

// 256 distinct colours: index i is (i, 255 - i, i ^ 0x5A).
std::vector<PaletteColour> Distinct(std::size_t count = 256)
{
    std::vector<PaletteColour> colours;
    for (std::size_t i = 0; i < count; ++i)
        colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i ^ 0x5A)});
    return colours;
}

std::vector<SpriteFrame> Decode(const std::string& type, const std::string& body, const Palettes& palettes = {}, SpriteChunk* read = nullptr)
{
    const Exact exact(body);
    SpriteChunk chunk;
    std::string reason;
    EXPECT_TRUE(ReadSpriteChunk(type, exact.View(), chunk, reason)) << reason;
    if (read)
        *read = chunk;
    return DecodeSpriteFrames(chunk, exact.View(), [&palettes](std::uint16_t id) {
        const auto found = palettes.find(id);
        return found == palettes.end() ? nullptr : &found->second;
    });
}

// The frame's pixels in the writer's form: -1 for empty, else the index.
std::vector<int> Indices(const SpriteFrame& frame)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < frame.Written.size(); ++i)
        out.push_back(frame.Written[i] ? frame.Index[i] : -1);
    return out;
}

TEST(Sprites, DecodeTheDocumentedFrames)
{
    Palettes palettes{{1, Distinct()}, {10, Distinct(16)}};
    palettes[1][5] = {200, 100, 50};
    // An SPR2 frame of 3 x 3 with z and alpha, in a version-1000 and a version-1001 body.
    const std::string frame2 = Hex("03 00 03 00 07 00 00 00 01 00 FF 00 0A 00 05 00 0E 00 01 40 28 05 10 00 01 60 01 C0 09"
                                   "00 01 80 08 00 02 20 03 07 03 07 00 A0");
    for (const std::string& body : {Hex("E8 03 00 00 01 00 00 00 01 00 00 00 10 00 00 00") + frame2,
                                    Hex("E9 03 00 00 01 00 00 00 01 00 00 00 E9 03 00 00 2A 00 00 00") + frame2}) {
        const SpriteFrame frame = Decode("SPR2", body, palettes).at(0);
        ASSERT_EQ(frame.Status, FrameStatus::fsDrawn) << frame.Reason;
        EXPECT_EQ(std::make_tuple(frame.Width, frame.Height, frame.X, frame.Y, frame.Flags, frame.PaletteID, frame.TransparentIndex),
                  std::make_tuple(3, 3, 5, 10, 7u, std::uint16_t{1}, std::uint16_t{255}));
        EXPECT_EQ(Indices(frame), (std::vector<int>{5, -1, 9, -1, -1, -1, 7, 7, -1}));
        EXPECT_EQ(frame.Z, (std::vector<std::uint8_t>{40, 255, 0, 255, 255, 255, 3, 3, 255}));
        EXPECT_EQ(frame.Alpha, (std::vector<std::uint8_t>{16, 0, 31, 0, 0, 0, 31, 31, 0}));
        const std::uint32_t c7 = Argb(255, 7, 248, 7 ^ 0x5A);
        EXPECT_EQ(frame.Colour.Pixels, (std::vector<std::uint32_t>{Argb(132, 200, 100, 50), 0, Argb(255, 9, 246, 9 ^ 0x5A), 0, 0, 0, c7, c7, 0}));
        EXPECT_EQ(std::make_tuple(ZPicture(frame).Pixels[0], ZPicture(frame).Pixels[1], AlphaPicture(frame).Pixels[0]),
                  std::make_tuple(Argb(255, 40, 40, 40), Argb(255, 255, 255, 255), Argb(255, 132, 132, 132)));
    }
    // An SPR# frame of 4 x 3 in a version-505 body, little- and big-endian.
    const std::string commands = Hex("00 00 04 08 01 01 02 03 03 00 09 01 04 0C 03 02 07 08 01 01 03 01 09 00 05 00");
    for (const std::string& body : {Hex("F9 01 00 00 01 00 00 00 0A 00 00 00 10 00 00 00 00 00 00 00 03 00 04 00") + commands,
                                    Hex("00 00 01 F9 00 00 00 01 00 00 00 0A 00 00 00 10 00 00 00 00 00 03 00 04") + commands}) {
        const SpriteFrame frame = Decode("SPR#", body, palettes).at(0);
        ASSERT_EQ(frame.Status, FrameStatus::fsDrawn) << frame.Reason;
        EXPECT_EQ(std::make_tuple(frame.Width, frame.Height, frame.PaletteID, frame.HasZ(), frame.HasAlpha()),
                  std::make_tuple(4, 3, std::uint16_t{10}, false, false));
        EXPECT_EQ(Indices(frame), (std::vector<int>{-1, 3, 3, 3, -1, -1, -1, -1, 7, 8, -1, 9}));
        EXPECT_EQ(frame.Colour.Pixels[1], Argb(255, 3, 252, 3 ^ 0x5A));
        EXPECT_TRUE(ZPicture(frame).Pixels.empty());
    }
}

// Frames of every run the writers make: long equal, empty, literal; over 255 (SPR#) empty rows.
SpriteFrameData Pattern(int width, int height, std::uint32_t flags, std::uint32_t seed, int literalsPerRow)
{
    SpriteFrameData frame{.width = width, .height = height, .index = {}, .flags = flags, .palette = 3};
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16 & 0x7FFF; };
    for (int y = 0; y < height; ++y) {
        const bool emptyRow = (y >= 10 && y < 280) || next() % 8 == 0;
        for (int x = 0, literals = literalsPerRow; x < width;) {
            const unsigned kind = emptyRow ? 0 : next() % 3;
            const int length = kind == 2 ? std::min(static_cast<int>(next() % 5) + 1, literals) : static_cast<int>(next() % 300) + 1;
            literals -= kind == 2 ? length : 0;
            const int index = static_cast<int>(next() % 256);
            for (int i = 0; i < length && x < width; ++i, ++x) {
                frame.index.push_back(kind == 0 ? -1 : kind == 1 ? index : static_cast<int>(next() % 256));
                frame.z.push_back(next() % 2 ? 0 : static_cast<std::uint8_t>(next()));
                frame.alpha.push_back(next() % 2 ? 31 : static_cast<std::uint8_t>(next() % 32));
            }
        }
    }
    return frame;
}

TEST(Sprites, DecodeWhatTheWriterEncodesInEveryLayout)
{
    const Palettes palettes{{3, Distinct()}};
    const SpriteFrameData small = Pattern(7, 5, 1, 1, 4), wide = Pattern(300, 290, 1, 2, 100);
    const struct { const char* type; std::uint32_t version; bool bigEndian; std::vector<SpriteFrameData> frames; } cases[] = {
        {"SPR#", 505, false, {small, wide}}, {"SPR#", 502, true, {wide, small}}, {"SPR#", 1001, true, {small}},
        {"SPR2", 1000, false, {Pattern(300, 290, 1, 3, 2000), Pattern(3000, 3, 3, 4, 20), Pattern(300, 290, 7, 5, 2000)}},
        {"SPR2", 1001, false, {Pattern(8, 300, 7, 6, 8), Pattern(1, 1, 3, 7, 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.version) + (c.bigEndian ? " big-endian" : ""));
        const bool spr2 = c.type == "SPR2"s;
        std::vector<std::string> frames;
        for (const SpriteFrameData& frame : c.frames)
            frames.push_back(spr2 ? sample::Spr2Frame(frame) : sample::SprFrame(frame, c.bigEndian));
        SpriteChunk chunk;
        const auto decoded = Decode(c.type, spr2 ? sample::Spr2Body(c.version, 3, frames) : sample::SprBody(c.version, 3, frames, c.bigEndian),
                                    palettes, &chunk);
        EXPECT_TRUE(chunk.BigEndian == c.bigEndian && chunk.Notes.empty());
        ASSERT_EQ(decoded.size(), c.frames.size());
        for (std::size_t f = 0; f < c.frames.size(); ++f) {
            const SpriteFrameData& in = c.frames[f];
            const SpriteFrame& out = decoded[f];
            ASSERT_EQ(out.Status, FrameStatus::fsDrawn) << out.Reason;
            ASSERT_EQ(std::make_tuple(out.Width, out.Height, out.Flags), std::make_tuple(in.width, in.height, in.flags));
            EXPECT_EQ(Indices(out), in.index);
            for (std::size_t i = 0; i < in.index.size(); ++i) {
                const bool empty = in.index[i] < 0;
                const unsigned alpha = in.flags == 7 ? in.alpha[i] : 31;
                const auto& colour = palettes.at(3)[static_cast<std::size_t>(empty ? 0 : in.index[i])];
                ASSERT_EQ(out.Colour.Pixels[i], empty ? 0 : Argb((alpha * 255 + 15) / 31, colour.Red, colour.Green, colour.Blue)) << i;
                ASSERT_TRUE(!(in.flags & 2) || out.Z[i] == (empty ? 255 : in.z[i])) << i;
                ASSERT_TRUE(!(in.flags & 4) || out.Alpha[i] == (empty ? 0 : in.alpha[i])) << i;
            }
        }
    }
}

TEST(Sprites, ChooseThePaletteTheFrameOrChunkNamesElseAGreyRamp)
{
    const Palettes palettes{{0, Distinct()}, {1, Distinct()}, {2, {{10, 20, 30}}}, {0xA3A3, Distinct()}};
    const std::uint32_t chunks = Argb(255, 0, 255, 0x5A);
    // Type, the chunk's and the frame's palette, the index; the palette used, the colour and the note.
    const std::tuple<const char*, std::uint16_t, std::uint16_t, int, std::uint16_t, std::uint32_t, const char*> cases[] = {
        {"SPR2", 1, 2, 0, 2, Argb(255, 10, 20, 30), ""}, // the frame's own
        {"SPR2", 1, 0, 0, 1, chunks, ""},                // 0: the chunk's
        {"SPR2", 1, 0xA3A3, 0, 1, chunks, ""},           // filler: the chunk's
        {"SPR2", 1, 9, 0, 1, chunks, ""},                // no such PALT: the chunk's
        {"SPR2", 7, 9, 200, 7, Argb(255, 200, 200, 200), "palette 7 not found"},
        {"SPR#", 7, 0, 64, 7, Argb(255, 64, 64, 64), "palette 7 not found"},
        {"SPR#", 2, 0, 0, 2, Argb(255, 10, 20, 30), ""},
        {"SPR2", 2, 2, 1, 2, Argb(255, 255, 0, 255), "palette 2 has 1 colours; indices past them are shown in magenta"},
    };
    for (const auto& [type, chunkPalette, framePalette, index, used, colour, note] : cases) {
        SCOPED_TRACE(std::string(type) + " palette " + std::to_string(framePalette) + " index " + std::to_string(index));
        SpriteFrameData frame{.width = 1, .height = 1, .index = {index}, .flags = 1, .palette = framePalette};
        const std::string body = type == "SPR2"s ? sample::Spr2Body(1000, chunkPalette, {sample::Spr2Frame(frame)})
                                                 : sample::SprBody(504, chunkPalette, {sample::SprFrame(frame)});
        const SpriteFrame out = Decode(type, body, palettes).at(0);
        ASSERT_EQ(out.Status, FrameStatus::fsDrawn) << out.Reason;
        EXPECT_EQ(std::make_tuple(out.PaletteID, out.Colour.Pixels[0], out.PaletteNote, out.PaletteMissing, out.IndexPastPalette),
                  std::make_tuple(used, colour, std::string(note), note == "palette 7 not found"s, std::string(note).find("magenta") != std::string::npos));
    }
}

std::string Le16(unsigned value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)}; }

// Frame headers of 4 x 2 pixels unless said otherwise.
std::string Spr2Header(unsigned flags, unsigned transparent = 255, unsigned width = 4)
{ return Le16(width) + Le16(2) + Le16(flags) + Le16(0) + Le16(1) + Le16(transparent) + Le16(0) + Le16(0); }
std::string SprHeader(unsigned width = 4, unsigned height = 2, unsigned reserved = 0) { return Le16(reserved) + Le16(0) + Le16(height) + Le16(width); }

TEST(Sprites, RefuseEachMalformedFrameWithAReason)
{
    constexpr FrameStatus damaged = FrameStatus::fsDamaged, unusable = FrameStatus::fsUnusable;
    const std::string end2 = Le16(0xA000);
    const struct { const char* type; std::string frame; FrameStatus status; const char* reason; } cases[] = {
        {"SPR#", SprHeader() + "\x07\x00"s, damaged, "unknown row command 7 at byte 24"},
        {"SPR#", SprHeader() + "\x04\x02\x04\x02\x04\x02\x05\x00"s, damaged, "a row at byte 28 comes when all 2 rows are filled"},
        {"SPR#", SprHeader() + "\x04\x05\x01\x01\x00\x05\x00"s, damaged, "has the length 5, which is odd"},
        {"SPR#", SprHeader() + "\x04\x00\x05\x00"s, damaged, "has the length 0, below 2"},
        {"SPR#", SprHeader() + "\x04\x08\x01\x01\x05\x00"s, damaged, "the row at byte 24 of 8 bytes runs past the data"},
        {"SPR#", SprHeader() + "\x04\x08\x02\x03\x01\x00\x01\x02\x05\x00"s, damaged, "in row 0 passes the width of 4 pixels"},
        {"SPR#", SprHeader() + "\x04\x06\x03\x03\x01\x02\x03\x00\x05\x00"s, damaged, "pixel data at byte 26 runs past its row's length"},
        {"SPR#", SprHeader() + "\x04\x06\x01\x01\x07\x00\x05\x00"s, damaged, "unknown pixel command 7 at byte 28"},
        {"SPR#", SprHeader() + "\x09\x01\x09\x02\x05\x00"s, damaged, "2 empty rows at byte 26 pass the last row (from row 1 of 2)"},
        {"SPR#", SprHeader() + "\x00\x00\x04\x04\x01\x01"s, damaged, "the data ends at byte 30 before the end marker"},
        {"SPR#", SprHeader(4, 2, 1) + "\x07\x07"s, unusable, "Unusable frame: its reserved field is 1, not 0."},
        {"SPR#", SprHeader(0, 2) + "\x07\x07"s, unusable, "Unusable frame: its width or height is 0."},
        {"SPR#", SprHeader(65535, 65535) + "\x05\x00"s, unusable, "65535 x 65535 pixels is too large to show"},
        {"SPR#", SprHeader().substr(0, 7), damaged, "its header at byte 16 is cut off"},
        {"SPR2", Spr2Header(5) + end2, damaged, "its flags are 5, not 1, 3 or 7"},
        {"SPR2", Spr2Header(1, 256) + end2, damaged, "its transparent colour index 256 is past 255"},
        {"SPR2", Spr2Header(1) + Le16(6) + Le16(0x2001) + "\x01\x02"s + end2, damaged, "pixel command 1 at byte 34 needs a z channel"},
        {"SPR2", Spr2Header(3) + Le16(8) + Le16(0x4001) + "\x01\x02\x03\x00"s + end2, damaged, "pixel command 2 at byte 34 needs an alpha channel"},
        {"SPR2", Spr2Header(1) + Le16(0x8002) + Le16(4) + Le16(0x6001) + end2, damaged, "a row at byte 34 comes when all 2 rows are filled"},
        {"SPR2", Spr2Header(1) + Le16(0x8001) + Le16(0x8002) + end2, damaged, "2 empty rows at byte 34 pass the last row (from row 1 of 2)"},
        {"SPR2", Spr2Header(1) + Le16(10) + Le16(0x6001) + end2, damaged, "the row at byte 32 of 10 bytes runs past the frame's data"},
        {"SPR2", Spr2Header(1) + Le16(4) + Le16(0x6005) + end2, damaged, "at byte 34 in row 0 passes the width of 4 pixels"},
        {"SPR2", Spr2Header(7) + Le16(8) + Le16(0x4002) + "\x01\x02\x03\x04"s + end2, damaged, "the pixel data at byte 34 runs past its row's length"},
        {"SPR2", Spr2Header(1) + Le16(3 << 13) + end2, damaged, "unknown row command 3 at byte 32"},
        {"SPR2", Spr2Header(1) + Le16(4) + Le16(7 << 13) + end2, damaged, "unknown pixel command 7 at byte 34"},
        {"SPR2", Spr2Header(1) + Le16(4) + Le16(0x6001), damaged, "the data ends at byte 36 before the end marker"},
        {"SPR2", Spr2Header(99, 255, 0) + "\x07"s, unusable, "Unusable frame: its width or height is 0."},
        {"SPR2", Spr2Header(1).substr(0, 15), damaged, "its header at byte 16 is cut off"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const bool spr2 = c.type == "SPR2"s;
        // The frame ends with the body, or (version 1001) its stated size before a good frame that still decodes.
        const SpriteFrameData good{.width = 2, .height = 1, .index = {1, 2}};
        const std::vector<std::string> frames{c.frame, spr2 ? sample::Spr2Frame(good) : sample::SprFrame(good)};
        for (const bool prefixed : {false, true}) {
            const std::string body = prefixed ? (spr2 ? sample::Spr2Body(1001, 1, frames) : sample::SprBody(1001, 1, frames))
                                              : (spr2 ? sample::Spr2Body(1000, 1, {c.frame}) : sample::SprBody(505, 1, {c.frame}));
            const auto decoded = Decode(c.type, body);
            ASSERT_EQ(decoded.size(), prefixed ? 2u : 1u);
            EXPECT_TRUE(decoded[0].Status == c.status && decoded[0].Colour.Pixels.empty() && decoded[0].Written.empty() &&
                        (prefixed || decoded[0].Reason.find(c.reason) != std::string::npos)) << decoded[0].Reason; // offsets of a frame at byte 16
            EXPECT_TRUE(!prefixed || Indices(decoded[1]) == (std::vector<int>{1, 2}));
        }
    }
}

TEST(Sprites, RefuseChunksWhoseFramesCannotBeFound)
{
    const std::string frame = sample::SprFrame({.width = 1, .height = 1, .index = {1}});
    // Frames read (none: refused) and the reason, or the first note.
    const struct { const char* type; std::string body; std::size_t frames; const char* message; } cases[] = {
        {"SPR#", "\xF9\x01\x00\x00\x01\x00\x00"s, 0, "Damaged sprite chunk: the body of 7 bytes is shorter than its 12-byte header."},
        {"SPR2", sample::Spr2Body(505, 1, {frame}), 0, "Unsupported sprite chunk: version 505 is not known."},
        {"BMP_", sample::SprBody(505, 1, {frame}), 0, "Not a sprite chunk: BMP_."},
        {"SPR#", sample::SprBody(505, 1, {frame}, false, 0xFFFFFFFF), 0,
         "Damaged sprite chunk: the offset table of 4294967295 frames does not fit in the body of 34 bytes."},
        {"SPR#", sample::SprBody(1001, 1, {frame, frame}, false, 3), 2, "The header gives 3 frames; the body holds 2."},
        {"SPR2", sample::Spr2Body(1001, 1, {frame}) + "\xE9\x03\x00\x00\x01"s, 1, "Damaged sprite chunk: frame 1's prefix at byte 38 is cut off."},
        {"SPR#", sample::SprBody(1001, 1, {frame}) + "\xEA\x03\x00\x00\x00\x00\x00\x00"s, 1, "frame 1's prefix at byte 38 starts with 1002, not 1001"},
        {"SPR#", sample::SprBody(1001, 1, {frame}, true) + "\x00\x00\x03\xE9\xFF\xFF\xFF\xF8"s, 1, "gives the size 4294967288, past the end of the body"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Exact body(c.body);
        SpriteChunk chunk;
        std::string reason;
        EXPECT_EQ(ReadSpriteChunk(c.type, body.View(), chunk, reason), c.frames > 0);
        const std::string message = c.frames > 0 ? chunk.Notes.at(0) : reason;
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(DecodeSpriteFrames(chunk, body.View(), {}).size(), c.frames);
    }
    // Offsets past the body damage their frame only.
    std::string body = sample::SprBody(505, 1, {frame, frame});
    body[12] = '\x7F';
    const auto decoded = Decode("SPR#", body);
    EXPECT_EQ(std::make_pair(decoded.at(0).Reason, Indices(decoded.at(1))),
              std::make_pair("Damaged frame: its offset 127 lies past the body of 56 bytes."s, std::vector<int>{1}));
    // Four frames of 2048 x 2048 fill the chunk's picture limit; a fifth is not decoded.
    const std::string big = SprHeader(2048, 2048) + "\x09\xFF\x09\xFF\x09\xFF\x09\xFF\x09\xFF\x09\xFF\x09\xFF\x09\xFF\x09\x08\x05\x00"s;
    const auto many = Decode("SPR#", sample::SprBody(505, 1, {big, big, big, big, big}));
    EXPECT_EQ(std::make_tuple(many.size(), many[3].Status, many[4].Reason),
              std::make_tuple(5u, FrameStatus::fsDrawn, "Unusable frame: the chunk's frames together are too large to show."s));
}

// Direction, zoom, chunk, frame, flags, x, y, object z, x and y, type.
using SpriteRow = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                             float, float, float, std::uint16_t>;

std::vector<SpriteRow> Rows(const DrawGroup& group)
{
    std::vector<SpriteRow> rows;
    for (const DrawGroupImage& image : group.Images)
        for (const DrawGroupSprite& s : image.Sprites)
            rows.emplace_back(image.Direction, image.Zoom, s.ChunkID, s.Frame, s.Flags, s.X, s.Y, s.ObjectZ, s.ObjectX, s.ObjectY, s.Type);
    return rows;
}

TEST(DrawGroups, DecodeEveryVersion)
{
    const std::vector<DrawGroupImageData> images{
        {0x10, 2, {{.chunk = 300, .frame = 1, .flags = 0x15, .x = -3, .y = 60, .type = 7, .objectZ = 1.5f, .objectX = 2.5f, .objectY = -4}}},
        {0x40, 1, {}}, {0x01, 3, {{.chunk = 301, .frame = 2, .x = 32767, .y = -32768}, {.chunk = 302}}}};
    const SpriteRow second{1, 3, 301, 2, 0, 32767, -32768, 0, 0, 0, 0}, third{1, 3, 302, 0, 0, 0, 0, 0, 0, 0, 0};
    const struct { std::string body; std::uint16_t version; std::vector<SpriteRow> rows; } cases[] = {
        // The documented groups of one mirrored sprite.
        {Hex("24 4E 01 00 00 00 01 00 00 00 03 00 00 00 01 00 00 00 80 00 00 00 02 00 00 00 DE FF FF FF 3C 00 00 00"
             "00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00"), 20004, {{1, 3, 0x80, 2, 1, -34, 60, 0, 0, 0, 0}}},
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
    const std::pair<std::string, const char*> broken[] = {
        {"\x20"s, "Damaged draw group: the body is shorter than its version."},
        {sample::DrawGroupBody(20002, images), "Unsupported draw group: version 20002 is not known."},
        {"\x24\x4E\x01\x00\x00"s, "Damaged draw group: the body ends inside its image count."},
        {"\x24\x4E\xFF\xFF\xFF\xFF"s + std::string(12, '\0'), "Damaged draw group: the 4294967295 images it counts do not fit in the body of 18 bytes."},
        {good.substr(0, good.size() - 1), "Damaged draw group: the 2 sprites of image 3 at byte 62 run past the body."},
        {"\x20\x4E\x02\x00\x01\x00\x01\x01"s + std::string(14, '\0'), "Damaged draw group: the header of image 2 at byte 20 is cut off."},
        {"\x21\x4E\x01\x00\xFF\xFF\x01\x01"s + std::string(16, '\0'), "Damaged draw group: the 65535 sprites of image 1 at byte 4 run past the body."},
    };
    for (const auto& [body, expected] : broken) {
        DrawGroup group;
        std::string reason;
        EXPECT_FALSE(DecodeDrawGroup(body, group, reason));
        EXPECT_TRUE(reason == expected && group.Images.empty()) << reason;
    }
}

// A frame of the writer's form, with z when zs is given and alpha when alphas is.
SpriteFrameData Frame(int width, int height, std::vector<int> index, std::vector<std::uint8_t> zs = {}, std::vector<std::uint8_t> alphas = {})
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
    const std::uint32_t green = Argb(255, 0, 255, 0), blue = Argb(255, 0, 0, 255), white = Argb(255, 255, 255, 255);
    // Every pixel not transparent, row by row, and the problems.
    const struct { std::uint32_t direction; std::vector<std::tuple<int, int, std::uint32_t>> pixels; std::vector<std::string> problems; } expected[] = {
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
    const ComposedImage zoom3 = ComposeImage({0x01, 3, {}}, file);
    EXPECT_EQ(std::make_tuple(middle[0].Image.Width, middle[0].Image.Height, middle[0].AnchorX, middle[0].AnchorY, middle[0].Image.At(34, 172),
                              zoom3.Image.Width, zoom3.Image.Height, zoom3.AnchorX, zoom3.AnchorY, ComposeDrawGroup(group, 3, file).empty()),
              std::make_tuple(68, 192, 34, 174, Argb(255, 255, 0, 0), 136, 384, 68, 348, true));
    EXPECT_EQ(ComposeImage({0x01, 4, {}}, file).Problems, std::vector<std::string>{"Zoom 4 is not known."});
}

} // namespace
} // namespace kelvo::iff
