#include "components/iff/iff_reader.h"

#include <cstring>

namespace kelvo::iff {

namespace {

std::uint32_t BigEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// Older files begin like this but carry another version number.
constexpr std::string_view kOlderSignatureStart{"IFF FILE "};

std::string ChunkPlace(std::size_t number, std::uint64_t offset)
{
    return "chunk " + std::to_string(number + 1) + " at offset " + std::to_string(offset);
}

// Reads string tables field by field; every read checks the bytes left.
class BodyCursor {
public:
    explicit BodyCursor(std::string_view body, std::size_t position = 0) : body_(body), position_(position) {}
    bool Byte(unsigned& value)
    {
        if (position_ >= body_.size())
            return false;
        value = static_cast<unsigned char>(body_[position_++]);
        return true;
    }
    bool Word(unsigned& value, bool bigEndian = false)
    {
        unsigned first = 0, second = 0;
        if (!Byte(first) || !Byte(second))
            return false;
        value = bigEndian ? first << 8 | second : second << 8 | first;
        return true;
    }
    bool Bytes(std::size_t count, std::string& value)
    {
        if (count > body_.size() - position_)
            return false;
        value.assign(body_.substr(position_, count));
        position_ += count;
        return true;
    }
    bool ZeroTerminated(std::string& value)
    {
        const std::size_t end = body_.find('\0', position_);
        if (end == std::string_view::npos)
            return false;
        value.assign(body_.substr(position_, end - position_));
        position_ = end + 1;
        return true;
    }
    bool LengthPrefixed(std::string& value)
    {
        unsigned length = 0;
        return Byte(length) && Bytes(length, value);
    }
    // One length byte, or two when the first has its top bit set.
    bool VariableLength(std::string& value)
    {
        unsigned length = 0;
        if (!Byte(length))
            return false;
        if (length & 0x80) {
            unsigned high = 0;
            if (!Byte(high))
                return false;
            length = (length & 0x7F) + high * 128;
        }
        return Bytes(length, value);
    }

private:
    std::string_view body_;
    std::size_t position_;
};

bool DecodePascalStrings(BodyCursor cursor, bool bigEndianCount, StringTable& table)
{
    unsigned count = 0;
    if (!cursor.Word(count, bigEndianCount))
        return false;
    for (unsigned i = 0; i < count; ++i) {
        IffString string;
        string.Index = static_cast<int>(i);
        if (!cursor.LengthPrefixed(string.Text))
            return false;
        table.Strings.push_back(std::move(string));
    }
    return true;
}

bool DecodeKnownFormat(int format, BodyCursor cursor, StringTable& table)
{
    if (format == 0)
        return DecodePascalStrings(cursor, false, table);
    if (format == -4) {
        table.HasLanguages = true;
        unsigned sets = 0;
        if (!cursor.Byte(sets))
            return false;
        for (unsigned set = 0; set < sets; ++set) {
            unsigned count = 0;
            if (!cursor.Word(count))
                return false;
            for (unsigned i = 0; i < count; ++i) {
                IffString string;
                string.Index = static_cast<int>(i);
                unsigned language = 0;
                if (!cursor.Byte(language) || !cursor.VariableLength(string.Text) ||
                    !cursor.VariableLength(string.Comment))
                    return false;
                string.Language = static_cast<int>(language);
                table.Strings.push_back(std::move(string));
            }
        }
        return true;
    }
    unsigned count = 0;
    if (!cursor.Word(count))
        return false;
    table.HasLanguages = format == -3;
    for (unsigned i = 0; i < count; ++i) {
        IffString string;
        string.Index = static_cast<int>(i);
        if (format == -3) {
            unsigned language = 0;
            if (!cursor.Byte(language))
                return false;
            string.Language = static_cast<int>(language);
        }
        if (!cursor.ZeroTerminated(string.Text))
            return false;
        if (format != -1 && !cursor.ZeroTerminated(string.Comment))
            return false;
        table.Strings.push_back(std::move(string));
    }
    return true;
}

} // namespace

FileRangeSource::FileRangeSource(const std::string& path)
    : own_(platform::File::Open(path, platform::File::Mode::Read))
{
    const std::int64_t size = own_.IsOpen() ? own_.Size() : -1;
    if (size < 0)
        return;
    file_ = &own_;
    size_ = static_cast<std::uint64_t>(size);
}

FileRangeSource::FileRangeSource(platform::File& file, std::uint64_t start, std::uint64_t size)
    : file_(&file), start_(start), size_(size)
{
}

bool FileRangeSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (!file_ || offset > size_ || count > size_ - offset)
        return false;
    return file_->Seek(static_cast<std::int64_t>(start_ + offset)) && file_->ReadExact(buffer, count);
}

bool MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (offset > bytes_.size() || count > bytes_.size() - offset)
        return false;
    if (count > 0)
        std::memcpy(buffer, bytes_.data() + offset, count);
    return true;
}

IffListing ReadChunks(ByteSource& source)
{
    IffListing listing;
    const std::uint64_t size = source.Size();
    unsigned char header[kChunkHeaderSize];
    if (size < kSignature.size() || !source.ReadAt(0, header, kSignature.size())) {
        listing.Status = IffStatus::isNotRecognised;
        listing.Reason = size == 0 ? "Not an IFF 2.5 file: the file is empty."
                                   : "Not an IFF 2.5 file: the file is shorter than the IFF signature.";
        return listing;
    }
    const std::string_view signature(reinterpret_cast<const char*>(header), kSignature.size());
    if (signature != kSignature) {
        listing.Status = IffStatus::isNotRecognised;
        listing.Reason = signature.starts_with(kOlderSignatureStart)
                             ? "Not an IFF 2.5 file: the signature names version " +
                                   std::string(signature.substr(kOlderSignatureStart.size(), 3)) + "."
                             : "Not an IFF 2.5 file: the signature differs.";
        return listing;
    }
    if (size < kFileHeaderSize) {
        listing.Status = IffStatus::isNotRecognised;
        listing.Reason = "Not an IFF 2.5 file: the file ends inside the IFF header.";
        return listing;
    }
    std::uint64_t offset = kFileHeaderSize;
    while (offset < size) {
        const std::size_t number = listing.Chunks.size();
        if (size - offset < kChunkHeaderSize || !source.ReadAt(offset, header, kChunkHeaderSize)) {
            listing.Status = IffStatus::isDamaged;
            listing.Reason = "Damaged IFF file: the header of " + ChunkPlace(number, offset) + " is cut off at " +
                             std::to_string(size - offset) + " bytes.";
            return listing;
        }
        const std::uint32_t chunkSize = BigEndian(header + 4, 4);
        if (chunkSize < kChunkHeaderSize || chunkSize > size - offset) {
            listing.Status = IffStatus::isDamaged;
            listing.Reason = "Damaged IFF file: " + ChunkPlace(number, offset) + " gives the size " +
                             std::to_string(chunkSize) +
                             (chunkSize < kChunkHeaderSize ? ", less than its 76-byte header."
                                                           : ", past the end of the file.");
            return listing;
        }
        IffChunk chunk;
        chunk.Type.assign(reinterpret_cast<const char*>(header), 4);
        chunk.ID = static_cast<std::uint16_t>(BigEndian(header + 8, 2));
        chunk.Flags = static_cast<std::uint16_t>(BigEndian(header + 10, 2));
        const char* label = reinterpret_cast<const char*>(header + 12);
        chunk.Label.assign(label, strnlen(label, 64));
        chunk.Offset = offset;
        chunk.BodyOffset = offset + kChunkHeaderSize;
        chunk.BodySize = chunkSize - static_cast<std::uint32_t>(kChunkHeaderSize);
        listing.Chunks.push_back(std::move(chunk));
        offset += chunkSize;
    }
    return listing;
}

bool ReadBody(ByteSource& source, const IffChunk& chunk, std::string& body)
{
    body.assign(chunk.BodySize, '\0');
    return source.ReadAt(chunk.BodyOffset, body.data(), body.size());
}

bool IsStringChunkType(std::string_view type)
{
    return type == "STR#" || type == "CTSS" || type == "TTAs" || type == "FAMs" || type == "CATS";
}

bool DecodeStrings(std::string_view body, StringTable& table)
{
    table = StringTable{};
    BodyCursor cursor(body);
    unsigned code = 0;
    if (!cursor.Word(code))
        return false;
    const int format = static_cast<std::int16_t>(code);
    if (format >= -4 && format <= 0) {
        table.Format = format;
        if (DecodeKnownFormat(format, cursor, table))
            return true;
        table = StringTable{};
        return false;
    }
    // Some base-game files carry another code: read as format 0 whose count
    // is the body's first two bytes, big-endian.
    if (DecodePascalStrings(BodyCursor(body), true, table))
        return true;
    table = StringTable{};
    return false;
}

bool DecodePalette(std::string_view body, std::vector<PaletteColour>& colours)
{
    colours.clear();
    constexpr std::size_t kColoursStart = 16; // version, count, eight zero bytes
    if (body.size() < kColoursStart)
        return false;
    auto u32 = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(body[at + static_cast<std::size_t>(i)]);
        return value;
    };
    const std::uint32_t count = u32(4);
    if (count < 1 || count > 256 || body.size() - kColoursStart < count * 3u)
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = kColoursStart + i * 3u;
        colours.push_back({static_cast<std::uint8_t>(body[at]), static_cast<std::uint8_t>(body[at + 1]),
                           static_cast<std::uint8_t>(body[at + 2])});
    }
    return true;
}

bool IsBitmapFile(std::string_view body) { return body.starts_with("BM"); }

} // namespace kelvo::iff
