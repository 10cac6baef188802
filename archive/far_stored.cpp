// How entries are stored: compressed entries read back as their content,
// and each entry written in the form a new archive's format asks for.
#include "archive/far_archive.h"
#include "archive/far_packed.h"

#include <algorithm>

namespace kelvo {

using platform::File;

bool TFarArchive::Unpack(const TFarEntry& entry, std::vector<unsigned char>& content)
{
    const std::string name(entry.Text());
    if (!Handle.IsOpen())
        return Fail("The archive file is not open.");
    // The header is checked before the rest is read, so sizes no stream
    // can have cost no memory.
    std::vector<unsigned char> stored(std::min<std::size_t>(entry.CompressedSize, kPackedHeaderSize));
    std::string reason;
    if (Handle.ReadAt(stored.data(), stored.size(), entry.FileOffset) != static_cast<std::int64_t>(stored.size()))
        return Fail("The data of entry " + name + " runs past the end of its file.");
    if (!CheckPackedHeader(stored.data(), entry.CompressedSize, entry.RawSize, reason))
        return Fail("The compressed entry " + name + " is damaged: " + reason + ".");
    stored.resize(entry.CompressedSize);
    if (Handle.ReadAt(stored.data(), stored.size(), entry.FileOffset) != static_cast<std::int64_t>(stored.size()))
        return Fail("The data of entry " + name + " runs past the end of its file.");
    if (!UnpackEntry(stored.data(), entry.CompressedSize, entry.RawSize, content, reason))
        return Fail("The compressed entry " + name + " is damaged: " + reason + ".");
    return true;
}

bool TFarArchive::WriteStored(File& out, TFarFormat format, const TFarEntry& entry, File& source, std::uint32_t size,
                              TManifestRecord& record)
{
    const std::string name(entry.Text());
    const bool v3 = format == ff3;
    const std::int64_t position = entry.DataOnDisk() ? 0 : entry.FileOffset;
    auto copy = [&](std::int64_t from, std::uint32_t count) {
        if (out.CopyFrom(source, from, count))
            return true;
        // Tell a source that ends early from a target that cannot take more.
        if (source.Size() < from + static_cast<std::int64_t>(count))
            return Fail("The data of entry " + name + " runs past the end of its file.");
        return Fail("The new archive could not be written.", true);
    };
    auto write = [&](const std::vector<unsigned char>& bytes) {
        return out.Write(bytes.data(), bytes.size()) || Fail("The new archive could not be written.", true);
    };
    record.RawSize = size;
    record.StoredSize = size;
    record.TypeId = v3 ? entry.TypeId : 0;
    record.FileId = v3 ? entry.FileId : 0;
    record.Unknown = v3 ? entry.Unknown : 0;
    if (entry.StoredCompressed()) {
        // Version 3 keeps the compressed bytes as they are; 1a and 1b store
        // the content, except of a damaged entry, which is copied as it is
        // stored so that nothing is lost.
        std::vector<unsigned char> content;
        if (!v3 && Unpack(entry, content)) {
            record.CompressionFlag = 0;
            return write(content);
        }
        lastError_.clear();
        record.StoredSize = entry.CompressedSize;
        record.Compressed = true;
        record.CompressionFlag = Format == ff3 ? entry.CompressionFlag : 1;
        return copy(position, entry.CompressedSize);
    }
    // An entry stored as it was keeps its flag byte; in version 3, new and
    // changed entries, and every entry of an archive converted to it, are
    // compressed when that makes them smaller.
    const bool asStored = v3 && !entry.DataOnDisk() && Format == ff3;
    record.CompressionFlag = asStored ? entry.CompressionFlag : 0;
    if (!v3 || asStored || size == 0 || size > kMaxPackedSize)
        return copy(position, size);
    std::vector<unsigned char> content(size);
    if (source.ReadAt(content.data(), size, position) != static_cast<std::int64_t>(size))
        return Fail("The data of entry " + name + " runs past the end of its file.");
    std::vector<unsigned char> packed = PackEntry(content.data(), size);
    if (packed.empty())
        return write(content);
    record.StoredSize = static_cast<std::uint32_t>(packed.size());
    record.Compressed = true;
    record.CompressionFlag = 1;
    return write(packed);
}

} // namespace kelvo
