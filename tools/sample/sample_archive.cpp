#include "tools/sample/sample_archive.h"

#include "tools/sample/bitmaps.h"
#include "tools/sample/iff_writer.h"

#include <cstdint>
#include <cstdio>

namespace kelvo::sample {

namespace {

void PutLE32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

void PutBE32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

// An IFF-style resource file: a FORM container of typed chunks, each a
// four-letter type, a big-endian length and the data, padded to even length.
std::string IffResource(const std::string& formType,
                        const std::vector<std::pair<std::string, std::string>>& chunks)
{
    std::string body = formType;
    for (const auto& [type, data] : chunks) {
        body += type;
        PutBE32(body, static_cast<std::uint32_t>(data.size()));
        body += data;
        if (data.size() % 2 != 0)
            body += '\0';
    }
    std::string file = "FORM";
    PutBE32(file, static_cast<std::uint32_t>(body.size()));
    return file + body;
}

std::string Words(std::initializer_list<std::uint32_t> values)
{
    std::string out;
    for (std::uint32_t value : values)
        PutBE32(out, value);
    return out;
}

std::string ChairResource()
{
    using namespace std::string_literals;
    return IffResource("OBJD", {
        {"NAME", "Dining Chair\0"s},
        {"OBJD", Words({0x0001, 0x0120, 0x0000, 0x0004, 0x0002})}, // version, price, flags, comfort, room
        {"STR#", "\x00\x03" "Dining Chair\0Sturdy and plain, it seats one Sim.\0Comfort 4\0"s},
        {"BHAV", Words({0x8001, 0x0002, 0x00FD, 0x0101, 0xFFFE})},
    });
}

std::string CafeTableResource()
{
    using namespace std::string_literals;
    return IffResource("OBJD", {
        {"NAME", "Caf\xE9 Table\0"s},
        {"OBJD", Words({0x0001, 0x00C8, 0x0002, 0x0000, 0x0008})},
        {"STR#", "\x00\x02" "Caf\xE9 Table\0Round, marble-topped, seats four.\0"s},
    });
}

const char kReadMe[] =
    "The Sims - sample archive\r\n"
    "=========================\r\n"
    "\r\n"
    "This archive holds a few objects, texts and textures laid out as the\r\n"
    "game lays out its own: textures under Textures\\, object resources\r\n"
    "under Objects\\ and catalog texts under Text\\.\r\n"
    "\r\n"
    "Open it in Kelvo to look inside, or list it with: kelvo-far list sample.far\r\n";

const char kNeighborhood[] =
    "Neighborhood 1\r\n"
    "Lot 12: Goth family, 4 Sims, funds 23,400\r\n"
    "Lot 14: Newbie family, 2 Sims, funds 20,000\r\n"
    "Lot 18: Pleasant family, 4 Sims, funds 15,750\r\n"
    "Lot 21: (empty lot, price 18,000)\r\n";

// Catalog text whose price table is stored after a zero byte, as some game
// texts do: text viewers stop at the zero, the data goes on.
std::string Catalog()
{
    using namespace std::string_literals;
    std::string text =
        "Catalog: Seating\r\n"
        "Dining Chair ...... 120\r\n"
        "Cafe Table ........ 200\r\n";
    text += '\0';
    text += "PRICES\x01\x78\x00\x02\xC8\x00"s;
    text += "\r\nend\r\n";
    return text;
}

} // namespace

std::vector<SampleFile> SampleFiles()
{
    return {
        {"ReadMe.txt", kReadMe},
        {"Objects\\Chair.iff", ChairResource()},
        {"Objects\\Empty.iff", ""},
        {"Objects\\Kitchen\\Caf\xE9Table.iff", CafeTableResource()},
        {"Text\\Catalog.txt", Catalog()},
        {"Text\\Neighborhood.txt", kNeighborhood},
        {"Textures\\checker1.bmp", CheckerboardBmp1()},
        {"Textures\\gradient4.bmp", GradientBmp4()},
        {"Textures\\house8.bmp", HouseBmp8()},
        {"Textures\\house_rle8.bmp", HouseBmpRle8()},
        {"Textures\\Sky\\sky555.bmp", SkyBmp555()},
        {"Textures\\Sky\\sky565.bmp", SkyBmp565()},
        {"Textures\\Sky\\sunset24.bmp", SunsetBmp24()},
        {"Textures.BMP\\readme.txt", "A folder whose name ends in .BMP holds this text file.\r\n"},
        {"UserObjects\\Lamp.iff", LampObjectIff()},
    };
}

std::vector<SampleFile> SmallFiles(int count)
{
    std::vector<SampleFile> files(static_cast<std::size_t>(count));
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    char name[64];
    for (int i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        SampleFile& file = files[static_cast<std::size_t>(i)];
        file.data.resize(200 + state % 7800);
        std::uint64_t bytes = state;
        for (char& c : file.data) {
            bytes = bytes * 6364136223846793005ull + 1442695040888963407ull;
            c = static_cast<char>(bytes >> 56);
        }
        std::snprintf(name, sizeof name, "Folder%03d\\file%05d.dat", i / 200, i);
        file.name = name;
    }
    return files;
}

std::string FarImage(const std::vector<SampleFile>& files)
{
    std::string data;
    std::string manifest;
    PutLE32(manifest, static_cast<std::uint32_t>(files.size()));
    for (const SampleFile& file : files) {
        PutLE32(manifest, static_cast<std::uint32_t>(file.data.size())); // raw size
        PutLE32(manifest, static_cast<std::uint32_t>(file.data.size())); // compressed size
        PutLE32(manifest, static_cast<std::uint32_t>(16 + data.size())); // data offset
        PutLE32(manifest, static_cast<std::uint32_t>(file.name.size()));
        manifest += file.name;
        data += file.data;
    }
    std::string image = "FAR!byAZ";
    PutLE32(image, 1);
    PutLE32(image, static_cast<std::uint32_t>(16 + data.size()));
    return image + data + manifest;
}

} // namespace kelvo::sample
