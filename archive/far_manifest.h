// The manifest formats of FAR archives: the list of entries at the end of
// the file, in its three shapes. All numbers are little-endian.
//   1a: raw size, stored size, data offset, name length (4 bytes each), name
//   1b: the same with a 2-byte name length
//   3:  raw size (4), stored size (3), type byte (1: 0x80 compressed, 0 not),
//       data offset (4), compression flag (1), a byte of unknown use (1),
//       name length (2), type ID (4), file ID (4), name
// 1a and 1b both store version 1 in the header; only the manifest's shape
// tells them apart: the flavour whose reading ends exactly at the end of
// the file, 1a when both do.
#pragma once

#include "platform/file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

struct TFarEntry;

enum TFarFormat : std::uint8_t {
    ff1a = 0, // version 1, 4-byte name lengths: the first game's archives
    ff1b = 1, // version 1, 2-byte name lengths
    ff3 = 2,  // version 3: type and file IDs, RefPack-compressed entries
};

// The version number the header of an archive of this format holds.
std::uint32_t HeaderVersion(TFarFormat format);
// "1a", "1b" or "3".
const char* FormatName(TFarFormat format);
// The format named "1a", "1b" or "3"; none for anything else.
std::optional<TFarFormat> FormatNamed(std::string_view name);

// What reading a manifest found besides the entries.
struct TManifestInfo {
    std::int32_t Count = 0; // the entry count as stored, read as signed
    TFarFormat Format = ff1a;
    // Things a reader notes without refusing the archive: a manifest that
    // reads as 1a and as 1b, a version 3 compression flag that disagrees
    // with the type byte.
    std::vector<std::string> Notes;
};

// Reads the manifest at manifestOffset of an archive whose header holds
// version, appending one entry per record to entries (state esOriginal,
// Index its position in the manifest, no name yet) and the names, back to
// back, to names. A version 3 manifest must read exactly; a version 1 one
// is read as 1a or 1b by the exact-end rule and, when neither fits, as 1a
// the lenient way (records and names inside the file, nothing else
// checked). False, with the reason, when the archive cannot be opened; the
// entries and names read before the failure stay.
bool ReadManifest(platform::File& file, std::uint32_t version, std::uint32_t manifestOffset,
                  std::vector<TFarEntry>& entries, std::string& names, TManifestInfo& info, std::string& reason);

// One record as a manifest of any format stores it.
struct TManifestRecord {
    std::uint32_t RawSize = 0;
    std::uint32_t StoredSize = 0;
    std::uint32_t Offset = 0;
    std::uint32_t TypeId = 0;
    std::uint32_t FileId = 0;
    bool Compressed = false;
    std::uint8_t CompressionFlag = 0;
    std::uint8_t Unknown = 0;
    std::string_view Name;
};

// The bytes one record takes in a manifest of the format.
std::uint64_t ManifestRecordSize(TFarFormat format, std::size_t nameLength);
// Appends the record in the format's layout. A version 3 record of an
// entry stored as is holds the low 24 bits of its raw size as stored size.
void AppendManifestRecord(std::string& out, TFarFormat format, const TManifestRecord& record);

} // namespace kelvo
