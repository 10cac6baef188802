#include "archive/far_archive.h"
#include "archive/name_case.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

namespace kelvo {

using platform::File;

namespace {

std::uint32_t GetLE32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLE32(std::string& out, std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    out.append(bytes, 4);
}

// The part of a path after its last slash, backslash or colon.
std::string_view LastNamePart(std::string_view path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// The folder part of a path: everything up to its last slash, backslash or colon.
std::string FolderPart(const std::string& path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Why IsSafeEntryName refuses a name, as the end of a sentence after it.
std::string UnsafeNameReason(std::string_view name)
{
    if (TFarArchive::FolderDepth(name) > TFarArchive::kMaxFolderDepth)
        return " leads through more than " + std::to_string(TFarArchive::kMaxFolderDepth) + " folders.";
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = name.find_first_of("\\/", start);
        if (name.substr(start, end - start).size() > TFarArchive::kMaxNamePart)
            return " has a part longer than " + std::to_string(TFarArchive::kMaxNamePart) + " bytes.";
    }
    return " would leave the chosen folder or name a device.";
}

// How many bytes an entry's data takes in the archive.
std::uint32_t StoredLength(const TFarEntry& entry)
{
    return entry.Compressed ? entry.CompressedSize : entry.RawSize;
}

// Where an entry's data starts in the file OpenSource gives for it.
std::int64_t SourcePosition(const TFarEntry& entry)
{
    return entry.DataOnDisk() ? 0 : entry.FileOffset;
}

// ".." or a segment Windows might take for it once it drops trailing dots and
// spaces ("...", ".. ").
bool IsParentSegment(std::string_view segment)
{
    return std::count(segment.begin(), segment.end(), '.') >= 2 &&
           segment.find_first_not_of(". ") == std::string_view::npos;
}

// A name Windows opens as a device rather than a file, whatever folder it
// is in: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 (also with the
// superscript digits 1-3 of the ANSI code page), in any letter case, with or
// without an extension, with trailing dots or spaces.
bool IsDeviceSegment(std::string_view segment)
{
    std::string_view base = segment.substr(0, segment.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    std::string upper(base);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (upper == device)
            return true;
    }
    if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0))
        return false;
    const unsigned char digit = static_cast<unsigned char>(upper[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// The change record an entry starts with: what it is now, which a revert gives back.
TEntryChange FirstChange(const TFarEntry& entry)
{
    TEntryChange change;
    change.BaseState = entry.State == esDeleted ? entry.BaseState : entry.State;
    change.RawSize = entry.RawSize;
    change.CompressedSize = entry.CompressedSize;
    return change;
}

// Two names equal in any letter case, Windows-1252 letters too.
bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

} // namespace

TEntryName::TEntryName(const TEntryName& other)
{
    if (other.owned_) {
        Assign(other);
    } else {
        data_ = other.data_;
        size_ = other.size_;
    }
}

TEntryName::TEntryName(TEntryName&& other) noexcept : data_(other.data_), size_(other.size_), owned_(other.owned_)
{
    other.data_ = "";
    other.size_ = 0;
    other.owned_ = false;
}

TEntryName& TEntryName::operator=(const TEntryName& other)
{
    if (this != &other)
        *this = TEntryName(other);
    return *this;
}

TEntryName& TEntryName::operator=(TEntryName&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, "");
        size_ = other.size_;
        owned_ = other.owned_;
        other.size_ = 0;
        other.owned_ = false;
    }
    return *this;
}

TEntryName TEntryName::View(const char* data, std::uint32_t size)
{
    TEntryName name;
    name.data_ = size == 0 ? "" : data;
    name.size_ = size;
    return name;
}

void TEntryName::Assign(std::string_view text)
{
    if (text.empty())
        return;
    char* copy = new char[text.size()];
    std::memcpy(copy, text.data(), text.size());
    data_ = copy;
    size_ = static_cast<std::uint32_t>(text.size());
    owned_ = true;
}

void TEntryName::Release()
{
    if (owned_)
        delete[] data_;
    data_ = "";
    size_ = 0;
    owned_ = false;
}

std::ostream& operator<<(std::ostream& out, const TEntryName& name) { return out << std::string_view(name); }

std::string_view TFarEntry::Text() const
{
    std::string_view name(Name);
    return name.substr(0, name.find('\0'));
}

bool TFarEntry::DataOnDisk() const
{
    TEntryState source = State == esDeleted ? BaseState : State;
    return source == esNew || source == esChanged;
}

std::string TFarEntry::DataFileName() const
{
    // A changed entry is read from its own file, never from its name; a
    // renamed added entry from the file it was added as.
    if (ChangedData())
        return Change->DataFile;
    const TEntryState source = State == esDeleted ? BaseState : State;
    if (source != esNew)
        return {};
    return Renamed() ? Change->OldName : std::string(Text());
}

bool TFarEntry::Added() const
{
    const TEntryState source = Change ? Change->BaseState : State == esDeleted ? BaseState : State;
    return source == esNew;
}

TFarArchive::TFarArchive()
    : tempFileName_(platform::TempFolder() + "kelvo-" + platform::UnpredictableName() + ".tmp")
{
}

TFarArchive::~TFarArchive() { RemoveDataFiles(); }

bool TFarArchive::Fail(const std::string& reason, bool withSystemReason)
{
    lastError_ = reason;
    if (withSystemReason) {
        const std::string system = platform::LastErrorText();
        if (!system.empty())
            lastError_ += " " + system;
    }
    return false;
}

bool TFarArchive::OpenHandle(const std::string& fileName, bool readOnly)
{
    // A file marked read-only is taken as such even by a user the system
    // would let write it (the superuser).
    readOnly_ = readOnly || platform::IsReadOnly(fileName);
    if (!readOnly_)
        Handle = File::Open(fileName, File::Mode::ReadWriteLocked);
    if (!Handle.IsOpen()) {
        readOnly_ = true;
        Handle = File::Open(fileName, File::Mode::Read);
    }
    return Handle.IsOpen();
}

bool TFarArchive::Reload()
{
    lastError_.clear();
    TFarArchive fresh;
    const bool hadHandle = Handle.IsOpen();
    Handle.Close();
    if (!fresh.Open(FileName)) {
        lastError_ = fresh.LastError();
        if (hadHandle)
            OpenHandle(FileName, readOnly_);
        return false;
    }
    const std::string fileName = FileName;
    Close();
    FileName = fileName;
    Handle = std::move(fresh.Handle);
    readOnly_ = fresh.readOnly_;
    Version = fresh.Version;
    Signature = std::move(fresh.Signature);
    ManifestOffset = fresh.ManifestOffset;
    EntryCount = fresh.EntryCount;
    Format = fresh.Format;
    // The names stay where they were read: the blocks move, not their bytes.
    Entries = std::move(fresh.Entries);
    nameBlocks_ = std::move(fresh.nameBlocks_);
    openNotes_ = std::move(fresh.openNotes_);
    return true;
}

std::int64_t TFarArchive::FileSize() const { return Handle.IsOpen() ? Handle.Size() : -1; }

bool TFarArchive::Open(const std::string& fileName, bool readOnly)
{
    lastError_.clear();
    ForgetExtractionState();
    if (!platform::FileExists(fileName))
        return Fail("The file does not exist.");
    if (!OpenHandle(fileName, readOnly))
        return Fail("The file cannot be opened for reading.", true);

    unsigned char header[16];
    if (!Handle.ReadExact(header, sizeof header))
        return Fail("The file is too short for the 16-byte header of a FAR archive.");
    Signature.assign(reinterpret_cast<const char*>(header), 8);
    Signature.resize(std::strlen(Signature.c_str()));
    Version = GetLE32(header + 8);
    ManifestOffset = GetLE32(header + 12);
    openNotes_.clear();
    std::string& names = nameBlocks_.emplace_back();
    const std::size_t first = Entries.size();
    TManifestInfo info;
    const bool read = ReadManifest(Handle, Version, ManifestOffset, Entries, names, info, lastError_);
    EntryCount = info.Count;
    Format = info.Format;
    openNotes_ = std::move(info.Notes);
    // The names are in their final block only now: the entries read, also
    // those before a failure, view them from here.
    if (names.capacity() - names.size() > names.size() / 8 + 4096)
        names.shrink_to_fit();
    std::size_t position = 0;
    for (std::size_t i = first; i < Entries.size(); ++i) {
        Entries[i].Name = TEntryName::View(names.data() + position, Entries[i].NameLength);
        position += Entries[i].NameLength;
    }
    if (!read)
        return false;
    FileName = fileName;
    return true;
}

bool TFarArchive::AddFile(const std::string& fileName)
{
    if (fileName.size() > kMaxNameLength)
        return Fail("The name " + fileName + " is longer than " + std::to_string(kMaxNameLength) + " bytes.");
    const std::string diskName = DiskFileName(fileName);
    const std::int64_t size = platform::ReadableFileSize(diskName);
    if (size < 0)
        return Fail("The file " + diskName + " cannot be read.", true);
    // Sizes are 32-bit fields: a larger file cannot be stored.
    if (size > 0xFFFFFFFFll)
        return Fail("The file " + diskName + " is 4 GB or larger, more than an entry can hold.");
    TFarEntry entry;
    entry.State = esNew;
    entry.BaseState = esNew;
    entry.Index = static_cast<std::int32_t>(Entries.size()) + 1;
    entry.RawSize = static_cast<std::uint32_t>(size);
    entry.CompressedSize = entry.RawSize;
    entry.FileOffset = 0;
    entry.NameLength = static_cast<std::uint32_t>(fileName.size());
    entry.Name = fileName;
    Entries.push_back(std::move(entry));
    ++EntryCount;
    return true;
}

bool TFarArchive::AddFileCopy(const std::string& fileName)
{
    if (fileName.size() > kMaxNameLength)
        return Fail("The name " + fileName + " is longer than " + std::to_string(kMaxNameLength) + " bytes.");
    const std::string copy = CopyToOwnFile(DiskFileName(fileName), LastNamePart(fileName));
    if (copy.empty())
        return false;
    return AddFile(copy);
}

bool TFarArchive::AddFileAs(const std::string& fileName, const std::string& entryName)
{
    const std::string refusal = RenameRefusal(entryName);
    if (!refusal.empty())
        return Fail(refusal);
    return AddFile(fileName) && RenameEntry(Entries.back(), entryName);
}

std::string TFarArchive::NewOwnFileName(std::string_view keepName)
{
    if (ownFolder_.empty()) {
        const std::string folder = platform::TempFolder() + "kelvo-" + platform::UnpredictableName();
        if (!platform::MakeDirectory(folder)) {
            Fail("No folder can be made in the temporary folder " + platform::TempFolder() + ".", true);
            return {};
        }
        ownFolder_ = folder;
    }
    std::string name = ownFolder_ + "\\" + std::to_string(ownFiles_.size() + 1);
    if (keepName.empty())
        return ownFiles_.emplace_back(name + ".dat");
    if (!platform::MakeDirectory(name)) {
        Fail("No folder can be made in " + ownFolder_ + ".", true);
        return {};
    }
    ownFiles_.push_back(name);
    return ownFiles_.emplace_back(name + "\\" + std::string(keepName));
}

std::string TFarArchive::CopyToOwnFile(const std::string& fileName, std::string_view keepName)
{
    File source = File::Open(fileName, File::Mode::Read);
    if (!source.IsOpen()) {
        Fail("The file " + fileName + " cannot be read.", true);
        return {};
    }
    const std::int64_t size = source.Size();
    if (size > kMaxEntrySize) {
        Fail("The file " + fileName + " is larger than 2 GB (2,147,483,647 bytes), more than an entry can hold.");
        return {};
    }
    const std::string copy = NewOwnFileName(keepName);
    if (copy.empty())
        return {};
    File output = File::Open(copy, File::Mode::CreateNew);
    bool copied = output.IsOpen() || Fail("The copy " + copy + " cannot be made.", true);
    if (copied && (size < 0 || !output.CopyFrom(source, 0, static_cast<std::uint64_t>(size))))
        copied = Fail("The file " + fileName + " cannot be read.", true);
    // A file that grew during the copy would be taken cut.
    if (copied && source.Size() != size)
        copied = Fail("The file " + fileName + " changed while it was copied.");
    if (!output.Close() && copied)
        copied = Fail("The copy " + copy + " cannot be written.", true);
    if (!copied) {
        platform::RemoveFile(copy);
        return {};
    }
    return copy;
}

bool TFarArchive::ReplaceEntry(TFarEntry& entry, const std::string& fileName)
{
    const std::string copy = CopyToOwnFile(fileName);
    if (copy.empty())
        return false;
    if (ChangeEntry(entry, copy))
        return true;
    platform::RemoveFile(copy);
    return Fail("The copy " + copy + " cannot be read.");
}

std::string TFarArchive::RenameRefusal(std::string_view name)
{
    if (name.empty())
        return "An entry's name cannot be empty.";
    if (name.size() > kMaxNameLength)
        return "The name is longer than " + std::to_string(kMaxNameLength) + " bytes.";
    if (name.find('\0') != std::string_view::npos)
        return "The name holds a zero byte.";
    if (!IsSafeEntryName(name))
        return "The name " + std::string(name) + UnsafeNameReason(name);
    for (std::size_t start = 0; start <= name.size();) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = name.size();
        if (end == start)
            return "The name " + std::string(name) + " has an empty part.";
        if (name[end - 1] == '.' || name[end - 1] == ' ')
            return "A part of the name " + std::string(name) + " ends in a dot or a space, which Windows drops.";
        start = end + 1;
    }
    return {};
}

bool TFarArchive::RenameEntry(TFarEntry& entry, const std::string& newName)
{
    const std::string refusal = RenameRefusal(newName);
    if (!refusal.empty())
        return Fail(refusal);
    if (!entry.Change)
        entry.Change = FirstChange(entry);
    if (!entry.Change->Renamed) {
        // An added entry's file is found under its old name from now on.
        entry.Change->OldName = entry.Name.str();
        entry.Change->Renamed = true;
    }
    entry.Name = newName;
    entry.NameLength = static_cast<std::uint32_t>(newName.size());
    return true;
}

int TFarArchive::FindEntry(std::string_view name, int except) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (static_cast<int>(i) != except && SameNameIgnoringCase(Entries[i].Text(), name))
            return static_cast<int>(i);
    return -1;
}

bool TFarArchive::ChangeEntry(TFarEntry& entry, const std::string& dataFile)
{
    const std::int64_t size = platform::ReadableFileSize(dataFile);
    if (size < 0 || size > 0xFFFFFFFFll)
        return false;
    if (!entry.Change)
        entry.Change = FirstChange(entry);
    else if (entry.ChangedData() && entry.Change->DataFile != dataFile)
        platform::RemoveFile(entry.Change->DataFile);
    entry.Change->DataFile = dataFile;
    entry.State = esChanged;
    entry.BaseState = esChanged;
    entry.RawSize = static_cast<std::uint32_t>(size);
    entry.CompressedSize = entry.RawSize;
    return true;
}

bool TFarArchive::RevertEntry(TFarEntry& entry)
{
    if (!entry.Change)
        return false;
    if (entry.ChangedData()) {
        platform::RemoveFile(entry.Change->DataFile);
        entry.BaseState = entry.Change->BaseState;
        if (entry.State != esDeleted)
            entry.State = entry.BaseState;
        entry.RawSize = entry.Change->RawSize;
        entry.CompressedSize = entry.Change->CompressedSize;
    }
    if (entry.Change->Renamed) {
        entry.Name = entry.Change->OldName;
        entry.NameLength = static_cast<std::uint32_t>(entry.Change->OldName.size());
    }
    entry.Change.reset();
    return true;
}

TDataMatch TFarArchive::HasSameData(const TFarEntry& entry, const std::string& fileName)
{
    File other = File::Open(fileName, File::Mode::Read);
    const std::int64_t otherSize = other.IsOpen() ? other.Size() : -1;
    if (otherSize < 0) {
        Fail("The file " + fileName + " cannot be read.", true);
        return TDataMatch::Unreadable;
    }
    if (otherSize != static_cast<std::int64_t>(entry.RawSize))
        return TDataMatch::Different;
    const auto unreadable = [&](const std::string& reason) {
        Fail(reason, true);
        return TDataMatch::Unreadable;
    };
    const std::string entryUnreadable = "The bytes of entry " + std::string(entry.Text()) + " cannot be read.";
    const std::string otherUnreadable = "The file " + fileName + " cannot be read.";
    if (entry.StoredCompressed()) {
        std::vector<unsigned char> content, theirs(entry.RawSize);
        if (!Unpack(entry, content))
            return TDataMatch::Unreadable;
        if (!other.ReadExact(theirs.data(), theirs.size()))
            return unreadable(otherUnreadable);
        return content == theirs ? TDataMatch::Same : TDataMatch::Different;
    }
    File diskFile;
    File* source = OpenSource(entry, entry.RawSize, diskFile);
    if (!source || !source->Seek(SourcePosition(entry)))
        return unreadable(entryUnreadable);
    if (!other.Seek(0))
        return unreadable(otherUnreadable);
    constexpr std::size_t kChunk = 1 << 20;
    const std::size_t chunk = std::min<std::size_t>(kChunk, std::max<std::uint32_t>(entry.RawSize, 1));
    std::unique_ptr<char[]> mine(new char[chunk]), theirs(new char[chunk]);
    for (std::uint32_t left = entry.RawSize; left > 0;) {
        const std::size_t step = std::min<std::size_t>(chunk, left);
        if (!source->ReadExact(mine.get(), step))
            return unreadable(entryUnreadable);
        if (!other.ReadExact(theirs.get(), step))
            return unreadable(otherUnreadable);
        if (std::memcmp(mine.get(), theirs.get(), step) != 0)
            return TDataMatch::Different;
        left -= static_cast<std::uint32_t>(step);
    }
    return TDataMatch::Same;
}

void TFarArchive::SetDeleted(TFarEntry& entry, bool deleted) { entry.State = deleted ? esDeleted : entry.BaseState; }

void TFarArchive::RemoveDataFiles()
{
    for (const TFarEntry& entry : Entries)
        if (entry.ChangedData())
            platform::RemoveFile(entry.Change->DataFile);
    // The copies go last to first, so each subfolder is empty when its turn comes.
    for (auto own = ownFiles_.rbegin(); own != ownFiles_.rend(); ++own)
        platform::RemoveFile(*own) || platform::RemoveFolder(*own);
    ownFiles_.clear();
    if (!ownFolder_.empty())
        platform::RemoveFolder(ownFolder_);
    ownFolder_.clear();
}

std::string TFarArchive::DiskFileName(std::string_view name) const
{
    return AddedFileName ? AddedFileName(name) : std::string(name);
}

std::string TFarArchive::SourceFileName(const TFarEntry& entry) const
{
    // A changed entry's data file is the archive object's own; an added
    // entry's name is turned into the file system's name.
    return entry.ChangedData() ? entry.DataFileName() : DiskFileName(entry.DataFileName());
}

File* TFarArchive::OpenSource(const TFarEntry& entry, std::uint32_t size, File& diskFile)
{
    if (entry.DataOnDisk()) {
        const std::string name = SourceFileName(entry);
        if (name.empty())
            return nullptr;
        // A file that shrank below size cannot give its bytes.
        diskFile = File::Open(name, File::Mode::Read);
        if (!diskFile.IsOpen() || diskFile.Size() < static_cast<std::int64_t>(size))
            return nullptr;
        return &diskFile;
    }
    return Handle.IsOpen() && entry.FileOffset <= kMaxPosition ? &Handle : nullptr;
}

bool TFarArchive::SharesData(const TFarEntry& entry)
{
    if (entry.DataOnDisk() || StoredLength(entry) == 0)
        return false;
    if (sharedData_.size() != Entries.size()) {
        // The manifest as read: its count, then one record per original entry.
        std::uint64_t manifestEnd = std::uint64_t{ManifestOffset} + 4;
        for (const TFarEntry& e : Entries)
            manifestEnd += e.BaseState == esOriginal ? ManifestRecordSize(Format, e.NameLength) : 0;
        struct Run {
            std::uint64_t begin, end;
            std::size_t position;
        };
        std::vector<Run> runs;
        sharedData_.assign(Entries.size(), false);
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            const TFarEntry& e = Entries[i];
            if (e.DataOnDisk() || StoredLength(e) == 0)
                continue;
            const Run run{e.FileOffset, std::uint64_t{e.FileOffset} + StoredLength(e), i};
            runs.push_back(run);
            if (run.begin < 16 || (run.begin < manifestEnd && run.end > ManifestOffset))
                sharedData_[i] = true;
        }
        std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
            return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
        });
        // In start order, a run that starts before an earlier one ends shares
        // bytes with it, and so does a run that ends after the next one starts.
        std::uint64_t furthest = 0;
        for (std::size_t k = 0; k < runs.size(); ++k) {
            if (runs[k].begin < furthest || (k + 1 < runs.size() && runs[k].end > runs[k + 1].begin))
                sharedData_[runs[k].position] = true;
            furthest = std::max(furthest, runs[k].end);
        }
    }
    // An entry read from the file is looked up by its place, which is its
    // Index (also for a copy, as kelvo-far extracts under converted names);
    // any other is measured against the whole list.
    if (entry.Index >= 0 && static_cast<std::size_t>(entry.Index) < Entries.size()) {
        const TFarEntry& listed = Entries[static_cast<std::size_t>(entry.Index)];
        if (listed.FileOffset == entry.FileOffset && listed.RawSize == entry.RawSize)
            return sharedData_[static_cast<std::size_t>(entry.Index)];
    }
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const TFarEntry& e = Entries[i];
        if (sharedData_[i] && !e.DataOnDisk() &&
            e.FileOffset < std::uint64_t{entry.FileOffset} + StoredLength(entry) &&
            entry.FileOffset < std::uint64_t{e.FileOffset} + StoredLength(e))
            return true;
    }
    return false;
}

const unsigned char* TFarArchive::ReadAheadData(const TFarEntry& entry)
{
    constexpr std::size_t kWindow = 1 << 20;
    constexpr std::uint32_t kLargest = 64 << 10;
    if (entry.DataOnDisk() || entry.RawSize == 0 || entry.RawSize > kLargest || !Handle.IsOpen())
        return nullptr;
    const std::int64_t begin = entry.FileOffset;
    const std::int64_t end = begin + entry.RawSize;
    if (readAheadStart_ < 0 || begin < readAheadStart_ ||
        end > readAheadStart_ + static_cast<std::int64_t>(readAheadLength_)) {
        readAhead_.resize(kWindow);
        const std::int64_t read = Handle.ReadAt(readAhead_.data(), kWindow, begin);
        readAheadStart_ = read > 0 ? begin : -1;
        readAheadLength_ = read > 0 ? static_cast<std::size_t>(read) : 0;
        if (end > begin + std::max<std::int64_t>(read, 0))
            return nullptr;
    }
    return readAhead_.data() + (begin - readAheadStart_);
}

void TFarArchive::ForgetExtractionState()
{
    extractFolders_.clear();
    sharedData_.clear();
    readAhead_.clear();
    readAhead_.shrink_to_fit();
    readAheadStart_ = -1;
    readAheadLength_ = 0;
}

bool TFarArchive::WriteArchive(File& out, TFarFormat format, const std::vector<std::size_t>& kept,
                               const std::vector<std::uint32_t>& sizes, std::vector<TManifestRecord>& records)
{
    const std::string writeFailed = "The new archive could not be written.";
    // The manifest's offset is known once the entries are written (those
    // compressed now take what they take): it goes in last.
    std::string header(kSignature, 8);
    PutLE32(header, HeaderVersion(format));
    PutLE32(header, 0);
    if (!out.Write(header.data(), header.size()))
        return Fail(writeFailed, true);
    constexpr std::uint32_t kFlushStep = 8 << 20;
    std::uint32_t position = 16;
    std::uint32_t startedFlush = 0;
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const TFarEntry& entry = Entries[kept[k]];
        const std::string name(entry.Text());
        File diskFile;
        File* source = OpenSource(entry, sizes[k], diskFile);
        if (!source) {
            if (entry.ChangedData())
                return Fail("The changed bytes of " + std::string(entry.Text()) + " cannot be read from " +
                            entry.Change->DataFile + ".");
            if (entry.DataOnDisk())
                return Fail("The added file " + name + " cannot be read, or changed while the archive was saved.");
            return Fail("The archive file is no longer open.");
        }
        TManifestRecord& record = records.emplace_back();
        record.Offset = position;
        record.Name = entry.Name;
        if (!WriteStored(out, format, entry, *source, sizes[k], record))
            return false;
        // A file that grew during the copy would be stored cut.
        if (entry.DataOnDisk() && source->Size() != sizes[k])
            return Fail("The added file " + name + " changed while the archive was saved.");
        position += record.StoredSize;
        // The disk takes the data while the copy goes on, so the flush at
        // the end waits for the last few megabytes only.
        if (position - startedFlush >= kFlushStep) {
            out.StartFlush();
            startedFlush = position;
        }
    }
    std::string manifest;
    PutLE32(manifest, static_cast<std::uint32_t>(kept.size()));
    for (const TManifestRecord& record : records)
        AppendManifestRecord(manifest, format, record);
    std::string manifestOffset;
    PutLE32(manifestOffset, position);
    if (!out.Write(manifest.data(), manifest.size()) || !out.Seek(12) || !out.Write(manifestOffset.data(), 4))
        return Fail(writeFailed, true);
    // The data reaches the disk before the file takes the target's place, so
    // a crash or power loss after the rename cannot leave a truncated archive.
    if (!out.Flush())
        return Fail("The new archive could not be written to the disk.", true);
    if (!out.Close())
        return Fail(writeFailed, true);
    return true;
}

bool TFarArchive::Save(const std::string& target, TFarFormat format)
{
    lastError_.clear();
    lastWarning_.clear();
    // An archive that could only be opened for reading is not written over.
    if (readOnly_ && Handle.IsOpen() && platform::SameFile(FileName, target))
        return Fail("The file " + target + " is read-only.");
    // Lay out the new file first: which entries stay, how large each is and
    // where its data goes. An added file is stored as it is now, not as it
    // was when it was added.
    std::vector<std::size_t> kept;
    std::vector<std::uint32_t> sizes;
    kept.reserve(Entries.size());
    sizes.reserve(Entries.size());
    std::uint64_t manifestOffset = 16;
    std::uint64_t fileLength = 4;
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const TFarEntry& entry = Entries[i];
        if (entry.State == esDeleted)
            continue;
        std::uint32_t size = entry.RawSize;
        if (entry.DataOnDisk()) {
            const std::string source = SourceFileName(entry);
            const std::int64_t now = source.empty() ? -1 : platform::ReadableFileSize(source);
            if (now < 0)
                return Fail(entry.ChangedData() ? "The changed bytes of " + std::string(entry.Text()) + " cannot be read from " +
                                               source + "."
                                         : "The added file " + source + " cannot be read.",
                            true);
            if (now > 0xFFFFFFFFll)
                return Fail("The file " + source + " has grown to 4 GB or more, more than an entry can hold.");
            size = static_cast<std::uint32_t>(now);
        }
        kept.push_back(i);
        sizes.push_back(size);
        // A compressed entry takes at most its stored bytes or its content.
        manifestOffset += entry.StoredCompressed() ? std::max(size, entry.CompressedSize) : size;
        fileLength += ManifestRecordSize(format, entry.NameLength);
    }
    fileLength += manifestOffset;
    // Offsets are signed 32-bit, and a reader takes at most kMaxEntries.
    if (fileLength > static_cast<std::uint64_t>(kMaxPosition))
        return Fail("The archive would be larger than 2 GB (2,147,483,647 bytes), the most a FAR archive can hold.");
    if (kept.size() > kMaxEntries)
        return Fail("The archive would hold more than " + std::to_string(kMaxEntries) + " entries.");

    // A link to the archive stays a link: the file it leads to is replaced.
    const std::string destination = platform::FinalPath(target);
    if (destination.empty())
        return Fail("The file " + target + " is a link that another user may have planted in a shared folder; " +
                    "it is not followed.");
    // When the archive's name leads to another file than the one read,
    // another program has saved over it since: writing this archive there
    // would undo that program's work.
    if (Handle.IsOpen() && !Handle.IsNamedBy(FileName) && platform::SameFile(FileName, destination))
        return Fail("The file " + target + " has been replaced by another program since it was opened.");
    const bool replacing = platform::FileExists(destination);
    // A file of several names (hard links) is replaced under this one only:
    // the others keep the old archive.
    const unsigned long names = replacing ? platform::NameCount(destination) : 0;
    // Another program that holds the file would later save its own archive
    // over this one: its lock is respected, as are read-only files. The file
    // replaced stays held until the new one has taken its name.
    File targetLock;
    File* held = &Handle;
    if (replacing) {
        if (platform::IsReadOnly(destination))
            return Fail("The file " + target + " is read-only.");
        if (!(Handle.IsOpen() && Handle.IsNamedBy(destination))) {
            targetLock = File::Open(destination, File::Mode::ReadWriteLocked);
            if (!targetLock.IsOpen())
                return Fail("The file " + target + " is in use by another program.");
            held = &targetLock;
        }
    }

    // Written beside the target, so the final step is a rename on one volume.
    std::string output;
    std::vector<TManifestRecord> records;
    records.reserve(kept.size());
    bool written;
    {
        // A private archive stays private, also while it is being written:
        // the new file is its owner's alone until it takes the old one's
        // permissions.
        File out = platform::CreateReplacement(destination, output, replacing);
        if (!out.IsOpen())
            return Fail("No new file can be created in the target's folder.", true);
        if (replacing && !out.AdoptIdentity(destination)) {
            Fail("The permissions of " + target + " cannot be given to the new archive.", true);
            out.Close();
            platform::RemoveFile(output);
            return false;
        }
        written = WriteArchive(out, format, kept, sizes, records);
    }
    if (!written) {
        platform::RemoveFile(output);
        return false;
    }

    // The open archive is released only now that its replacement is
    // complete and in place. A name that was free when the save began is
    // not taken from a file another program made there meanwhile.
    const bool hadHandle = Handle.IsOpen();
    const bool moved = replacing ? platform::ReplaceHeld(output, destination, *held)
                                 : platform::MoveToFreeName(output, destination);
    if (!moved) {
        Fail("The new archive could not take the place of the old file (is it open in another program?).", true);
        if (!replacing && platform::FileExists(destination))
            Fail("The file " + target + " was made by another program while the archive was saved.");
        platform::RemoveFile(output);
        if (hadHandle && !Handle.IsOpen())
            OpenHandle(FileName, readOnly_);
        return false;
    }
    Handle.Close();
    targetLock.Close();
    platform::FlushFolder(FolderPart(destination));

    // The object now describes the file just written; changed entries that
    // were left out take their data files with them.
    for (const TFarEntry& entry : Entries)
        if (entry.State == esDeleted && entry.ChangedData())
            platform::RemoveFile(entry.Change->DataFile);
    std::vector<TFarEntry> entries;
    entries.reserve(kept.size());
    for (std::size_t k = 0; k < kept.size(); ++k) {
        entries.push_back(std::move(Entries[kept[k]]));
        TFarEntry& entry = entries.back();
        const TManifestRecord& record = records[k];
        entry.FileOffset = record.Offset;
        entry.RawSize = record.RawSize;
        entry.CompressedSize = record.StoredSize;
        entry.Compressed = record.Compressed;
        entry.CompressionFlag = record.CompressionFlag;
        entry.Unknown = record.Unknown;
        entry.TypeId = record.TypeId;
        entry.FileId = record.FileId;
    }
    Entries = std::move(entries);
    ForgetExtractionState();
    Signature = kSignature;
    Version = HeaderVersion(format);
    Format = format;
    ManifestOffset = records.empty() ? 16 : records.back().Offset + records.back().StoredSize;
    EntryCount = static_cast<std::int32_t>(Entries.size());
    FileName = target;
    OpenHandle(target, false);
    if (names > 1)
        lastWarning_ = "The file " + target + " had other names (hard links); they still lead to the archive as it was.";
    return true;
}

bool TFarArchive::IsSafeEntryName(std::string_view name)
{
    if (name.empty() || name.front() == '\\' || name.front() == '/' ||
        name.find(':') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view segment = name.substr(start, end - start);
        if (IsParentSegment(segment) || IsDeviceSegment(segment) || segment.size() > kMaxNamePart)
            return false;
        start = end + 1;
    }
    return FolderDepth(name) <= kMaxFolderDepth;
}

std::size_t TFarArchive::FolderDepth(std::string_view name)
{
    std::size_t depth = 0;
    for (std::size_t i = 0; i < name.size(); ++i)
        depth += IsSeparator(name[i]) && i > 0 && !IsSeparator(name[i - 1]);
    return depth;
}

bool TFarArchive::IsDeviceName(std::string_view segment) { return IsDeviceSegment(segment); }

bool TFarArchive::ExtractTo(const TFarEntry& entry, const std::string& outputName)
{
    File diskFile;
    File* source = OpenSource(entry, entry.RawSize, diskFile);
    if (!source) {
        if (entry.DataOnDisk())
            return Fail("The added file " + std::string(entry.Text()) + " cannot be read, or is shorter than when it was added.");
        return Fail("The archive file is not open.");
    }
    // A compressed entry is written as its content; a damaged one writes nothing.
    std::vector<unsigned char> content;
    if (entry.StoredCompressed() && !Unpack(entry, content))
        return false;
    // A name that is free is made by an exclusive create, which never opens
    // an existing file or follows a link: the file is new and ours, and a
    // failure removes it. A name that is taken (by a file, a link, a folder)
    // is written beside, under a name nobody can plant a link at, and
    // renamed over it when complete: a link is replaced rather than
    // followed, and a failure leaves the file of that name as it was.
    std::string partName;
    File output = File::Open(outputName, File::Mode::CreateNew);
    if (output.IsOpen())
        partName = outputName;
    else
        output = platform::CreateReplacement(outputName, partName);
    if (!output.IsOpen())
        return Fail("No file can be created beside " + outputName + ".", true);
    // Small entries come from the window read ahead; others are copied by
    // the kernel where it can.
    const unsigned char* data = entry.StoredCompressed() ? content.data() : ReadAheadData(entry);
    bool written = data ? output.Write(data, entry.RawSize)
                        : output.CopyFrom(*source, SourcePosition(entry), entry.RawSize);
    if (!written && source->Size() < SourcePosition(entry) + static_cast<std::int64_t>(entry.RawSize))
        Fail("The data of entry " + std::string(entry.Text()) + " runs past the end of its file.");
    else if (!written)
        Fail("The file " + outputName + " cannot be written.", true);
    const std::optional<platform::FileIdentity> writtenAs = output.Identity();
    if (!output.Close() && written)
        written = Fail("The file " + outputName + " cannot be written.", true);
    if (written && partName != outputName) {
        // What the name leads to is looked at just before it is replaced: the
        // archive may have been reached through a link, or be linked here.
        const std::optional<platform::FileIdentity> replaced = platform::IdentityOf(outputName, false);
        if (replaced && replaced == Handle.Identity())
            written = Fail("The file " + outputName + " is the archive itself.");
        else if (replaced && runOutputs_.count(*replaced))
            written = Fail("The file " + outputName + " was written for another entry of this extraction "
                           "(the entries' names lead to the same file).");
        else if (!platform::ReplaceWith(partName, outputName))
            written = Fail("The file " + outputName + " cannot be replaced.", true);
    }
    if (!written)
        platform::RemoveFile(partName);
    else if (inRun_ && writtenAs)
        runOutputs_.insert(*writtenAs);
    return written;
}

bool TFarArchive::ExtractEntry(const TFarEntry& entry, const std::string& folder)
{
    if (entry.State == esDeleted)
        return true;
    // Added entries are named by their full disk path, until a rename gives
    // them a name of their own: they land in the folder under their file
    // name alone.
    std::string_view name = entry.Added() && !entry.Renamed() ? LastNamePart(entry.Text()) : entry.Text();
    if (!IsSafeEntryName(name))
        return Fail("The name " + std::string(name) + UnsafeNameReason(name));
    // Entries that share their bytes would let a small archive fill the disk.
    if (SharesData(entry))
        return Fail("The data of entry " + std::string(name) +
                    " overlaps another entry's data, the header or the list of entries.");
    const std::string targetName = folder + "\\" + std::string(name);
    if (!ReachFolders(targetName))
        return false;
    return ExtractTo(entry, targetName);
}

bool TFarArchive::ReachFolders(const std::string& targetName)
{
    // A folder checked once is taken again only while it is the same folder:
    // one swapped for a link since would lead the output elsewhere.
    const std::string targetFolder = FolderPart(targetName);
    if (auto known = extractFolders_.find(targetFolder); known != extractFolders_.end()) {
        const std::optional<platform::FileIdentity> now = platform::IdentityOf(targetFolder, true);
        if (now == known->second)
            return true;
        if (now)
            return Fail("The folder " + targetFolder + " was replaced during the extraction.");
    }
    // Every folder on the way, from the first, is made when missing and its
    // identity remembered, or checked against the one remembered. A part
    // that cannot be made (the server part of a network name) may still be
    // on the way: only the target's own folder must exist in the end.
    std::string makeFailure;
    for (std::size_t i = 1; i < targetName.size(); ++i) {
        if (!IsSeparator(targetName[i - 1]))
            continue;
        const std::string folderName = targetName.substr(0, i);
        std::optional<platform::FileIdentity> identity = platform::IdentityOf(folderName, true);
        const auto known = extractFolders_.find(folderName);
        if (identity && known != extractFolders_.end()) {
            if (*identity != known->second)
                return Fail("The folder " + folderName + " was replaced during the extraction.");
            continue;
        }
        if (!identity) {
            if (inRun_ && runFolders_ >= kMaxRunFolders)
                return Fail("The extraction would make more than " + std::to_string(kMaxRunFolders) + " folders.");
            if (platform::MakeDirectory(folderName))
                ++runFolders_;
            else
                makeFailure = platform::LastErrorText();
            identity = platform::IdentityOf(folderName, true);
        }
        if (identity && platform::DirectoryExists(folderName))
            extractFolders_.insert_or_assign(folderName, *identity);
    }
    if (!platform::DirectoryExists(targetFolder))
        return Fail("The folder " + targetFolder + " cannot be made." + (makeFailure.empty() ? "" : " " + makeFailure));
    return true;
}

bool TFarArchive::ExtractToTemp(int position)
{
    if (position < 0 || static_cast<std::size_t>(position) >= Entries.size())
        return false;
    if (ExtractTo(Entries[static_cast<std::size_t>(position)], tempFileName_))
        return true;
    // No earlier preview's bytes may pass for this entry's.
    platform::RemoveFile(tempFileName_);
    return false;
}

void TFarArchive::Close()
{
    RemoveDataFiles();
    ForgetExtractionState();
    Handle.Close();
    readOnly_ = false;
    Entries.clear();
    Entries.shrink_to_fit();
    nameBlocks_.clear();
}

bool TFarArchive::CreatePath(const std::string& path)
{
    std::string folder = FolderPart(path);
    if (folder.empty() || platform::DirectoryExists(folder))
        return true;
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i - 1]))
            platform::MakeDirectory(path.substr(0, i));
    }
    return platform::DirectoryExists(folder);
}

TExtractionRun::TExtractionRun(TFarArchive& archive) : archive_(archive)
{
    archive_.inRun_ = true;
    archive_.runOutputs_.clear();
    archive_.runFolders_ = 0;
}

TExtractionRun::~TExtractionRun()
{
    archive_.inRun_ = false;
    archive_.runOutputs_.clear();
}

void TFarArchive::DeleteTempFile() const { platform::RemoveFile(tempFileName_); }

} // namespace kelvo
