// Writes the first corpora of the sprite and Targa fuzz targets: the
// sample's lamp and IFF files of each sprite layout and draw-group version
// (FOLDER/sprites), and Targa images of each kind (FOLDER/tga), made by the
// sample's writers.
#include "tools/sample/iff_writer.h"
#include "tools/sample/sprite_writer.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    using namespace kelvo::sample;
    if (argc != 2)
        return 2;
    const std::filesystem::path sprites = std::filesystem::path(argv[1]) / "sprites";
    const std::filesystem::path tga = std::filesystem::path(argv[1]) / "tga";
    std::filesystem::create_directories(sprites);
    std::filesystem::create_directories(tga);
    std::ofstream(sprites / "lamp.iff", std::ios::binary) << LampObjectIff();
    SpriteFrameData frame{.width = 5, .height = 4, .index = {-1, 1, 1, 1, 2, -1, -1, -1, -1, -1, 3, 4, -1, 5, 6, 7, 7, 7, 7, 7}};
    frame.z.assign(20, 9);
    frame.alpha = {31, 31, 0, 16, 31, 0, 0, 0, 0, 0, 31, 31, 0, 5, 31, 31, 31, 31, 31, 31};
    const std::string palette = PaletteBody({0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x808080, 0x102030, 0xC0C0C0});
    int n = 0;
    for (std::uint16_t version : {20000, 20001, 20003, 20004}) {
        std::vector<std::string> spr, spr2;
        for (std::uint32_t flags : {1u, 3u, 7u}) {
            frame.flags = flags;
            frame.palette = static_cast<std::uint16_t>(flags == 3 ? 2 : 1);
            spr.push_back(SprFrame(frame, version == 20001));
            spr2.push_back(Spr2Frame(frame));
        }
        const bool prefixed = version >= 20003;
        std::ofstream(sprites / ("sprites" + std::to_string(n++) + ".iff"), std::ios::binary) << IffImage({
            {"PALT", 1, 0, "", palette},
            {"SPR#", 5, 0, "", SprBody(prefixed ? 1001 : 505, 1, spr, version == 20001)},
            {"SPR2", 6, 0, "", Spr2Body(prefixed ? 1001 : 1000, 1, spr2)},
            {"DGRP", 7, 0, "", DrawGroupBody(version, {{1, 1, {{5, 1, 0, -2, 0}, {6, 2, 1, 0, -3}}},
                                                       {4, 2, {{6, 0, 0, 3, 3}, {5, 0, 1, -40, 90}}},
                                                       {0x10, 3, {{6, 1, 0, 0, 0}}}})},
        });
    }
    const std::uint32_t colours[] = {0xFF840000, 0x00FFFF00, 0x84000084, 0xFF00FF84, 0x80FFFFFF, 0xFF840000};
    n = 0;
    for (int type : {1, 2, 3, 9, 10, 11}) {
        for (int depth : {8, 16, 24, 32}) {
            const bool mapped = type % 8 == 1, grey = type % 8 == 3;
            if ((mapped || grey) != (depth == 8))
                continue;
            TgaData image{.type = type, .depth = depth, .alphaBits = depth == 32 ? 8 : depth == 16 ? 1 : 0,
                          .topDown = n % 2 == 0, .rightToLeft = n % 3 == 0, .width = 3, .height = 2};
            for (int i = 0; i < 6; ++i)
                image.pixels.push_back(mapped ? static_cast<std::uint32_t>(i % 5) : grey ? colours[i] & 0xFF : colours[i]);
            image.map.assign(colours, colours + 5);
            image.mapEntryBits = 32;
            std::ofstream(tga / ("image" + std::to_string(n++) + ".tga"), std::ios::binary) << TgaFile(image);
        }
    }
    return 0;
}
