// Builds the editor's binary artwork from the text pictures in app/art/glyphs.h:
//   make_art FOLDER
// writes into FOLDER the tool bar strips toolbar16.bmp, toolbar24.bmp and
// toolbar32.bmp (all glyphs side by side at that size, 24 bits per pixel,
// magenta where transparent) and the application icon kelvo.ico (32 x 32,
// 24 x 24 and 16 x 16 images, 32 bits per pixel with alpha, each with its AND
// mask). Larger sizes repeat the pixels of the smaller picture (art::KeyAt).
// A host tool: portable C++ only, run by the build.

#include "app/art/glyphs.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using kelvo::art::kTransparent;
using kelvo::art::PaletteColour;
using kelvo::art::Picture;

// The colour of a key; transparent pixels take the given stand-in.
PaletteColour ColourOf(char key, PaletteColour transparent)
{
    const int index = kelvo::art::PaletteIndex(key);
    return index < 0 ? transparent : kelvo::art::kPalette[index];
}

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// BITMAPINFOHEADER, uncompressed.
void PutInfoHeader(Bytes& out, int width, int height, int bitsPerPixel, std::uint32_t imageSize)
{
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1); // planes
    Put16(out, static_cast<std::uint32_t>(bitsPerPixel));
    Put32(out, 0); // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835); // 72 dpi, in pixels per metre
    Put32(out, 2835);
    Put32(out, 0); // colours used
    Put32(out, 0); // colours important
}

// DIB rows are padded to a multiple of four bytes.
int RowStride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

Bytes ToolbarBitmap(int size)
{
    const auto& glyphs = kelvo::art::kToolbarGlyphs;
    const int width = size * static_cast<int>(glyphs.size());
    const int stride = RowStride(width, 24);
    const auto imageSize = static_cast<std::uint32_t>(stride * size);

    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageSize); // file size
    Put32(out, 0);                   // reserved
    Put32(out, 14 + 40);             // offset of the pixels
    PutInfoHeader(out, width, size, 24, imageSize);
    for (int y = size - 1; y >= 0; --y) { // bottom-up
        std::size_t rowStart = out.size();
        for (const auto& glyph : glyphs) {
            for (int x = 0; x < size; ++x) {
                // Transparent pixels get the magenta key.
                const PaletteColour colour = ColourOf(kelvo::art::KeyAt(glyph, size, x, y), {kTransparent, 255, 0, 255});
                out.push_back(colour.blue);
                out.push_back(colour.green);
                out.push_back(colour.red);
            }
        }
        out.resize(rowStart + static_cast<std::size_t>(stride), 0);
    }
    return out;
}

// One icon image: BITMAPINFOHEADER of double height, the colour pixels
// (BGRA, bottom-up), then the AND mask (1 bit per pixel, set = transparent).
template <std::size_t Size>
Bytes IconImage(const Picture<Size>& picture, int size)
{
    const int maskStride = RowStride(size, 1);
    const auto imageSize = static_cast<std::uint32_t>(size * size * 4 + maskStride * size);

    Bytes out;
    PutInfoHeader(out, size, size * 2, 32, imageSize);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const char key = kelvo::art::KeyAt(picture, size, x, y);
            const PaletteColour colour = ColourOf(key, {kTransparent, 0, 0, 0});
            out.push_back(colour.blue);
            out.push_back(colour.green);
            out.push_back(colour.red);
            out.push_back(key == kTransparent ? 0 : 255); // alpha
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<std::size_t>(maskStride), 0);
        for (int x = 0; x < size; ++x)
            if (kelvo::art::KeyAt(picture, size, x, y) == kTransparent)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes IconFile()
{
    const std::vector<std::pair<int, Bytes>> images = {
        {kelvo::art::kIconLargeSize, IconImage(kelvo::art::kIconLarge, kelvo::art::kIconLargeSize)},
        {24, IconImage(kelvo::art::kIconSmall, 24)},
        {kelvo::art::kIconSmallSize, IconImage(kelvo::art::kIconSmall, kelvo::art::kIconSmallSize)},
    };
    Bytes out;
    Put16(out, 0);                                         // reserved
    Put16(out, 1);                                         // type: icon
    Put16(out, static_cast<std::uint32_t>(images.size())); // image count
    auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const auto& [size, image] : images) {
        out.push_back(static_cast<std::uint8_t>(size)); // width
        out.push_back(static_cast<std::uint8_t>(size)); // height
        out.push_back(0);                               // palette size: none
        out.push_back(0);                               // reserved
        Put16(out, 1);                                  // planes
        Put16(out, 32);                                 // bits per pixel
        Put32(out, static_cast<std::uint32_t>(image.size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const auto& entry : images)
        out.insert(out.end(), entry.second.begin(), entry.second.end());
    return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_art: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_art FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    for (int size : {16, 24, 32})
        if (!WriteFile(folder + "toolbar" + std::to_string(size) + ".bmp", ToolbarBitmap(size)))
            return 1;
    return WriteFile(folder + "kelvo.ico", IconFile()) ? 0 : 1;
}
