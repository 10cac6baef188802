// The container of a compressed FAR entry: an 18-byte header, then RefPack
// codes.
//   0  stream type: 1 (3 is read too)
//   1  raw size, 4 bytes little-endian
//   5  compressed length: the entry's stored size - 9, 4 bytes, twice
//  13  10 FB: RefPack flags and magic
//  15  raw size, 3 bytes big-endian
//  18  the codes, ending exactly at the end of the entry
// Bytes 9 on are a RefPack stream with its 4-byte length in front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo {

inline constexpr std::size_t kPackedHeaderSize = 18;
// The largest entry that can be stored compressed: the header's big-endian
// size has 24 bits.
inline constexpr std::uint32_t kMaxPackedSize = 0xFFFFFF;

// Checks the header of a compressed entry of storedSize bytes whose
// manifest gives rawSize, from as many of its first 18 bytes as there are
// (at most 18 in header). False, with why the entry is damaged.
bool CheckPackedHeader(const unsigned char* header, std::uint32_t storedSize, std::uint32_t rawSize,
                       std::string& reason);
// Checks a compressed entry's stored bytes and decompresses them into
// content (rawSize bytes). False, with why the entry is damaged.
bool UnpackEntry(const unsigned char* stored, std::uint32_t storedSize, std::uint32_t rawSize,
                 std::vector<unsigned char>& content, std::string& reason);
// The stored bytes of data compressed, or nothing when compression would
// not make it smaller, or it is empty or larger than kMaxPackedSize.
std::vector<unsigned char> PackEntry(const unsigned char* data, std::size_t size);

} // namespace kelvo
