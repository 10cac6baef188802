// A writer of IFF 2.5 resource files of its own, independent of the reader
// in components/iff, so the two can check each other: the sample's object
// and the tests' files are made with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::sample {

struct IffChunkData {
    std::string type; // four characters
    std::uint16_t id = 0;
    std::uint16_t flags = 0;
    std::string label; // up to 64 bytes, padded with zeros
    std::string body;
};

// The 76-byte header and body of one chunk. size overrides the size field
// (which counts the header) when given, for damaged files.
std::string IffChunkImage(const IffChunkData& chunk, std::int64_t size = -1);

// The signature, a resource-map offset of 0, then the chunks back to back.
std::string IffImage(const std::vector<IffChunkData>& chunks);

// A string-table body in format -2: count, then each string and its comment.
std::string StringPairsBody(const std::vector<std::pair<std::string, std::string>>& strings);

// A palette body: version 1, the colour count, eight zero bytes, then red,
// green and blue per colour.
std::string PaletteBody(const std::vector<std::uint32_t>& rgbColours);

// A sample object: a string table (format -2), an RLE8 bitmap, a palette, a
// behaviour chunk, then its sprites and draw group (LampSpriteChunks).
std::string LampObjectIff();

} // namespace kelvo::sample
