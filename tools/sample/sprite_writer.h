// Writers of sprite chunks (SPR#, SPR2), draw groups (DGRP) and Targa
// images of their own, independent of the readers in components/iff, so the
// two can check each other: the sample's object, the tests' files, the fuzz
// seeds and the benchmark's sprites are made with them.
#pragma once

#include "tools/sample/iff_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::sample {

// One frame as pixels, rows from the top: an index per pixel, -1 for empty;
// z and alpha per pixel when the flags carry them (ignored where empty).
struct SpriteFrameData {
    int width = 0;
    int height = 0;
    std::vector<int> index;
    std::vector<std::uint8_t> z = {};     // flags 3 and 7
    std::vector<std::uint8_t> alpha = {}; // flags 7, 0-31
    std::uint32_t flags = 1;         // SPR2: 1, 3 or 7
    std::uint16_t palette = 0;       // SPR2: the frame's palette ID
    std::uint16_t transparent = 255; // SPR2
    std::int16_t x = 0;              // SPR2
    std::int16_t y = 0;
};

// The bytes of a frame as the reference encoders write them (header, then
// the row commands); empty when a row needs more than a row command holds.
std::string SprFrame(const SpriteFrameData& frame, bool bigEndian = false);
std::string Spr2Frame(const SpriteFrameData& frame);

// Whole bodies around frame bytes (made above, or by hand for damaged
// ones). Versions 502-505 and SPR2 1000 get an offset table; 1001 the
// size prefixes. count overrides the frame count written when given.
std::string SprBody(std::uint32_t version, std::uint32_t palette, const std::vector<std::string>& frames,
                    bool bigEndian = false, std::int64_t count = -1);
std::string Spr2Body(std::uint32_t version, std::uint32_t palette, const std::vector<std::string>& frames,
                     std::int64_t count = -1);

struct DrawGroupSpriteData {
    std::uint32_t chunk = 0;
    std::uint32_t frame = 0;
    std::uint32_t flags = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint16_t type = 0;
    float objectZ = 0, objectX = 0, objectY = 0;
};

struct DrawGroupImageData {
    std::uint32_t direction = 1;
    std::uint32_t zoom = 3;
    std::vector<DrawGroupSpriteData> sprites;
};

// A DGRP body in version 20000, 20001, 20003 or 20004.
std::string DrawGroupBody(std::uint16_t version, const std::vector<DrawGroupImageData>& images);

// A Targa image. pixels are rows from the top: 0xAARRGGBB for true colour,
// the index for colour-mapped, the level for grey. map holds the colour
// map's entries as 0xAARRGGBB.
struct TgaData {
    int type = 2;          // 1, 2, 3 raw; 9, 10, 11 run-length encoded
    int depth = 32;        // 8, 15, 16, 24, 32
    int alphaBits = 8;     // the descriptor's alpha bits
    bool topDown = false;  // else bottom-up
    bool rightToLeft = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels = {};
    int mapFirst = 0;
    int mapEntryBits = 24;
    std::vector<std::uint32_t> map = {};
    std::string id = {};
    bool footer = false; // the 26-byte footer after the data
};

std::string TgaFile(const TgaData& image);

// The sample lamp's sprite chunks, coloured by its PALT 1 of 64 warm
// colours: an SPR2 (ID 256: the lamp in colour, z and alpha, frames 0, 1, 2
// at zooms 3, 2, 1), an SPR# (ID 257: its shadow, the same way) and a DGRP
// (ID 100) drawing the shadow, then the lamp (mirrored in directions 0x04
// and 0x40) in all four directions at all three zooms.
std::vector<IffChunkData> LampSpriteChunks();

} // namespace kelvo::sample
