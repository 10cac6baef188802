#include "tools/sample/iff_writer.h"

#include "tools/sample/bitmaps.h"
#include "tools/sample/sprite_writer.h"

namespace kelvo::sample {

namespace {

void PutBE(std::string& out, std::uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int shift = 0; shift < bytes * 8; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

} // namespace

std::string IffChunkImage(const IffChunkData& chunk, std::int64_t size)
{
    std::string out = (chunk.type + "    ").substr(0, 4);
    PutBE(out, static_cast<std::uint32_t>(size >= 0 ? size : static_cast<std::int64_t>(76 + chunk.body.size())), 4);
    PutBE(out, chunk.id, 2);
    PutBE(out, chunk.flags, 2);
    std::string label = chunk.label.substr(0, 64);
    label.resize(64, '\0');
    return out + label + chunk.body;
}

std::string IffImage(const std::vector<IffChunkData>& chunks)
{
    std::string out("IFF FILE 2.5:TYPE FOLLOWED BY SIZE\0 JAMIE DOORNBOS & MAXIS 1", 60);
    PutBE(out, 0, 4);
    for (const IffChunkData& chunk : chunks)
        out += IffChunkImage(chunk);
    return out;
}

std::string StringPairsBody(const std::vector<std::pair<std::string, std::string>>& strings)
{
    std::string out("\xFE\xFF", 2);
    PutLE(out, static_cast<std::uint32_t>(strings.size()), 2);
    for (const auto& [text, comment] : strings) {
        out += text;
        out += '\0';
        out += comment;
        out += '\0';
    }
    return out;
}

std::string PaletteBody(const std::vector<std::uint32_t>& rgbColours)
{
    std::string out;
    PutLE(out, 1, 4);
    PutLE(out, static_cast<std::uint32_t>(rgbColours.size()), 4);
    out.append(8, '\0');
    for (std::uint32_t colour : rgbColours)
        PutBE(out, colour, 3);
    return out;
}

std::string LampObjectIff()
{
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < 64; ++i) // a warm ramp: dark brown to lamp-light yellow
        palette.push_back((0x40 + i * 3) << 16 | (0x20 + i * 3) << 8 | (i * 2));
    std::string behaviour;
    for (std::uint32_t word : {0x8002u, 0x0003u, 0x0000u, 0x0002u, 0x0101u, 0xFDFEu, 0x0100u, 0xFDFFu})
        PutLE(behaviour, word, 2);
    std::vector<IffChunkData> chunks{
        {"STR#", 128, 0x10, "Lamp strings",
         StringPairsBody({{"Floor Lamp", "catalog name"},
                          {"Tall and bright, it lights a room at night.", "catalog description"},
                          {"Turn On", "pie menu"},
                          {"Turn Off", "pie menu"}})},
        {"BMP_", 100, 0, "Lamp thumbnail", HouseBmpRle8()},
        {"PALT", 1, 0, "Lamp palette", PaletteBody(palette)},
        {"BHAV", 4096, 0, "Turn On - main", behaviour},
    };
    for (IffChunkData& chunk : LampSpriteChunks())
        chunks.push_back(std::move(chunk));
    return IffImage(chunks);
}

} // namespace kelvo::sample
