// A decoded picture in 32-bit pixels, the one form sprites, draw groups and
// Targa images are shown and exported in, and the writer of a 32-bit .bmp
// file with alpha.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::iff {

// Width x Height pixels, rows from the top, each row from the left. Every
// pixel is the value 0xAARRGGBB with straight (not premultiplied) alpha, so
// in memory on a little-endian machine the bytes run blue, green, red,
// alpha, as in a 32-bit device-independent bitmap.
struct Picture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;

    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)]; }
};

inline constexpr std::uint32_t Argb(unsigned alpha, unsigned red, unsigned green, unsigned blue)
{
    return alpha << 24 | red << 16 | green << 8 | blue;
}

// The largest picture a reader makes, in bytes of pixels (width x height x 4);
// larger ones are refused with a reason.
inline constexpr std::uint64_t kMaxPictureBytes = 64ull << 20;

// The bytes of a .bmp file of the picture: a 14-byte file header, a 108-byte
// version-4 info header (32 bits, bit fields with an alpha mask, sRGB),
// then the rows bottom-up, four bytes a pixel: blue, green, red, alpha
// (straight). Empty for a picture with no pixels.
std::string BmpFile(const Picture& picture);

} // namespace kelvo::iff
