#include "archive/far_manifest.h"

#include "archive/far_archive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace kelvo {

using platform::File;

namespace {

std::uint32_t GetLE(const unsigned char* p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

void PutLE(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
}

// Reads a file front to back through one buffer, so a manifest of many
// small records costs few system calls.
class BufferedReader {
public:
    explicit BufferedReader(File& file) : file_(file), buffer_(new unsigned char[kSize]) {}

    bool Read(void* target, std::size_t count)
    {
        if (end_ - pos_ >= count) { // most reads: straight from the buffer
            std::memcpy(target, buffer_.get() + pos_, count);
            pos_ += count;
            return true;
        }
        auto* out = static_cast<unsigned char*>(target);
        while (count > 0) {
            if (pos_ == end_) {
                std::int64_t n = file_.Read(buffer_.get(), kSize);
                if (n <= 0)
                    return false;
                pos_ = 0;
                end_ = static_cast<std::size_t>(n);
            }
            std::size_t take = std::min(count, end_ - pos_);
            std::memcpy(out, buffer_.get() + pos_, take);
            pos_ += take;
            out += take;
            count -= take;
        }
        return true;
    }

private:
    static constexpr std::size_t kSize = 256 * 1024;
    File& file_;
    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

const char kTruncated[] = "The list of entries ends early: the file is damaged or incomplete.";

std::size_t FixedSize(TFarFormat format) { return format == ff1a ? 16 : format == ff1b ? 14 : 24; }

// One reading of a manifest in one format.
struct Pass {
    bool read = false;   // every record and name read, within the reader's limits
    std::string failure; // why not, in the window's words
    bool exact = true;   // the records account for exactly the file (version 1)
};

// Reads count records from just after the count. With entries null the
// records are checked and not kept. A version 3 record whose type byte is
// unknown or whose data runs past the end of the file fails the reading;
// in versions 1a and 1b such faults only make it inexact.
Pass ReadRecords(File& file, std::uint32_t manifestOffset, std::uint32_t count, TFarFormat format,
                 std::vector<TFarEntry>* entries, std::string* names, TManifestInfo& info)
{
    Pass pass;
    const std::uint64_t fileSize = static_cast<std::uint64_t>(std::max<std::int64_t>(file.Size(), 0));
    const std::size_t fixed = FixedSize(format);
    const std::uint64_t room = fileSize >= std::uint64_t{manifestOffset} + 4 ? fileSize - manifestOffset - 4 : 0;
    if (manifestOffset < 16)
        pass.exact = false;
    if (count > room / fixed) {
        pass.exact = false;
        // A count the file cannot hold reserves nothing; only the lenient
        // 1a reading goes on, to fail where the records end.
        if (format != ff1a) {
            pass.failure = kTruncated;
            return pass;
        }
    }
    const auto records = static_cast<std::int32_t>(count) > 0 ? static_cast<std::int32_t>(count) : 0;
    if (entries) {
        const std::uint64_t reserved = std::min<std::uint64_t>(room / fixed, static_cast<std::uint64_t>(records));
        entries->reserve(entries->size() + reserved);
        constexpr std::uint64_t kNameReserveLimit = 64 << 20;
        names->reserve(static_cast<std::size_t>(std::min(room - reserved * fixed, kNameReserveLimit)));
    }
    if (!file.Seek(std::int64_t{manifestOffset} + 4)) {
        pass.failure = kTruncated;
        return pass;
    }
    BufferedReader reader(file);
    std::uint64_t position = std::uint64_t{manifestOffset} + 4;
    char skipped[TFarArchive::kMaxNameLength];
    for (std::int32_t i = 0; i < records; ++i) {
        unsigned char record[24];
        if (!reader.Read(record, fixed)) {
            pass.exact = false;
            pass.failure = kTruncated;
            return pass;
        }
        position += fixed;
        const std::uint32_t rawSize = GetLE(record, 4);
        std::uint32_t storedSize, offset, nameLength;
        bool compressed;
        if (format == ff3) {
            storedSize = GetLE(record + 4, 3);
            offset = GetLE(record + 8, 4);
            nameLength = GetLE(record + 14, 2);
            if (record[7] != 0x80 && record[7] != 0) {
                char value[8];
                std::snprintf(value, sizeof value, "0x%02X", record[7]);
                pass.failure = "Entry " + std::to_string(i) + " has the unknown type byte " + value + ".";
                return pass;
            }
            compressed = record[7] == 0x80;
            if (record[12] != (compressed ? 1 : 0))
                info.Notes.push_back("entry " + std::to_string(i) + ": compression flag " + std::to_string(record[12]) +
                                     (compressed ? " on a compressed entry" : " on an entry stored as is"));
            // Only a compressed entry's stored size means anything.
            if (!compressed)
                storedSize = rawSize;
        } else {
            storedSize = GetLE(record + 4, 4);
            offset = GetLE(record + 8, 4);
            nameLength = GetLE(record + 12, format == ff1a ? 4 : 2);
            compressed = storedSize != rawSize;
        }
        if (nameLength > fileSize - std::min(position, fileSize))
            pass.exact = false;
        if (nameLength > TFarArchive::kMaxNameLength) {
            pass.failure = "Entry " + std::to_string(i) + " has a name of " + std::to_string(nameLength) +
                           " bytes; names are at most " + std::to_string(TFarArchive::kMaxNameLength) +
                           " bytes long.";
            return pass;
        }
        char* name = skipped;
        if (names) {
            names->resize(names->size() + nameLength);
            name = names->data() + names->size() - nameLength;
        }
        if (!reader.Read(name, nameLength)) {
            if (names)
                names->resize(names->size() - nameLength);
            pass.failure = kTruncated;
            return pass;
        }
        position += nameLength;
        if (offset > fileSize || storedSize > fileSize - offset) {
            if (format == ff3) {
                pass.failure = "The data of entry " + std::to_string(i) + " (offset " + std::to_string(offset) + ", " +
                               std::to_string(storedSize) + " bytes) runs past the end of the file.";
                return pass;
            }
            pass.exact = false;
        }
        if (entries) {
            TFarEntry& e = entries->emplace_back();
            e.Index = i;
            e.RawSize = rawSize;
            e.CompressedSize = storedSize;
            e.FileOffset = offset;
            e.NameLength = nameLength;
            e.Compressed = compressed;
            if (format == ff3) {
                e.CompressionFlag = record[12];
                e.Unknown = record[13];
                e.TypeId = GetLE(record + 16, 4);
                e.FileId = GetLE(record + 20, 4);
            }
        }
    }
    // Bytes after a version 3 manifest belong to no entry: the archive is
    // read all the same (kelvo-far verify reports them).
    if (position != fileSize && format != ff3)
        pass.exact = false;
    pass.read = true;
    return pass;
}

} // namespace

std::uint32_t HeaderVersion(TFarFormat format) { return format == ff3 ? 3 : 1; }

const char* FormatName(TFarFormat format) { return format == ff1a ? "1a" : format == ff1b ? "1b" : "3"; }

std::optional<TFarFormat> FormatNamed(std::string_view name)
{
    for (TFarFormat format : {ff1a, ff1b, ff3})
        if (name == FormatName(format))
            return format;
    return std::nullopt;
}

bool ReadManifest(File& file, std::uint32_t version, std::uint32_t manifestOffset, std::vector<TFarEntry>& entries,
                  std::string& names, TManifestInfo& info, std::string& reason)
{
    unsigned char countBytes[4];
    if (manifestOffset > TFarArchive::kMaxPosition || file.ReadAt(countBytes, 4, manifestOffset) != 4) {
        reason = "The header points to a list of entries outside the file.";
        return false;
    }
    const std::uint32_t count = GetLE(countBytes, 4);
    info.Count = static_cast<std::int32_t>(count);
    if (info.Count > TFarArchive::kMaxEntries) {
        reason = "The archive lists " + std::to_string(count) + " entries; at most " +
                 std::to_string(TFarArchive::kMaxEntries) + " can be opened.";
        return false;
    }
    if (version == 3) {
        info.Format = ff3;
        Pass pass = ReadRecords(file, manifestOffset, count, ff3, &entries, &names, info);
        reason = pass.failure;
        return pass.read;
    }
    // Version 1 (or a number no reader knows, read the way the first game's
    // archives are): 1a when its reading ends exactly at the end of the
    // file, else 1b when that one does.
    const std::size_t first = entries.size();
    info.Format = ff1a;
    const Pass as1a = ReadRecords(file, manifestOffset, count, ff1a, &entries, &names, info);
    const bool exact1a = as1a.read && as1a.exact;
    TManifestInfo ignored;
    const Pass as1b = ReadRecords(file, manifestOffset, count, ff1b, nullptr, nullptr, ignored);
    const bool exact1b = as1b.read && as1b.exact;
    if (exact1a) {
        if (exact1b && count > 0)
            info.Notes.push_back("the list of entries reads as 1a and as 1b; it is taken as 1a");
        return true;
    }
    if (exact1b) {
        entries.resize(first);
        names.clear();
        info.Notes.clear();
        info.Format = ff1b;
        const Pass pass = ReadRecords(file, manifestOffset, count, ff1b, &entries, &names, info);
        reason = pass.failure;
        return pass.read;
    }
    // What breaks the exact reading (data outside the file, bytes after
    // the manifest) is for extraction and kelvo-far verify to report.
    reason = as1a.failure;
    return as1a.read;
}

std::uint64_t ManifestRecordSize(TFarFormat format, std::size_t nameLength)
{
    return FixedSize(format) + std::uint64_t{nameLength};
}

void AppendManifestRecord(std::string& out, TFarFormat format, const TManifestRecord& record)
{
    const auto nameLength = static_cast<std::uint32_t>(record.Name.size());
    PutLE(out, record.RawSize, 4);
    if (format == ff3) {
        PutLE(out, record.Compressed ? record.StoredSize : record.RawSize & 0xFFFFFF, 3);
        out += static_cast<char>(record.Compressed ? 0x80 : 0);
        PutLE(out, record.Offset, 4);
        out += static_cast<char>(record.CompressionFlag);
        out += static_cast<char>(record.Unknown);
        PutLE(out, nameLength, 2);
        PutLE(out, record.TypeId, 4);
        PutLE(out, record.FileId, 4);
    } else {
        PutLE(out, record.StoredSize, 4);
        PutLE(out, record.Offset, 4);
        PutLE(out, nameLength, format == ff1a ? 4 : 2);
    }
    out += record.Name;
}

} // namespace kelvo
