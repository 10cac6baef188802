#include "components/iff/picture.h"

namespace kelvo::iff {

namespace {

void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}

} // namespace

std::string BmpFile(const Picture& picture)
{
    if (picture.Width <= 0 || picture.Height <= 0 ||
        picture.Pixels.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return {};
    constexpr std::uint32_t kHeaders = 14 + 108;
    const std::uint64_t pixelBytes = picture.Pixels.size() * std::uint64_t{4};
    if (pixelBytes > 0xFFFFFFFFu - kHeaders)
        return {};
    std::string out;
    out.reserve(kHeaders + pixelBytes);
    out += "BM";
    PutLE(out, static_cast<std::uint32_t>(kHeaders + pixelBytes), 4);
    PutLE(out, 0, 4); // reserved
    PutLE(out, kHeaders, 4);
    PutLE(out, 108, 4); // the version-4 info header
    PutLE(out, static_cast<std::uint32_t>(picture.Width), 4);
    PutLE(out, static_cast<std::uint32_t>(picture.Height), 4); // positive: bottom-up
    PutLE(out, 1, 2);  // planes
    PutLE(out, 32, 2); // bits per pixel
    PutLE(out, 3, 4);  // bit fields
    PutLE(out, static_cast<std::uint32_t>(pixelBytes), 4);
    PutLE(out, 2835, 4); // 72 dots per inch
    PutLE(out, 2835, 4);
    PutLE(out, 0, 4); // colours used
    PutLE(out, 0, 4); // important colours
    PutLE(out, 0x00FF0000, 4);
    PutLE(out, 0x0000FF00, 4);
    PutLE(out, 0x000000FF, 4);
    PutLE(out, 0xFF000000, 4);
    PutLE(out, 0x73524742, 4); // 'sRGB'
    out.append(36 + 12, '\0'); // end points and gammas, unused with sRGB
    for (int y = picture.Height - 1; y >= 0; --y)
        for (int x = 0; x < picture.Width; ++x)
            PutLE(out, picture.At(x, y), 4);
    return out;
}

} // namespace kelvo::iff
