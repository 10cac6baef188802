// Writes the IFF fuzz target's first corpus: the sample's object and a few
// files with each string layout, made by the sample's IFF writer.
#include "tools/sample/iff_writer.h"

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    using namespace std::string_literals;
    if (argc != 2)
        return 2;
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const std::string strings[] = {"\0\0\x01\0\x02hi"s, "\xFF\xFF\x01\0a\0"s, "\xFE\xFF\x01\0a\0b\0"s,
                                   "\xFD\xFF\x01\0\x01" "a\0b\0"s, "\xFC\xFF\x01\x01\0\x00\x81\x01" "a\x01" "b"s,
                                   "\x00\x01\x01" "a"s};
    int n = 0;
    for (const std::string& body : strings)
        std::ofstream(folder / ("strings" + std::to_string(n++) + ".iff"), std::ios::binary)
            << kelvo::sample::IffImage({{"STR#", 1, 0, "label", body}, {"PALT", 2, 0, "", kelvo::sample::PaletteBody({0x102030})}});
    std::ofstream(folder / "lamp.iff", std::ios::binary) << kelvo::sample::LampObjectIff();
    return 0;
}
