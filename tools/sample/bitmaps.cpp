#include "tools/sample/bitmaps.h"

#include <cstdint>
#include <vector>

namespace kelvo::sample {

namespace {

using Rgb = std::uint32_t; // 0xRRGGBB

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiBitfields = 3;

void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

int Red(Rgb c) { return static_cast<int>(c >> 16 & 0xFF); }
int Green(Rgb c) { return static_cast<int>(c >> 8 & 0xFF); }
int Blue(Rgb c) { return static_cast<int>(c & 0xFF); }

Rgb Mix(Rgb from, Rgb to, int step, int steps)
{
    auto channel = [&](int a, int b) { return static_cast<Rgb>(a + (b - a) * step / steps); };
    return channel(Red(from), Red(to)) << 16 | channel(Green(from), Green(to)) << 8 |
           channel(Blue(from), Blue(to));
}

// A picture as stored: the pixel bytes in the file's row order (bottom row
// first) with each row padded to a multiple of 4 bytes, or RLE8 codes.
struct Bitmap {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::vector<std::uint32_t> masks; // colour masks of BI_BITFIELDS
    std::vector<Rgb> palette;
    std::string pixels;
};

std::string BmpFile(const Bitmap& bitmap)
{
    const std::uint32_t headers = 14 + 40 + 4 * static_cast<std::uint32_t>(bitmap.masks.size());
    const std::uint32_t pixelOffset = headers + 4 * static_cast<std::uint32_t>(bitmap.palette.size());
    const auto imageSize = static_cast<std::uint32_t>(bitmap.pixels.size());
    std::string file = "BM";
    Put32(file, pixelOffset + imageSize); // file size
    Put32(file, 0);                       // two reserved words
    Put32(file, pixelOffset);
    Put32(file, 40); // BITMAPINFOHEADER
    Put32(file, static_cast<std::uint32_t>(bitmap.width));
    Put32(file, static_cast<std::uint32_t>(bitmap.height)); // positive: bottom-up rows
    Put16(file, 1);                                          // planes
    Put16(file, static_cast<std::uint32_t>(bitmap.bitCount));
    Put32(file, bitmap.compression);
    Put32(file, imageSize);
    Put32(file, 2835); // 72 dots per inch, in pixels per metre
    Put32(file, 2835);
    Put32(file, static_cast<std::uint32_t>(bitmap.palette.size())); // colours used
    Put32(file, 0);                                                  // all colours important
    for (std::uint32_t mask : bitmap.masks)
        Put32(file, mask);
    for (Rgb colour : bitmap.palette)
        Put32(file, colour); // blue, green, red, reserved zero
    return file + bitmap.pixels;
}

std::size_t Stride(int width, int bitCount)
{
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// A picture as palette indices, top row first.
struct IndexedPicture {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
    std::uint8_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Packs 1, 4 or 8-bit indices into bottom-up padded rows.
std::string PackIndexed(const IndexedPicture& picture, int bitCount)
{
    const std::size_t stride = Stride(picture.width, bitCount);
    std::string rows;
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < picture.width; ++x) {
            const int bit = x * bitCount; // position of the pixel's bits, most significant first
            const int shift = 8 - bitCount - bit % 8;
            row[static_cast<std::size_t>(bit / 8)] |= static_cast<char>(picture.At(x, y) << shift);
        }
        rows += row;
    }
    return rows;
}

// Encodes 8-bit indices as BI_RLE8: repeated bytes as (count, value) pairs,
// stretches of differing bytes in absolute mode (0, count, bytes, padded to
// an even length), an end-of-line code after each row and an end-of-bitmap
// code after the last.
std::string EncodeRle8(const IndexedPicture& picture)
{
    std::string codes;
    auto encoded = [&](int count, std::uint8_t value) {
        codes += static_cast<char>(count);
        codes += static_cast<char>(value);
    };
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::uint8_t* row = &picture.pixels[static_cast<std::size_t>(y * picture.width)];
        const int width = picture.width;
        auto runAt = [&](int i) {
            int run = 1;
            while (i + run < width && run < 255 && row[i + run] == row[i])
                ++run;
            return run;
        };
        int i = 0;
        while (i < width) {
            int run = runAt(i);
            if (run >= 3) {
                encoded(run, row[i]);
                i += run;
                continue;
            }
            // Differing bytes up to the next run of three or more.
            int end = i;
            while (end < width && end - i < 255 && runAt(end) < 3)
                ++end;
            const int count = end - i;
            if (count >= 3) {
                codes += '\0';
                codes += static_cast<char>(count);
                codes.append(reinterpret_cast<const char*>(row + i), static_cast<std::size_t>(count));
                if (count % 2 != 0)
                    codes += '\0';
            } else {
                for (int k = 0; k < count; ++k)
                    encoded(1, row[i + k]);
            }
            i = end;
        }
        if (y > 0)
            encoded(0, 0); // end of line
    }
    encoded(0, 1); // end of bitmap
    return codes;
}

// A picture of 24-bit colours, top row first.
struct RgbPicture {
    int width;
    int height;
    std::vector<Rgb> pixels;
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

template <typename PixelBytes>
std::string PackRgb(const RgbPicture& picture, int bitCount, PixelBytes bytesOf)
{
    const std::size_t stride = Stride(picture.width, bitCount);
    std::string rows;
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x)
            row += bytesOf(picture.At(x, y));
        row.resize(stride, '\0');
        rows += row;
    }
    return rows;
}

bool InEllipse(int x, int y, int cx, int cy, int rx, int ry)
{
    const int dx = x - cx;
    const int dy = y - cy;
    return dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
}

// A house on a lawn under a blue sky with the sun; 45 x 40 pixels, so each
// row carries three bytes of padding.
enum HouseColour : std::uint8_t {
    kSky = 0, // 16 shades, top to horizon
    kGrass = 16,
    kGrassDark,
    kWall,
    kRoof,
    kDoor,
    kWindow,
    kFrame,
    kSun,
    kChimney,
    kPath,
    kFirstGrey, // the rest of the palette: a grey ramp
};

IndexedPicture House()
{
    IndexedPicture picture{45, 40, {}};
    picture.pixels.resize(45 * 40);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            std::uint8_t c;
            if (y < 30)
                c = static_cast<std::uint8_t>(kSky + y * 16 / 30);
            else
                c = (x + 2 * y) % 9 == 0 ? kGrassDark : kGrass;
            if (InEllipse(x, y, 38, 6, 4, 4))
                c = kSun;
            const int roofHalf = (y - 8) * 3 / 2 + 1;
            if (y >= 8 && y < 18 && x >= 22 - roofHalf && x <= 22 + roofHalf)
                c = kRoof;
            if (x >= 28 && x <= 30 && y >= 6 && y <= 11)
                c = kChimney;
            if (x >= 9 && x <= 35 && y >= 18 && y <= 33)
                c = kWall;
            if (x >= 20 && x <= 24 && y >= 25 && y <= 33)
                c = kDoor;
            for (int left : {12, 28}) {
                if (x >= left && x <= left + 5 && y >= 21 && y <= 25) {
                    const bool edge = x == left || x == left + 5 || y == 21 || y == 25;
                    c = edge ? kFrame : kWindow;
                }
            }
            if (x >= 20 && x <= 24 && y >= 34)
                c = kPath;
            picture.pixels[static_cast<std::size_t>(y * picture.width + x)] = c;
        }
    }
    return picture;
}

std::vector<Rgb> HousePalette()
{
    std::vector<Rgb> palette(256);
    for (int i = 0; i < 16; ++i)
        palette[static_cast<std::size_t>(kSky + i)] = Mix(0x2050B0, 0xB0DCF5, i, 15);
    palette[kGrass] = 0x4CA846;
    palette[kGrassDark] = 0x2E7D32;
    palette[kWall] = 0xE8D8B0;
    palette[kRoof] = 0xB03020;
    palette[kDoor] = 0x6B4226;
    palette[kWindow] = 0x80C8F0;
    palette[kFrame] = 0xFFFFFF;
    palette[kSun] = 0xFFD700;
    palette[kChimney] = 0x7A2E1C;
    palette[kPath] = 0xC0A080;
    for (int i = kFirstGrey; i < 256; ++i)
        palette[static_cast<std::size_t>(i)] = Mix(0x000000, 0xFFFFFF, i - kFirstGrey, 255 - kFirstGrey);
    return palette;
}

// A blue sky with two white clouds; 31 x 20 pixels.
RgbPicture Sky()
{
    RgbPicture picture{31, 20, {}};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Rgb c = Mix(0x1040A0, 0x90C8F8, y, picture.height - 1);
            if (InEllipse(x, y, 10, 8, 6, 3) || InEllipse(x, y, 15, 6, 5, 3) ||
                InEllipse(x, y, 24, 13, 4, 2))
                c = 0xF8F8F8;
            picture.pixels.push_back(c);
        }
    }
    return picture;
}

} // namespace

std::string CheckerboardBmp1()
{
    // 36 pixels wide: 5 bytes of bits, padded to 8.
    IndexedPicture picture{36, 36, {}};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(static_cast<std::uint8_t>((x / 6 + y / 6) % 2));
    return BmpFile({picture.width, picture.height, 1, kBiRgb, {}, {0x1E2A5A, 0xF2E6C8},
                    PackIndexed(picture, 1)});
}

std::string GradientBmp4()
{
    // 45 pixels wide: 22.5 bytes, padded to 24.
    IndexedPicture picture{45, 16, {}};
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.pixels.push_back(static_cast<std::uint8_t>(x * 16 / picture.width));
    std::vector<Rgb> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back(Mix(0x200040, 0xFF9020, i, 15));
    return BmpFile({picture.width, picture.height, 4, kBiRgb, {}, palette, PackIndexed(picture, 4)});
}

std::string HouseBmp8()
{
    const IndexedPicture picture = House();
    return BmpFile({picture.width, picture.height, 8, kBiRgb, {}, HousePalette(), PackIndexed(picture, 8)});
}

std::string HouseBmpRle8()
{
    const IndexedPicture picture = House();
    return BmpFile({picture.width, picture.height, 8, kBiRle8, {}, HousePalette(), EncodeRle8(picture)});
}

std::string SkyBmp565()
{
    const RgbPicture picture = Sky();
    auto pixel = [](Rgb c) {
        std::string bytes;
        Put16(bytes, static_cast<std::uint32_t>((Red(c) >> 3) << 11 | (Green(c) >> 2) << 5 | Blue(c) >> 3));
        return bytes;
    };
    return BmpFile({picture.width, picture.height, 16, kBiBitfields, {0xF800, 0x07E0, 0x001F}, {},
                    PackRgb(picture, 16, pixel)});
}

std::string SkyBmp555()
{
    const RgbPicture picture = Sky();
    auto pixel = [](Rgb c) {
        std::string bytes;
        Put16(bytes, static_cast<std::uint32_t>((Red(c) >> 3) << 10 | (Green(c) >> 3) << 5 | Blue(c) >> 3));
        return bytes;
    };
    return BmpFile({picture.width, picture.height, 16, kBiRgb, {}, {}, PackRgb(picture, 16, pixel)});
}

std::string SunsetBmp24()
{
    // The sun setting into the sea; 33 pixels wide: 99 bytes, padded to 100.
    RgbPicture picture{33, 22, {}};
    const int horizon = 15;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            Rgb c;
            if (y < horizon) {
                c = Mix(0x2B1055, 0xFF8C00, y, horizon - 1);
                if (InEllipse(x, y, 16, horizon, 6, 6))
                    c = 0xFFE070;
            } else {
                c = Mix(0x183060, 0x081830, y - horizon, picture.height - 1 - horizon);
                // The sun's reflection: broken bright stripes below it.
                if (x >= 12 && x <= 20 && (y + x / 3) % 2 == 0)
                    c = 0xE0A040;
            }
            picture.pixels.push_back(c);
        }
    }
    auto pixel = [](Rgb c) {
        return std::string{static_cast<char>(Blue(c)), static_cast<char>(Green(c)), static_cast<char>(Red(c))};
    };
    return BmpFile({picture.width, picture.height, 24, kBiRgb, {}, {}, PackRgb(picture, 24, pixel)});
}

} // namespace kelvo::sample
