// RefPack: the LZ77-style compression of compressed FAR version 3 entries.
// A stream is a header (flags 0x10, magic 0xFB, the decompressed size
// big-endian in 3 bytes, or 4 when flag bit 7 is set) followed by control
// codes that append literal bytes and copies of earlier output, ending with a
// stop code. These functions take the stream from its flags byte on; the
// 4-byte little-endian length that precedes it inside an archive entry is the
// caller's. Decompress takes inSize as the stream's exact length: bytes after
// the stop code's literals make the stream malformed. Compress takes data of
// fewer than 4 GiB.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
namespace kelvo::refpack {
// Reads the stream header: the decompressed size it states. False, with a reason, when the header is malformed or truncated.
bool StatedSize(const unsigned char* in, std::size_t inSize, std::uint32_t& size, std::string& reason);
// Decompresses a whole stream (header included) into out, resized to the stated size. Never reads or writes out of bounds; false with a reason for every malformed stream (bad header, offset before the output's start, output beyond the stated size, truncated input, a stream that stops short of its stated size). out's content is unspecified on failure.
bool Decompress(const unsigned char* in, std::size_t inSize, std::vector<unsigned char>& out, std::string& reason);
// Compresses data into a complete stream with the header writers use.
std::vector<unsigned char> Compress(const unsigned char* data, std::size_t size);
}
