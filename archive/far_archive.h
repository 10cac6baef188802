// TFarArchive: one FAR archive in memory. The file is a 16-byte header
// ("FAR!byAZ", version, manifest offset), the entries' data back to back and
// the manifest (entry count, then one record per entry in the layout of the
// archive's format, see far_manifest.h), all integers little-endian.
//
// Every operation reports failure through its result and never shows anything.
#pragma once

#include "archive/far_manifest.h"
#include "platform/file.h"

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvo {

enum TEntryState : std::int32_t {
    esOriginal = 0, // data in the archive file at FileOffset
    esNew = 1,      // data in the disk file named by Name
    esChanged = 2,  // data in the entry's own data file (TFarEntry::Change)
    esDeleted = 3,  // marked for deletion; data where BaseState says
};

// What HasSameData found: the file holds exactly the entry's bytes, other
// bytes, or one of the two cannot be read (the reason in LastError()).
enum class TDataMatch { Same, Different, Unreadable };

// An entry's name bytes. A name read from an archive file is a view into one
// block that the archive object keeps for all the names of that file, so an
// open costs no allocation per entry; a name given later (an added entry's
// path, a name assigned to an entry) is a copy of its own. Either way it
// reads like a string: size, data, comparison, conversion to std::string
// and std::string_view. A viewed name lives as long as the archive object
// that read it stays open. It is twelve bytes (eight on 32-bit systems), so
// that with the change holder below an entry of a large archive stays small.
#pragma pack(push, 4)
class TEntryName {
public:
    TEntryName() = default;
    TEntryName(std::string_view text) { Assign(text); }
    TEntryName(const std::string& text) : TEntryName(std::string_view(text)) {}
    TEntryName(const char* text) : TEntryName(std::string_view(text)) {}
    TEntryName(const TEntryName& other);
    TEntryName(TEntryName&& other) noexcept;
    TEntryName& operator=(const TEntryName& other);
    TEntryName& operator=(TEntryName&& other) noexcept;
    ~TEntryName() { Release(); }

    // A name that shows size bytes at data without copying them.
    static TEntryName View(const char* data, std::uint32_t size);

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string str() const { return std::string(data_, size_); }
    operator std::string_view() const { return {data_, size_}; }
    operator std::string() const { return str(); }

    friend bool operator==(const TEntryName& a, std::string_view b) { return std::string_view(a) == b; }
    friend std::string operator+(std::string a, const TEntryName& b) { return a.append(b.data_, b.size_); }
    friend std::ostream& operator<<(std::ostream& out, const TEntryName& name);

private:
    void Assign(std::string_view text);
    void Release();

    const char* data_ = "";
    std::uint32_t size_ : 31 = 0; // names are at most 2047 bytes
    std::uint32_t owned_ : 1 = 0;
};
#pragma pack(pop)

// What an entry given new bytes keeps: the file holding them and what the
// entry was before, which a revert gives back.
// A renamed entry keeps its old name here; its data stays where it was
// (an added entry's disk file is still found under its old name).
struct TEntryChange {
    std::string DataFile; // owned by the archive object, removed with the change; empty when the bytes are unchanged
    TEntryState BaseState = esOriginal;
    std::uint32_t RawSize = 0;
    std::uint32_t CompressedSize = 0;
    bool Renamed = false;
    std::string OldName; // the name before the first rename, when Renamed
};

// An entry's change, held through one pointer so that the entries of a large
// archive stay small, and copied with the entry.
class TEntryChangeHolder {
public:
    TEntryChangeHolder() = default;
    TEntryChangeHolder(const TEntryChangeHolder& other) { *this = other; }
    TEntryChangeHolder(TEntryChangeHolder&&) noexcept = default;
    TEntryChangeHolder& operator=(const TEntryChangeHolder& other)
    {
        if (this != &other)
            change_ = other.change_ ? std::make_unique<TEntryChange>(*other.change_) : nullptr;
        return *this;
    }
    TEntryChangeHolder& operator=(TEntryChangeHolder&&) noexcept = default;
    TEntryChangeHolder& operator=(TEntryChange change)
    {
        change_ = std::make_unique<TEntryChange>(std::move(change));
        return *this;
    }
    explicit operator bool() const { return change_ != nullptr; }
    TEntryChange* operator->() const { return change_.get(); }
    void reset() { change_.reset(); }

private:
    std::unique_ptr<TEntryChange> change_;
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
    TEntryName Name;
    // Set while the entry has new bytes (esChanged, or marked with that base)
    // or a new name.
    TEntryChangeHolder Change;
    // Version 3: what kind of file the entry holds and its number; 0 for
    // entries of other versions and new ones.
    std::uint32_t TypeId = 0;
    std::uint32_t FileId = 0;
    // The archive stores the entry as an 18-byte header and RefPack codes,
    // CompressedSize bytes in all (a version 3 type byte 0x80; in versions
    // 1a and 1b, sizes that differ).
    bool Compressed = false;
    // Bytes 12 and 13 of a version 3 record as read: the compression flag
    // and a byte of unknown use, written back as they were while the entry
    // is stored as it was.
    std::uint8_t CompressionFlag = 0;
    std::uint8_t Unknown = 0;

    // The name up to its first zero byte.
    std::string_view Text() const;
    // True when the entry's bytes are in a disk file rather than in the archive.
    bool DataOnDisk() const;
    // The disk file holding the entry's bytes: a changed entry's data file,
    // an added entry's file (its name); empty when they are in the archive
    // (or a changed state came without a data file).
    std::string DataFileName() const;
    // True for an entry added from disk, changed or renamed since or not.
    bool Added() const;
    // How many bytes the entry's data takes in the archive file.
    std::uint32_t StoredLength() const { return Compressed ? CompressedSize : RawSize; }
    // True when the entry's bytes are the compressed ones in the archive.
    bool StoredCompressed() const { return Compressed && !DataOnDisk(); }
    // True while the entry's bytes are in a data file of the archive object's.
    bool ChangedData() const { return Change && !Change->DataFile.empty(); }
    // True while the entry has a name other than the one it was read or added with.
    bool Renamed() const { return Change && Change->Renamed; }
};

// Where an entry's stored bytes in the archive file meet other parts of it
// (see TFarArchive::DataOverlaps).
struct TDataOverlap {
    bool Header = false;   // they start inside the 16-byte header
    bool Manifest = false; // they share bytes with the manifest as read
    bool Shared = false;   // they share bytes with another entry's
    // The position of the entry starting no later whose bytes they share
    // (of several, the one reaching furthest); -1 when none does.
    int Earlier = -1;
};

class TFarExtractor;

class TFarArchive {
public:
    static constexpr std::int32_t kMaxEntries = 500000;
    static constexpr std::uint32_t kMaxNameLength = 2047;
    static constexpr std::int64_t kMaxPosition = 0x7FFFFFFF; // positions are signed 32-bit
    static constexpr std::int64_t kMaxEntrySize = kMaxPosition; // no larger entry fits in an archive
    static constexpr char kSignature[] = "FAR!byAZ";
    // The most folders an extracted name may lead through, so a small
    // archive of deep names cannot make folders by the thousand.
    static constexpr std::size_t kMaxFolderDepth = 64;
    // The longest part of a name that file systems take.
    static constexpr std::size_t kMaxNamePart = 255;
    // The most folders an extraction run makes (see TExtractionRun).
    static constexpr std::size_t kMaxRunFolders = 100000;

    TFarArchive();
    ~TFarArchive();
    TFarArchive(const TFarArchive&) = delete;
    TFarArchive& operator=(const TFarArchive&) = delete;

    std::string FileName;
    std::uint32_t Version = 0;
    std::string Signature;
    std::uint32_t ManifestOffset = 0;
    std::int32_t EntryCount = 0;
    // The manifest's format: as read, or as last saved; a new archive is 1a.
    TFarFormat Format = ff1a;
    std::vector<TFarEntry> Entries;
    // How an added entry's name becomes the name the file system knows its
    // file by (kelvo-far keeps Windows-1252 names for UTF-8 files); null: the
    // name itself.
    std::string (*AddedFileName)(std::string_view name) = nullptr;

    // Reads the header and the manifest. Expects a closed, empty object.
    // The file is opened for reading and writing, shared with nobody; when
    // that is refused (a read-only file or medium, a protected folder, a file
    // another program reads), or readOnly asks for no more, it is opened for
    // reading only, still denying writes to others, and ReadOnly() is true.
    bool Open(const std::string& fileName, bool readOnly = false);
    // Reads the archive's file (FileName) again as Open does, in place of
    // what this object holds, dropping every change: for a file the object
    // itself holds shared with nobody, which a second object cannot open.
    // False, with the reason in LastError(), when it cannot be read; the
    // object then stays as it was and holds the file again.
    bool Reload();
    // The size of the open archive file; -1 when none is open or it cannot
    // be measured.
    std::int64_t FileSize() const;
    // True while the open archive file is held for reading only: Save over
    // it fails before writing anything.
    bool ReadOnly() const { return readOnly_; }
    // Writes the archive to target, leaving out entries marked for deletion.
    // The file is written beside the target under a temporary name, flushed
    // to the disk and put in its place only then; the file replaced stays
    // held until then. A target that is a link is saved to the file it leads
    // to (made when there is none yet), unless another user may have planted
    // the link in a shared folder; an existing target keeps its permissions
    // and, where allowed, its owner; a read-only target, one that another
    // program holds, or the archive's own name once another program has
    // saved over it, is refused before anything is written. Added files are
    // read at their size at save time, which their entries then take. On
    // success the object describes the new file and holds it open, and
    // LastWarning() says what the user should know; on failure nothing
    // changed, on disk or here.
    // The archive is written in Format; converting to 1a or 1b stores every
    // entry as is, to 3 compresses those that get smaller. Compressed
    // entries that stay compressed are copied as they are stored.
    bool Save(const std::string& target) { return Save(target, Format); }
    bool Save(const std::string& target, TFarFormat format);
    // Adds an entry for a disk file, named as given. False, with the reason
    // in LastError() and nothing added, for a name longer than
    // kMaxNameLength or a file that cannot be read or is 4 GB or larger.
    bool AddFile(const std::string& fileName);
    // Adds an entry for a copy of a disk file's bytes made at once in a
    // folder of this object's own, named by the copy's full path (which ends
    // in the file's own name): for a file that may be gone before the save,
    // such as one a drag offers only while it lasts. False, with the reason
    // in LastError() and nothing added, when it cannot be read or copied.
    bool AddFileCopy(const std::string& fileName);
    // Adds an entry for a disk file under a name of its own (a path below a
    // folder added as a tree); the file is read from fileName. False, with
    // the reason in LastError() and nothing added, for a name RenameRefusal
    // refuses or a file that cannot be added.
    bool AddFileAs(const std::string& fileName, const std::string& entryName);
    // Gives an entry the bytes of dataFile: it becomes esChanged (also its
    // BaseState, so a deletion mark can be taken back) with dataFile's size
    // as its sizes, keeps its name and place, and the archive object takes
    // the file over (a data file given earlier is removed). False, with the
    // reason in LastError(), nothing changed and the file left alone, when
    // the file cannot be read or is too large for an entry.
    bool ChangeEntry(TFarEntry& entry, const std::string& dataFile);
    // Gives an entry the bytes of a disk file (named as the file system
    // names it, not through AddedFileName), copied at once into a data
    // file of this object's own (so later changes of the disk file do not
    // matter), as ChangeEntry does. False, with the reason in LastError()
    // and nothing changed, when the file cannot be read or is larger than
    // kMaxEntrySize.
    bool ReplaceEntry(TFarEntry& entry, const std::string& fileName);
    // Gives an entry a new name; it keeps its data, state and place. False,
    // with the reason in LastError() and nothing changed, for a name that
    // RenameRefusal refuses.
    bool RenameEntry(TFarEntry& entry, const std::string& newName);
    // Why an entry may not take a name: empty, longer than kMaxNameLength,
    // or not extracted as itself (ExtractRefusal); empty when the name is fine.
    static std::string RenameRefusal(std::string_view name);
    // The position of the first entry other than except whose name equals
    // name in any letter case (Windows-1252 letters too); -1 when none does.
    int FindEntry(std::string_view name, int except = -1) const;
    // Marks an entry for deletion, or takes the mark back (it returns to
    // its BaseState).
    void SetDeleted(TFarEntry& entry, bool deleted);
    // Gives a changed or renamed entry its earlier bytes, state, sizes and
    // name back and removes its data file; false for an entry with neither.
    bool RevertEntry(TFarEntry& entry);
    // Whether the file holds exactly the entry's bytes; Unreadable, with
    // the reason in LastError(), when the file or the entry's bytes cannot
    // be read.
    TDataMatch HasSameData(const TFarEntry& entry, const std::string& fileName);
    // Writes one entry's data to Folder\Name (or, for an entry whose data is
    // on disk, to Folder\ and the part of its name after the last slash,
    // backslash or colon), creating the folders on the way. Each folder on
    // the way is remembered by its identity when first reached; one that is
    // no longer the same folder (swapped for a link) fails the entry rather
    // than being followed. Fails, with the reason in LastError(), for an
    // unsafe name, for data that overlaps another entry's, the header or the
    // manifest, and for a folder that changed.
    bool ExtractEntry(const TFarEntry& entry, const std::string& folder);
    // Writes the entry's data to outputName: into a new file of that name
    // when the name is free, else into a new file beside it, put in its
    // place only when complete. A file or link of that name is replaced,
    // never written through; the archive file itself (under any name: a
    // hard link, the file a link leads to), a read-only file and, within an
    // extraction run, a file the run wrote already are not. On failure the
    // file of that name stays as it was and no partial file remains.
    bool ExtractTo(const TFarEntry& entry, const std::string& outputName);
    // Writes the data of the entry at a 0-based position to TempFileName();
    // false, with the reason in LastError(), for a position outside the
    // list or bytes that cannot be read or written.
    bool ExtractToTemp(int position);
    // For each entry by position, where its stored bytes in the archive file
    // meet the header, the manifest as read or another entry's bytes.
    // Empty entries and those whose bytes are in a disk file meet nothing.
    std::vector<TDataOverlap> DataOverlaps() const;
    // Where the manifest as read ends: its offset, the count and one record
    // per entry read from the file, under the name it was read with.
    std::uint64_t ManifestEnd() const;
    // The header as the user reads it: the signature, the version, the
    // manifest offset and the entry count, each on a line of its own with
    // the numbers as signed 32-bit values ("Version: -1"), and a fifth line
    // naming a 1b archive's format.
    std::vector<std::string> HeaderLines() const;
    // True for a file name whose extension is ".far", in any letter case:
    // the files a folder added as a tree, or a file added, leaves out.
    static bool IsFarFileName(std::string_view name);
    // Closes the archive file and empties the list, removing the data files
    // of changed entries; header values stay.
    void Close();
    // Creates every folder named by the parts of path before each backslash
    // (or slash); true when the folder of path exists then.
    static bool CreatePath(const std::string& path);

    // This object's preview file in the user's temporary folder, under a
    // name other programs cannot guess.
    const std::string& TempFileName() const { return tempFileName_; }
    // Deletes the preview file, when there is one (the destructor does too).
    void DeleteTempFile() const;

    // Why an entry of this name is not extracted as itself, as a short
    // phrase ("Windows device name"); empty when it is. A name is extracted
    // only when Windows would neither refuse it nor change it on its way to
    // a file: not empty, no zero byte, no absolute name, drive, colon or ".."
    // part (also as "..." or ".. "), no device name (CON, PRN, AUX, NUL,
    // CONIN$, CONOUT$, COM1-9, LPT1-9, with any extension), no more than
    // kMaxFolderDepth folders, no part longer than kMaxNamePart bytes, no
    // empty or "." part, no part ending in a dot or a space, no control
    // character and none of <>"|?*.
    static std::string NameProblem(std::string_view name);
    // True when NameProblem finds nothing.
    static bool IsSafeEntryName(std::string_view name);
    // Why an entry of this name is not extracted, as a sentence; empty when
    // it is.
    static std::string ExtractRefusal(std::string_view name);
    // The number of folders a name puts its file in: its non-empty parts
    // before the last.
    static std::size_t FolderDepth(std::string_view name);

    // Why the last Open, Save or extraction failed, as a sentence the window
    // can show.
    const std::string& LastError() const { return lastError_; }
    // What the last Save, though it succeeded, has to tell the user (the
    // file had other names, which keep the old archive), as a sentence the
    // window can show; empty when nothing.
    const std::string& LastWarning() const { return lastWarning_; }
    // What the last Open noted without refusing the archive (see
    // TManifestInfo::Notes).
    const std::vector<std::string>& OpenNotes() const { return openNotes_; }
    // The content of an entry stored compressed in the archive; false, with
    // why the entry is damaged in LastError(), when its stored bytes cannot
    // be read or do not decompress to exactly its raw size.
    bool Unpack(const TFarEntry& entry, std::vector<unsigned char>& content);

private:
    friend class TExtractionRun;
    friend class TFarExtractor;

    // The archive file, held from Open to Close (see Open).
    platform::File Handle;

    // The file that holds an entry's data: the archive itself or the entry's
    // disk file (opened into diskFile). Null when it cannot be read, or the
    // disk file is shorter than size.
    platform::File* OpenSource(const TFarEntry& entry, std::uint32_t size, platform::File& diskFile);

    // Records why an operation failed (with the system's reason when it
    // has one) and returns false, for the failing operation to return.
    bool Fail(const std::string& reason, bool withSystemReason = false);
    // Writes the new archive into output in format, each kept entry with the
    // size at the same position of sizes (its content's size), filling
    // records with what was written; false (with the reason recorded) on
    // failure.
    bool WriteArchive(platform::File& output, TFarFormat format, const std::vector<std::size_t>& kept,
                      const std::vector<std::uint32_t>& sizes, std::vector<TManifestRecord>& records);
    // Writes the stored bytes of an entry of size content bytes, read from
    // source, for an archive of format at the output's position, filling the
    // record's sizes, IDs and compression; false with the reason recorded.
    bool WriteStored(platform::File& output, TFarFormat format, const TFarEntry& entry, platform::File& source,
                     std::uint32_t size, TManifestRecord& record);
    // Removes the data files of the changed entries and this object's folder
    // of copies with what it holds.
    void RemoveDataFiles();
    // A new name in this object's folder of copies (made when first needed),
    // inside a subfolder of its own when keepName asks for the file's own
    // name at the end; empty, with the reason recorded, when none can be made.
    std::string NewOwnFileName(std::string_view keepName = {});
    // Copies a disk file into a new file of this object's folder; its name,
    // or empty with the reason recorded.
    std::string CopyToOwnFile(const std::string& fileName, std::string_view keepName = {});

    // The file system's name for an added entry's name (see AddedFileName).
    std::string DiskFileName(std::string_view name) const;
    // The disk file holding an entry's bytes (DataOnDisk); empty when there is none.
    std::string SourceFileName(const TFarEntry& entry) const;
    // Opens fileName into Handle as Open describes, setting readOnly_.
    bool OpenHandle(const std::string& fileName, bool readOnly);

    // The names of the entries read by Open, back to back, one block per
    // file read; the entries' names are views into them.
    std::deque<std::string> nameBlocks_;
    std::string ownFolder_; // this object's folder of copies, once made
    std::vector<std::string> ownFiles_; // the copies and subfolders in it, in the order made
    bool readOnly_ = false;
    std::string tempFileName_;
    std::string lastError_;
    std::string lastWarning_;
    std::vector<std::string> openNotes_;
    // What extraction learns about the archive and the folders it writes to.
    std::unique_ptr<TFarExtractor> extractor_;
};

// One extraction of many entries (the window's Extract Directory, one
// kelvo-far extract), from construction to destruction. An entry whose
// output is a file the run wrote already (two entries of one name, added
// files of one file name, an added file named like an entry at the top)
// fails instead of replacing it, and the run makes at most kMaxRunFolders
// folders: an entry that would need more fails.
class TExtractionRun {
public:
    explicit TExtractionRun(TFarArchive& archive);
    ~TExtractionRun();
    TExtractionRun(const TExtractionRun&) = delete;
    TExtractionRun& operator=(const TExtractionRun&) = delete;

private:
    TFarArchive& archive_;
};

} // namespace kelvo
