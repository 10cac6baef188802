// The reader of the game's IFF resource files (version 2.5): the chunks in
// file order with their headers, and the bodies of the kinds the editor
// shows (string tables, palettes). Only the chunk headers walked and the
// bodies asked for are read, so a large file lists at once.
#pragma once

#include "platform/file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::iff {

// The 60-byte signature at the start of every 2.5 file (the text after the
// zero byte belongs to it).
inline constexpr std::string_view kSignature{"IFF FILE 2.5:TYPE FOLLOWED BY SIZE\0 JAMIE DOORNBOS & MAXIS 1", 60};
inline constexpr std::size_t kFileHeaderSize = 64;  // signature and resource-map offset
inline constexpr std::size_t kChunkHeaderSize = 76; // type, size, ID, flags, label

// Random access to the bytes of one IFF file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly count bytes at offset or fails.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// A run of bytes of a file on disk: the whole file, or an entry's data
// inside an archive.
class FileRangeSource : public ByteSource {
public:
    // The whole file; Valid() is false when it cannot be opened.
    explicit FileRangeSource(const std::string& path);
    // size bytes from start of an open file, which must outlive this source.
    FileRangeSource(platform::File& file, std::uint64_t start, std::uint64_t size);
    bool Valid() const { return file_ != nullptr; }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    platform::File own_;
    platform::File* file_ = nullptr;
    std::uint64_t start_ = 0;
    std::uint64_t size_ = 0;
};

// Bytes held in memory.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    std::string_view bytes_;
};

struct IffChunk {
    std::string Type;  // four characters, case kept
    std::uint16_t ID = 0;
    std::uint16_t Flags = 0;
    std::string Label; // up to the first zero byte, all 64 bytes when there is none
    std::uint64_t Offset = 0;     // of the chunk header in the file
    std::uint64_t BodyOffset = 0; // Offset + 76
    std::uint32_t BodySize = 0;   // the chunk's size less its header
};

enum class IffStatus {
    isComplete,      // every chunk up to the end of the file was read
    isNotRecognised, // not an IFF 2.5 file: no chunk read
    isDamaged,       // stopped at a damaged chunk header; the chunks before it are kept
};

struct IffListing {
    IffStatus Status = IffStatus::isComplete;
    std::string Reason; // why reading stopped early; empty when complete
    std::vector<IffChunk> Chunks;
};

// Checks the signature and walks the chunk headers in file order.
IffListing ReadChunks(ByteSource& source);

// A chunk's body; false when it cannot be read.
bool ReadBody(ByteSource& source, const IffChunk& chunk, std::string& body);

// The chunk types that carry a string table.
bool IsStringChunkType(std::string_view type);

struct IffString {
    int Index = 0;     // within its set of strings
    int Language = -1; // the language or language-set number; -1 where the format has none
    std::string Text;  // Windows-1252
    std::string Comment;
};

struct StringTable {
    int Format = 0; // the format code as read (codes outside -4..0 are read as 0)
    bool HasLanguages = false;
    std::vector<IffString> Strings;
};

// Decodes a string-table body; false when it does not parse (show it as bytes).
bool DecodeStrings(std::string_view body, StringTable& table);

struct PaletteColour {
    std::uint8_t Red = 0, Green = 0, Blue = 0;
};

// Decodes a palette body; false when it does not parse.
bool DecodePalette(std::string_view body, std::vector<PaletteColour>& colours);

// A bitmap chunk's body is a complete .bmp file.
bool IsBitmapFile(std::string_view body);

} // namespace kelvo::iff
