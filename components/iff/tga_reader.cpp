#include "components/iff/tga_reader.h"

namespace kelvo::iff {

namespace {

constexpr std::size_t kHeaderSize = 18;

unsigned Byte(std::string_view file, std::size_t at) { return static_cast<unsigned char>(file[at]); }

unsigned Word(std::string_view file, std::size_t at) { return Byte(file, at) | Byte(file, at + 1) << 8; }

unsigned FiveToEight(unsigned value) { return value << 3 | value >> 2; }

// A colour of 15/16, 24 or 32 bits at at (blue in the low bits, as stored).
// alphaBits says whether the stored alpha counts (1 for 16 bits, 8 for 32).
std::uint32_t StoredColour(std::string_view file, std::size_t at, unsigned bits, unsigned alphaBits)
{
    if (bits == 15 || bits == 16) {
        const unsigned word = Word(file, at);
        const unsigned alpha = alphaBits == 1 && !(word & 0x8000) ? 0 : 255;
        return Argb(alpha, FiveToEight(word >> 10 & 31), FiveToEight(word >> 5 & 31), FiveToEight(word & 31));
    }
    const unsigned alpha = bits == 32 && alphaBits == 8 ? Byte(file, at + 3) : 255;
    return Argb(alpha, Byte(file, at + 2), Byte(file, at + 1), Byte(file, at));
}

bool IsColourDepth(unsigned bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

} // namespace

bool DecodeTga(std::string_view file, Picture& picture, std::string& reason, std::uint64_t maxPixelBytes)
{
    picture = Picture{};
    reason.clear();
    auto damaged = [&](const std::string& why) {
        reason = "Damaged TGA image: " + why;
        picture = Picture{};
        return false;
    };
    auto unsupported = [&](const std::string& why) {
        reason = "Unsupported TGA image: " + why;
        return false;
    };
    if (file.size() < kHeaderSize)
        return damaged("the file of " + std::to_string(file.size()) + " bytes is shorter than the 18-byte header.");
    const unsigned idLength = Byte(file, 0), mapType = Byte(file, 1), type = Byte(file, 2);
    const unsigned mapFirst = Word(file, 3), mapLength = Word(file, 5), mapBits = Byte(file, 7);
    const unsigned width = Word(file, 12), height = Word(file, 14), depth = Byte(file, 16), descriptor = Byte(file, 17);
    const unsigned alphaBits = descriptor & 0x0F;
    const bool rightToLeft = descriptor & 0x10, topDown = descriptor & 0x20;
    if (mapType > 1)
        return unsupported("colour-map type " + std::to_string(mapType) + " is not known.");
    if (type == 0)
        return unsupported("it holds no image data.");
    const unsigned kind = type & ~8u; // 1 colour-mapped, 2 true-colour, 3 grey
    const bool encoded = type & 8;
    if (kind < 1 || kind > 3)
        return unsupported("image type " + std::to_string(type) + " is not known.");
    if (descriptor & 0xC0)
        return unsupported("interleaved rows are not supported.");
    if (kind == 1 && (mapType != 1 || !IsColourDepth(mapBits)))
        return mapType != 1 ? damaged("a colour-mapped image without a colour map.")
                            : unsupported("colour-map entries of " + std::to_string(mapBits) + " bits.");
    if ((kind == 1 || kind == 3) ? depth != 8 : !IsColourDepth(depth))
        return unsupported(std::to_string(depth) + " bits a pixel in an image of type " + std::to_string(type) + ".");
    if (width == 0 || height == 0)
        return damaged("its width or height is 0.");
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels * 4 > maxPixelBytes)
        return unsupported(std::to_string(width) + " x " + std::to_string(height) + " pixels is too large to show.");

    std::uint64_t at = kHeaderSize + idLength;
    if (at > file.size())
        return damaged("the image ID runs past the end of the file.");
    std::vector<std::uint32_t> map;
    if (mapType == 1) {
        const std::uint64_t entryBytes = (mapBits + 7) / 8, mapBytes = std::uint64_t{mapLength} * entryBytes;
        if (mapBytes > file.size() - at)
            return damaged("the colour map of " + std::to_string(mapLength) + " entries runs past the end of the file.");
        if (kind == 1)
            for (unsigned i = 0; i < mapLength; ++i)
                map.push_back(StoredColour(file, static_cast<std::size_t>(at + i * entryBytes), mapBits, alphaBits));
        at += mapBytes;
    }

    const std::size_t valueBytes = (depth + 7) / 8;
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Pixels.assign(static_cast<std::size_t>(pixels), 0);
    // Stored pixel n goes to the picture's pixel in its row and column.
    std::size_t stored = 0;
    auto store = [&](std::uint32_t colour) {
        const std::size_t row = stored / width, column = stored % width;
        const std::size_t y = topDown ? row : height - 1 - row, x = rightToLeft ? width - 1 - column : column;
        picture.Pixels[y * width + x] = colour;
        ++stored;
    };
    // The colour of the value at offset, false for an index outside the map.
    std::uint32_t colour = 0;
    auto value = [&](std::size_t offset) {
        if (kind == 2) {
            colour = StoredColour(file, offset, depth, alphaBits);
            return true;
        }
        const unsigned level = Byte(file, offset);
        if (kind == 3) {
            colour = Argb(255, level, level, level);
            return true;
        }
        if (level < mapFirst || level - mapFirst >= map.size())
            return false;
        colour = map[level - mapFirst];
        return true;
    };
    auto outsideMap = [&](std::size_t offset) {
        return damaged("the index " + std::to_string(Byte(file, offset)) + " at byte " + std::to_string(offset) +
                       " lies outside the colour map.");
    };
    const std::size_t position = static_cast<std::size_t>(at);
    if (!encoded) {
        if (pixels * valueBytes > file.size() - position)
            return damaged("the pixels run past the end of the file.");
        for (std::size_t offset = position; stored < pixels; offset += valueBytes) {
            if (!value(offset))
                return outsideMap(offset);
            store(colour);
        }
        return true;
    }
    std::size_t offset = position;
    while (stored < pixels) {
        if (offset >= file.size())
            return damaged("the run-length data ends after " + std::to_string(stored) + " of " +
                           std::to_string(pixels) + " pixels.");
        const unsigned packet = Byte(file, offset);
        const std::size_t count = (packet & 0x7F) + 1, packetAt = offset;
        ++offset;
        if (count > pixels - stored)
            return damaged("the packet at byte " + std::to_string(packetAt) + " passes the end of the image.");
        const std::size_t dataBytes = packet & 0x80 ? valueBytes : count * valueBytes;
        if (dataBytes > file.size() - offset)
            return damaged("the packet at byte " + std::to_string(packetAt) + " runs past the end of the file.");
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t from = packet & 0x80 ? offset : offset + i * valueBytes;
            if ((i == 0 || !(packet & 0x80)) && !value(from))
                return outsideMap(from);
            store(colour);
        }
        offset += dataBytes;
    }
    return true;
}

} // namespace kelvo::iff
