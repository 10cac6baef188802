// A FAR writer (1a, 1b, 3) apart from the code under test; compressed entries hold literal-only RefPack streams.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvo::test {

struct VersionedEntry {
    std::string name, data;
    bool compressed = false;
    std::uint32_t typeId = 0, fileId = 0;
};

inline void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
}

// A RefPack stream (header included) of literal blocks and a stop code.
inline std::string LiteralRefPack(const std::string& data)
{
    std::string out = "\x10\xFB";
    out += {static_cast<char>(data.size() >> 16), static_cast<char>(data.size() >> 8), static_cast<char>(data.size())};
    std::size_t at = 0;
    for (std::size_t block; (block = std::min<std::size_t>(112, (data.size() - at) / 4 * 4)) > 0; at += block)
        out += static_cast<char>(0xE0 + block / 4 - 1) + data.substr(at, block);
    return out + static_cast<char>(0xFC + (data.size() - at)) + data.substr(at);
}

// The stored bytes of a compressed entry holding the stream.
inline std::string Container(std::uint32_t rawSize, const std::string& stream)
{
    std::string out(1, '\x01');
    for (std::uint32_t field : {rawSize, std::uint32_t(stream.size() + 4), std::uint32_t(stream.size() + 4)})
        PutLE(out, field, 4);
    return out + stream;
}

// format: "1a", "1b" or "3".
inline std::string VersionedArchive(const std::string& format, const std::vector<VersionedEntry>& entries)
{
    std::string data, manifest;
    PutLE(manifest, static_cast<std::uint32_t>(entries.size()), 4);
    for (const VersionedEntry& e : entries) {
        const auto raw = static_cast<std::uint32_t>(e.data.size());
        const std::string stored = e.compressed ? Container(raw, LiteralRefPack(e.data)) : e.data;
        const auto offset = static_cast<std::uint32_t>(16 + data.size());
        const auto nameLength = static_cast<std::uint32_t>(e.name.size());
        PutLE(manifest, raw, 4);
        if (format == "3") {
            PutLE(manifest, e.compressed ? static_cast<std::uint32_t>(stored.size()) : raw, 3);
            manifest += e.compressed ? '\x80' : '\0';
            PutLE(manifest, offset, 4);
            manifest += {e.compressed ? '\x01' : '\0', '\0'};
            PutLE(manifest, nameLength, 2);
            PutLE(manifest, e.typeId, 4);
            PutLE(manifest, e.fileId, 4);
        } else {
            PutLE(manifest, static_cast<std::uint32_t>(stored.size()), 4);
            PutLE(manifest, offset, 4);
            PutLE(manifest, nameLength, format == "1a" ? 4 : 2);
        }
        manifest += e.name;
        data += stored;
    }
    std::string out = "FAR!byAZ";
    PutLE(out, format == "3" ? 3 : 1, 4);
    PutLE(out, static_cast<std::uint32_t>(16 + data.size()), 4);
    return out + data + manifest;
}

// Bytes written as hex pairs, spaces and line breaks ignored.
inline std::string Hex(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ' && text[i] != '\n')
            out += static_cast<char>(std::stoi(text.substr(i++, 2), nullptr, 16));
    return out;
}

} // namespace kelvo::test
