// Writes the fuzz targets' first corpora into FOLDER: archives, and in iff, refpack, sprites and tga each layout the writers make.
#include "archive/far_archive.h"
#include "archive/refpack.h"
#include "tests/fuzz/fuzz_check.h"
#include "tools/sample/iff_writer.h"
#include "tools/sample/sample_archive.h"
#include "tools/sample/sprite_writer.h"

using namespace kelvo::sample;
using namespace std::string_literals;
using kelvo::fuzz::WriteAll;
namespace fs = std::filesystem;

// Frames of each flag set in SPR# and SPR2 chunks, with a draw group of each version.
static void WriteSprites(const fs::path& folder)
{
    SpriteFrameData frame{.width = 5, .height = 4, .index = {-1, 1, 1, 1, 2, -1, -1, -1, -1, -1, 3, 4, -1, 5, 6, 7, 7, 7, 7, 7},
                          .z = std::vector<std::uint8_t>(20, 9), .alpha = {31, 31, 0, 16, 31, 0, 0, 0, 0, 0, 31, 31, 0, 5, 31, 31, 31, 31, 31, 31}};
    for (std::uint16_t version : {20000, 20001, 20003, 20004}) {
        std::vector<std::string> spr, spr2;
        for (std::uint32_t flags : {1u, 3u, 7u}) {
            frame.flags = flags;
            frame.palette = static_cast<std::uint16_t>(flags == 3 ? 2 : 1);
            spr.push_back(SprFrame(frame, version == 20001));
            spr2.push_back(Spr2Frame(frame));
        }
        const bool prefixed = version >= 20003;
        WriteAll(folder / ("sprites" + std::to_string(version) + ".iff"), IffImage({
            {"PALT", 1, 0, "", PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x102030, 0xC0C0C0})},
            {"SPR#", 5, 0, "", SprBody(prefixed ? 1001 : 505, 1, spr, version == 20001)},
            {"SPR2", 6, 0, "", Spr2Body(prefixed ? 1001 : 1000, 1, spr2)},
            {"DGRP", 7, 0, "", DrawGroupBody(version, {{1, 1, {{5, 1, 0, -2, 0}, {6, 2, 1, 0, -3}}},
                                                       {4, 2, {{6, 0, 0, 3, 3}, {5, 0, 1, -40, 90}}}, {0x10, 3, {{6, 1, 0, 0, 0}}}})},
        }));
    }
}

static void WriteTargaImages(const fs::path& folder)
{
    const std::uint32_t colours[] = {0xFF840000, 0x00FFFF00, 0x84000084, 0xFF00FF84, 0x80FFFFFF, 0xFF840000};
    const std::pair<int, int> kinds[] = {{1, 8}, {2, 16}, {2, 24}, {2, 32}, {3, 8}, {9, 8}, {10, 16}, {10, 24}, {10, 32}, {11, 8}};
    int n = 0;
    for (const auto& [type, depth] : kinds) {
        TgaData image{.type = type, .depth = depth, .alphaBits = depth == 32 ? 8 : depth == 16 ? 1 : 0, .topDown = n % 2 == 0,
                      .rightToLeft = n % 3 == 0, .width = 3, .height = 2, .mapEntryBits = 32, .map = {colours, colours + 5}};
        for (int i = 0; i < 6; ++i)
            image.pixels.push_back(type % 8 == 1 ? static_cast<std::uint32_t>(i % 5) : type % 8 == 3 ? colours[i] & 0xFF : colours[i]);
        WriteAll(folder / ("image" + std::to_string(n++) + ".tga"), TgaFile(image));
    }
}

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const fs::path corpus = argv[1];
    for (const char* folder : {"iff", "refpack", "sprites", "tga"})
        fs::create_directories(corpus / folder);
    // The sample's first entries (an empty one among them), then as saved in each format, one name holding a zero byte.
    std::vector<SampleFile> files = SampleFiles();
    for (std::size_t n = 0; n < files.size(); ++n) {
        const auto stream = kelvo::refpack::Compress(reinterpret_cast<const unsigned char*>(files[n].data.data()), files[n].data.size());
        WriteAll(corpus / "refpack" / ("stream" + std::to_string(n) + ".refpack"), std::string(stream.begin(), stream.end()));
    }
    files.resize(4);
    WriteAll(corpus / "empty.far", FarImage({}));
    WriteAll(corpus / "sample.far", FarImage(files));
    kelvo::TFarArchive archive;
    if (!archive.Open((corpus / "sample.far").string()))
        return 1;
    archive.Entries[2].Name = std::string(archive.Entries[2].Text()) + "\0x"s;
    archive.Entries[2].NameLength = static_cast<std::uint32_t>(archive.Entries[2].Name.size());
    for (kelvo::TFarFormat format : {kelvo::ff1a, kelvo::ff1b, kelvo::ff3})
        if (!archive.Save((corpus / ("saved" + std::to_string(format) + ".far")).string(), format))
            return 1;
    int n = 0; // string tables of each layout
    for (const std::string& strings : {"\0\0\x01\0\x02hi"s, "\xFF\xFF\x01\0a\0"s, "\xFE\xFF\x01\0a\0b\0"s, "\xFD\xFF\x01\0\x01" "a\0b\0"s,
                                       "\xFC\xFF\x01\x01\0\x00\x81\x01" "a\x01" "b"s, "\x00\x01\x01" "a"s})
        WriteAll(corpus / "iff" / ("strings" + std::to_string(n++) + ".iff"), IffImage({{"STR#", 1, 0, "label", strings}, {"PALT", 2, 0, "", PaletteBody({0x102030})}}));
    WriteAll(corpus / "iff" / "lamp.iff", LampObjectIff());
    WriteAll(corpus / "sprites" / "lamp.iff", LampObjectIff());
    WriteSprites(corpus / "sprites");
    WriteTargaImages(corpus / "tga");
    return 0;
}
