// TFarArchive: one FAR archive in memory. The file is a 16-byte header
// ("FAR!byAZ", version, manifest offset), the entries' data back to back and
// the manifest (entry count, then per entry raw size, compressed size, data
// offset, name length and name), all integers 32-bit little-endian.
//
// Every operation reports failure through its result and never shows anything.
#pragma once

#include "platform/file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvo {

enum TEntryState : std::int32_t {
    esOriginal = 0, // data in the archive file at FileOffset
    esNew = 1,      // data in the disk file named by Name
    esChanged = 2,  // data in the disk file named by Name
    esDeleted = 3,  // marked for deletion; data where BaseState says
};

struct TFarEntry {
    TEntryState State = esOriginal;
    TEntryState BaseState = esOriginal; // what removing a deletion mark restores
    std::int32_t Index = 0;             // manifest position, or position + 1 for added entries
    std::uint32_t RawSize = 0;
    std::uint32_t CompressedSize = 0;
    std::uint32_t FileOffset = 0;
    std::uint32_t NameLength = 0;
    // The name's bytes as stored (NameLength of them). The name as text ends
    // at the first zero byte; see Text().
    std::string Name;

    // The name up to its first zero byte.
    std::string_view Text() const;
    // True when the entry's bytes are in a disk file rather than in the archive.
    bool DataOnDisk() const;
};

class TFarArchive {
public:
    static constexpr std::int32_t kMaxEntries = 500000;
    static constexpr std::uint32_t kMaxNameLength = 2047;
    static constexpr std::int64_t kMaxPosition = 0x7FFFFFFF; // positions are signed 32-bit
    static constexpr char kSignature[] = "FAR!byAZ";

    TFarArchive();
    ~TFarArchive();
    TFarArchive(const TFarArchive&) = delete;
    TFarArchive& operator=(const TFarArchive&) = delete;

    std::string FileName;
    platform::File Handle;
    std::uint32_t Version = 0;
    std::string Signature;
    std::uint32_t ManifestOffset = 0;
    std::int32_t EntryCount = 0;
    std::vector<TFarEntry> Entries;

    // Reads the header and the manifest. Expects a closed, empty object.
    bool Open(const std::string& fileName);
    // Writes the archive to target, leaving out entries marked for deletion.
    // The file is written beside the target under a temporary name, flushed
    // to the disk and put in its place only then. A target that is a link
    // is saved to the file it leads to; an existing target keeps its
    // permissions and, where allowed, its owner; a read-only target, or one
    // that another program holds, is refused before anything is written.
    // Added files are read at their size at save time, which their entries
    // then take. On success the object describes the new file and holds it
    // open; on failure nothing changed, on disk or here.
    bool Save(const std::string& target);
    // Adds an entry for a disk file, named as given.
    void AddFile(const std::string& fileName);
    // Writes one entry's data to Folder\Name (or, for an entry whose data is
    // on disk, to Folder\ and the part of its name after the last slash,
    // backslash or colon), creating the folders on the way. Fails, with the
    // reason in LastError(), for an unsafe name, for data that overlaps
    // another entry's, the header or the manifest, and for the archive file
    // itself as the output.
    bool ExtractEntry(const TFarEntry& entry, const std::string& folder);
    // Writes the entry's data to outputName: into a new file of that name
    // when the name is free, else into a new file beside it, put in its
    // place only when complete. A file or link of that name is replaced,
    // never written through; on failure it stays as it was and no partial
    // file remains.
    bool ExtractTo(const TFarEntry& entry, const std::string& outputName);
    // Writes the data of the entry at a 0-based position to TempFileName().
    bool ExtractToTemp(int position);
    // Closes the archive file and empties the list; header values stay.
    void Close();
    // Creates every folder named by the parts of path before each backslash
    // (or slash).
    static void CreatePath(const std::string& path);

    // This object's preview file in the user's temporary folder, under a
    // name other programs cannot guess.
    const std::string& TempFileName() const { return tempFileName_; }
    // Deletes the preview file, when there is one.
    void DeleteTempFile() const;

    // True when an extraction of this name would stay below the chosen folder
    // and write a file: no absolute name, drive, ".." or Windows device name
    // (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension).
    static bool IsSafeEntryName(std::string_view name);
    // True for one part of a path that Windows opens as a device (see above).
    static bool IsDeviceName(std::string_view segment);

    // Why the last Open, Save or extraction failed, as a sentence the window
    // can show.
    const std::string& LastError() const { return lastError_; }

private:
    // The file that holds an entry's data: the archive itself or the entry's
    // disk file (opened into diskFile). Null when it cannot be read, or the
    // disk file is shorter than size.
    platform::File* OpenSource(const TFarEntry& entry, std::uint32_t size, platform::File& diskFile);

    // Records why an operation failed (with the system's reason when it
    // has one) and returns false, for the failing operation to return.
    bool Fail(const std::string& reason, bool withSystemReason = false);
    // Writes the new archive into output, each kept entry with the size at
    // the same position of sizes; false (with the reason recorded) on failure.
    bool WriteArchive(platform::File& output, const std::vector<std::size_t>& kept,
                      const std::vector<std::uint32_t>& sizes, std::uint32_t manifestOffset,
                      std::vector<std::uint32_t>& offsets);
    // True when the entry's data in the archive shares bytes with another
    // entry's, the header or the manifest.
    bool SharesData(const TFarEntry& entry);
    // The data of a small entry of the archive from a window of the file
    // read ahead in one call, so neighbouring entries cost no further read;
    // null for a large entry or data past the end of the file.
    const unsigned char* ReadAheadData(const TFarEntry& entry);
    // Forgets what extraction learnt about the archive and its folders.
    void ForgetExtractionState();

    std::string tempFileName_;
    std::string lastError_;
    // The folders extraction made or found, each with whether it is the
    // archive file's own folder.
    std::unordered_map<std::string, bool> extractFolders_;
    std::vector<bool> sharedData_; // by position; empty until an extraction needs it
    std::vector<unsigned char> readAhead_;
    std::int64_t readAheadStart_ = -1; // file position of readAhead_[0]; -1 when it holds nothing
    std::size_t readAheadLength_ = 0;
};

} // namespace kelvo
