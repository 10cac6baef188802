#include "tools/sample/sprite_writer.h"

#include <algorithm>
#include <cstring>

namespace kelvo::sample {

namespace {

void Put(std::string& out, std::uint32_t value, int bytes, bool bigEndian = false)
{
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? (bytes - 1 - i) * 8 : i * 8;
        out += static_cast<char>(value >> shift & 0xFF);
    }
}

void PutFloat(std::string& out, float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    Put(out, bits, 4);
}

void PutByte(std::string& out, unsigned value) { out += static_cast<char>(value & 0xFF); }

// The row's pixels up to its last non-empty one.
int UsedWidth(const SpriteFrameData& frame, int y)
{
    const int* row = frame.index.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width);
    int end = frame.width;
    while (end > 0 && row[end - 1] < 0)
        --end;
    return end;
}

// SPR# pixel commands of one row: empty runs, runs of three or more equal
// indices, and the other pixels gathered into literal commands.
std::string SprRow(const int* row, int end)
{
    std::string out;
    std::string literal;
    auto flushLiteral = [&] {
        for (std::size_t at = 0; at < literal.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, literal.size() - at);
            PutByte(out, 3);
            PutByte(out, static_cast<unsigned>(n));
            out += literal.substr(at, n);
            if (n % 2)
                PutByte(out, 0);
        }
        literal.clear();
    };
    int x = 0;
    while (x < end) {
        int run = 1;
        while (x + run < end && row[x + run] == row[x])
            ++run;
        if (row[x] < 0 || run >= 3) {
            flushLiteral();
            for (int left = run; left > 0; left -= 255) {
                const int n = std::min(255, left);
                if (row[x] < 0) {
                    PutByte(out, 1);
                    PutByte(out, static_cast<unsigned>(n));
                } else {
                    PutByte(out, 2);
                    PutByte(out, static_cast<unsigned>(n));
                    PutByte(out, static_cast<unsigned>(row[x]));
                    PutByte(out, 0);
                }
            }
            x += run;
        } else {
            literal += static_cast<char>(row[x]);
            ++x;
        }
    }
    flushLiteral();
    return out;
}

// The SPR2 pixel command a pixel gets: 3 empty, 6 colour only, 1 with z, 2
// with z and alpha.
unsigned Spr2Command(const SpriteFrameData& frame, std::size_t at)
{
    if (frame.index[at] < 0)
        return 3;
    const unsigned z = frame.flags & 2 ? frame.z[at] : 0;
    const unsigned alpha = frame.flags & 4 ? frame.alpha[at] : 31;
    if (alpha != 31)
        return 2;
    return z == 0 ? 6 : 1;
}

std::string Spr2Row(const SpriteFrameData& frame, int y, int end)
{
    std::string out;
    const std::size_t start = static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width);
    int x = 0;
    while (x < end) {
        const unsigned command = Spr2Command(frame, start + static_cast<std::size_t>(x));
        int n = 1;
        while (x + n < end && n < 8191 && Spr2Command(frame, start + static_cast<std::size_t>(x + n)) == command)
            ++n;
        Put(out, command << 13 | static_cast<unsigned>(n), 2);
        for (int i = 0; i < n; ++i) {
            const std::size_t at = start + static_cast<std::size_t>(x + i);
            const unsigned index = static_cast<unsigned>(frame.index[at] & 0xFF);
            if (command == 1 || command == 2)
                PutByte(out, frame.z[at]);
            if (command != 3)
                PutByte(out, index);
            if (command == 2)
                PutByte(out, frame.alpha[at]);
        }
        if ((command == 2 || command == 6) && n % 2)
            PutByte(out, 0);
        x += n;
    }
    return out;
}

std::string WithTable(std::string header, const std::vector<std::string>& frames, bool bigEndian)
{
    std::size_t offset = header.size() + 4 * frames.size();
    for (const std::string& frame : frames) {
        Put(header, static_cast<std::uint32_t>(offset), 4, bigEndian);
        offset += frame.size();
    }
    for (const std::string& frame : frames)
        header += frame;
    return header;
}

std::string WithPrefixes(std::string header, const std::vector<std::string>& frames, bool bigEndian)
{
    for (const std::string& frame : frames) {
        Put(header, 1001, 4, bigEndian);
        Put(header, static_cast<std::uint32_t>(frame.size()), 4, bigEndian);
        header += frame;
    }
    return header;
}

// An index or grey level in 8 bits, else a colour 0xAARRGGBB.
void PutTgaValue(std::string& out, std::uint32_t value, int bits)
{
    const unsigned a = value >> 24, r = value >> 16 & 0xFF, g = value >> 8 & 0xFF, b = value & 0xFF;
    if (bits == 8) {
        PutByte(out, value);
    } else if (bits == 15 || bits == 16) {
        Put(out, (a >= 128 ? 0x8000u : 0) | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3, 2);
    } else {
        PutByte(out, b);
        PutByte(out, g);
        PutByte(out, r);
        if (bits == 32)
            PutByte(out, a);
    }
}

} // namespace

std::string SprFrame(const SpriteFrameData& frame, bool bigEndian)
{
    std::string out;
    Put(out, 0, 4, bigEndian);
    Put(out, static_cast<std::uint32_t>(frame.height), 2, bigEndian);
    Put(out, static_cast<std::uint32_t>(frame.width), 2, bigEndian);
    out.append(2, '\0');
    int emptyRows = 0;
    auto flushEmptyRows = [&] {
        for (; emptyRows > 0; emptyRows -= std::min(emptyRows, 255)) {
            PutByte(out, 9);
            PutByte(out, static_cast<unsigned>(std::min(emptyRows, 255)));
        }
    };
    for (int y = 0; y < frame.height; ++y) {
        const int end = UsedWidth(frame, y);
        if (end == 0) {
            ++emptyRows;
            continue;
        }
        flushEmptyRows();
        const std::string row = SprRow(frame.index.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width), end);
        if (row.size() + 2 > 254)
            return {};
        PutByte(out, 4);
        PutByte(out, static_cast<unsigned>(row.size() + 2));
        out += row;
    }
    flushEmptyRows();
    PutByte(out, 5);
    PutByte(out, 0);
    return out;
}

std::string Spr2Frame(const SpriteFrameData& frame)
{
    std::string out;
    Put(out, static_cast<std::uint32_t>(frame.width), 2);
    Put(out, static_cast<std::uint32_t>(frame.height), 2);
    Put(out, frame.flags, 4);
    Put(out, frame.palette, 2);
    Put(out, frame.transparent, 2);
    Put(out, static_cast<std::uint16_t>(frame.y), 2);
    Put(out, static_cast<std::uint16_t>(frame.x), 2);
    int emptyRows = 0;
    auto flushEmptyRows = [&] {
        for (; emptyRows > 0; emptyRows -= std::min(emptyRows, 8191))
            Put(out, 0x8000u | static_cast<unsigned>(std::min(emptyRows, 8191)), 2);
    };
    for (int y = 0; y < frame.height; ++y) {
        const int end = UsedWidth(frame, y);
        if (end == 0) {
            ++emptyRows;
            continue;
        }
        flushEmptyRows();
        const std::string row = Spr2Row(frame, y, end);
        if (row.size() + 2 > 8190)
            return {};
        Put(out, static_cast<std::uint32_t>(row.size() + 2), 2);
        out += row;
    }
    flushEmptyRows();
    Put(out, 0xA000, 2);
    return out;
}

std::string SprBody(std::uint32_t version, std::uint32_t palette, const std::vector<std::string>& frames,
                    bool bigEndian, std::int64_t count)
{
    std::string header;
    Put(header, version, 4, bigEndian);
    Put(header, static_cast<std::uint32_t>(count >= 0 ? count : static_cast<std::int64_t>(frames.size())), 4, bigEndian);
    Put(header, palette, 4, bigEndian);
    return version == 1001 ? WithPrefixes(header, frames, bigEndian) : WithTable(header, frames, bigEndian);
}

std::string Spr2Body(std::uint32_t version, std::uint32_t palette, const std::vector<std::string>& frames,
                     std::int64_t count)
{
    const auto written = static_cast<std::uint32_t>(count >= 0 ? count : static_cast<std::int64_t>(frames.size()));
    std::string header;
    Put(header, version, 4);
    Put(header, version == 1001 ? palette : written, 4);
    Put(header, version == 1001 ? written : palette, 4);
    return version == 1001 ? WithPrefixes(header, frames, false) : WithTable(header, frames, false);
}

std::string DrawGroupBody(std::uint16_t version, const std::vector<DrawGroupImageData>& images)
{
    const bool wide = version >= 20003;
    std::string out;
    Put(out, version, 2);
    Put(out, static_cast<std::uint32_t>(images.size()), wide ? 4 : 2);
    for (const DrawGroupImageData& image : images) {
        if (wide) {
            Put(out, image.direction, 4);
            Put(out, image.zoom, 4);
            Put(out, static_cast<std::uint32_t>(image.sprites.size()), 4);
        } else {
            Put(out, static_cast<std::uint32_t>(image.sprites.size()), 2);
            Put(out, image.direction, 1);
            Put(out, image.zoom, 1);
        }
        for (const DrawGroupSpriteData& sprite : image.sprites) {
            if (wide) {
                Put(out, sprite.chunk, 4);
                Put(out, sprite.frame, 4);
                Put(out, static_cast<std::uint32_t>(sprite.x), 4);
                Put(out, static_cast<std::uint32_t>(sprite.y), 4);
                PutFloat(out, sprite.objectZ);
                Put(out, sprite.flags, 4);
                if (version == 20004) {
                    PutFloat(out, sprite.objectX);
                    PutFloat(out, sprite.objectY);
                }
            } else {
                Put(out, sprite.type, 2);
                Put(out, sprite.chunk, 2);
                Put(out, sprite.frame, 2);
                Put(out, sprite.flags, 2);
                Put(out, static_cast<std::uint32_t>(sprite.x), 2);
                Put(out, static_cast<std::uint32_t>(sprite.y), 2);
                if (version == 20001)
                    PutFloat(out, sprite.objectZ);
            }
        }
    }
    return out;
}

std::string TgaFile(const TgaData& image)
{
    const bool mapped = image.type == 1 || image.type == 9;
    std::string out;
    PutByte(out, static_cast<unsigned>(image.id.size()));
    PutByte(out, mapped ? 1 : 0);
    PutByte(out, static_cast<unsigned>(image.type));
    Put(out, static_cast<std::uint32_t>(image.mapFirst), 2);
    Put(out, static_cast<std::uint32_t>(mapped ? image.map.size() : 0), 2);
    PutByte(out, mapped ? static_cast<unsigned>(image.mapEntryBits) : 0);
    Put(out, 0, 2);
    Put(out, 0, 2);
    Put(out, static_cast<std::uint32_t>(image.width), 2);
    Put(out, static_cast<std::uint32_t>(image.height), 2);
    PutByte(out, static_cast<unsigned>(image.depth));
    PutByte(out, static_cast<unsigned>(image.alphaBits) | (image.rightToLeft ? 0x10u : 0) | (image.topDown ? 0x20u : 0));
    out += image.id;
    if (mapped)
        for (std::uint32_t entry : image.map)
            PutTgaValue(out, entry, image.mapEntryBits);
    // The pixels in stored order.
    std::vector<std::uint32_t> stored;
    for (int row = 0; row < image.height; ++row) {
        const int y = image.topDown ? row : image.height - 1 - row;
        for (int column = 0; column < image.width; ++column) {
            const int x = image.rightToLeft ? image.width - 1 - column : column;
            stored.push_back(image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                          static_cast<std::size_t>(x)]);
        }
    }
    if (image.type < 9) {
        for (std::uint32_t value : stored)
            PutTgaValue(out, value, image.depth);
    } else {
        // Runs of two or more equal values become run packets; the rest raw
        // packets, across row ends.
        std::size_t at = 0;
        while (at < stored.size()) {
            std::size_t run = 1;
            while (at + run < stored.size() && run < 128 && stored[at + run] == stored[at])
                ++run;
            if (run >= 2) {
                PutByte(out, 0x80 | static_cast<unsigned>(run - 1));
                PutTgaValue(out, stored[at], image.depth);
                at += run;
                continue;
            }
            std::size_t raw = 1;
            while (at + raw < stored.size() && raw < 128 &&
                   !(at + raw + 1 < stored.size() && stored[at + raw] == stored[at + raw + 1]))
                ++raw;
            PutByte(out, static_cast<unsigned>(raw - 1));
            for (std::size_t i = 0; i < raw; ++i)
                PutTgaValue(out, stored[at + i], image.depth);
            at += raw;
        }
    }
    if (image.footer) {
        out.append(8, '\0');
        out += std::string("TRUEVISION-XFILE.\0", 18);
    }
    return out;
}

namespace {

// The lamp at the largest zoom, 40 x 128 pixels: a translucent glowing
// shade, a pull chain on its right, a pole and a base.
constexpr int kLampWidth = 40, kLampHeight = 128;

void LampPixel(int x, int y, int& index, int& z, int& alpha)
{
    index = -1;
    z = 0;
    alpha = 31;
    if (y < 32) {
        const int half = 12 + y / 4;
        if (x >= 20 - half && x < 20 + half) {
            const int edge = std::min(x - (20 - half), 20 + half - 1 - x);
            index = std::min(63, 44 + y / 2 + edge / 2);
            z = 60 + y;
            alpha = edge < 2 ? 31 : 22;
        }
    } else if (x == 31 && y < 46) {
        index = y == 45 ? 30 : 6;
        z = 70;
    } else if (y < 122) {
        if (x >= 18 && x < 22) {
            index = 34 - (x - 18) * 6;
            z = 90 + (x - 18);
        }
    } else if (x >= 8 && x < 32) {
        index = 16 + (x < 20 ? 4 : 0);
        z = 100;
    }
}

// The shadow at the largest zoom: an ellipse 48 x 16 in the darkest colour.
constexpr int kShadowWidth = 48, kShadowHeight = 16;

SpriteFrameData LampFrame(int zoom)
{
    const int step = 1 << (3 - zoom); // pixels of the largest zoom per pixel
    SpriteFrameData frame;
    frame.width = kLampWidth / step;
    frame.height = kLampHeight / step;
    frame.flags = 7;
    frame.palette = 1;
    frame.transparent = 255;
    frame.x = static_cast<std::int16_t>(68 / step - frame.width / 2);
    frame.y = static_cast<std::int16_t>(348 / step - frame.height);
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            int index = 0, z = 0, alpha = 0;
            LampPixel(x * step, y * step, index, z, alpha);
            frame.index.push_back(index);
            frame.z.push_back(static_cast<std::uint8_t>(z));
            frame.alpha.push_back(static_cast<std::uint8_t>(alpha));
        }
    }
    return frame;
}

SpriteFrameData ShadowFrame(int zoom)
{
    const int step = 1 << (3 - zoom);
    SpriteFrameData frame;
    frame.width = kShadowWidth / step;
    frame.height = kShadowHeight / step;
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const double dx = (x + 0.5) / frame.width * 2 - 1, dy = (y + 0.5) / frame.height * 2 - 1;
            frame.index.push_back(dx * dx + dy * dy <= 1 ? 1 : -1);
        }
    }
    return frame;
}

} // namespace

std::vector<IffChunkData> LampSpriteChunks()
{
    std::vector<std::string> lamp, shadow;
    for (int zoom = 3; zoom >= 1; --zoom) {
        lamp.push_back(Spr2Frame(LampFrame(zoom)));
        shadow.push_back(SprFrame(ShadowFrame(zoom)));
    }
    std::vector<DrawGroupImageData> images;
    for (std::uint32_t direction : {0x01u, 0x04u, 0x10u, 0x40u}) {
        for (std::uint32_t zoom = 1; zoom <= 3; ++zoom) {
            const int step = 1 << (3 - zoom);
            const std::uint32_t frame = 3 - zoom;
            const std::uint32_t mirrored = direction == 0x04 || direction == 0x40 ? 1 : 0;
            images.push_back({direction, zoom,
                              {{257, frame, 0, -kShadowWidth / 2 / step, kShadowHeight / 2 / step},
                               {256, frame, mirrored, -kLampWidth / 2 / step, 0}}});
        }
    }
    return {
        {"SPR2", 256, 0, "Lamp", Spr2Body(1000, 1, lamp)},
        {"SPR#", 257, 0, "Lamp shadow", SprBody(505, 1, shadow)},
        {"DGRP", 100, 0, "Lamp - off", DrawGroupBody(20004, images)},
    };
}

} // namespace kelvo::sample
