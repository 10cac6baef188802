#include "archive/far_packed.h"

#include "archive/refpack.h"

namespace kelvo {

namespace {

std::uint32_t GetLE32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLE32(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

} // namespace

bool CheckPackedHeader(const unsigned char* header, std::uint32_t storedSize, std::uint32_t rawSize,
                       std::string& reason)
{
    if (storedSize < kPackedHeaderSize)
        reason = "its " + std::to_string(storedSize) + " stored bytes are too few for the 18-byte header";
    else if (header[0] != 1 && header[0] != 3)
        reason = "stream type " + std::to_string(header[0]) + " is neither 1 nor 3";
    else if (header[13] != 0x10 || header[14] != 0xFB)
        reason = "its data is not a RefPack stream";
    else if (GetLE32(header + 1) != rawSize)
        reason = "its header gives the raw size " + std::to_string(GetLE32(header + 1)) + ", the list of entries " +
                 std::to_string(rawSize);
    else if ((std::uint32_t{header[15]} << 16 | std::uint32_t{header[16]} << 8 | header[17]) != (rawSize & 0xFFFFFF))
        reason = "the RefPack stream's size differs from the raw size";
    else if (GetLE32(header + 5) != storedSize - 9 || GetLE32(header + 9) != storedSize - 9)
        reason = "its header's lengths differ from the stored size";
    // A valid stream yields at least 4 bytes for every 5 it holds: a longer
    // one is refused before its bytes are read.
    else if (rawSize > kMaxPackedSize || storedSize - kPackedHeaderSize > std::uint64_t{rawSize} * 2 + 16)
        reason = "the RefPack stream cannot decompress to " + std::to_string(rawSize) + " bytes";
    else
        return true;
    return false;
}

bool UnpackEntry(const unsigned char* stored, std::uint32_t storedSize, std::uint32_t rawSize,
                 std::vector<unsigned char>& content, std::string& reason)
{
    if (!CheckPackedHeader(stored, storedSize, rawSize, reason))
        return false;
    std::string why;
    if (!refpack::Decompress(stored + 13, storedSize - 13, content, why)) {
        reason = "its RefPack stream is damaged: " + why;
        return false;
    }
    if (content.size() != rawSize) {
        reason = "its RefPack stream decompresses to " + std::to_string(content.size()) + " bytes, not " +
                 std::to_string(rawSize);
        return false;
    }
    return true;
}

std::vector<unsigned char> PackEntry(const unsigned char* data, std::size_t size)
{
    if (size == 0 || size > kMaxPackedSize)
        return {};
    const std::vector<unsigned char> stream = refpack::Compress(data, size);
    const std::size_t storedSize = 13 + stream.size();
    if (storedSize >= size)
        return {};
    std::vector<unsigned char> stored;
    stored.reserve(storedSize);
    stored.push_back(1);
    PutLE32(stored, static_cast<std::uint32_t>(size));
    PutLE32(stored, static_cast<std::uint32_t>(storedSize - 9));
    PutLE32(stored, static_cast<std::uint32_t>(storedSize - 9));
    stored.insert(stored.end(), stream.begin(), stream.end());
    return stored;
}

} // namespace kelvo
