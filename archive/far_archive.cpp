#include "archive/far_archive.h"
#include "archive/far_extractor.h"
#include "platform/path.h"

#include <cstring>

namespace kelvo {

using platform::File;

namespace {

std::uint32_t GetLE32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

TFarArchive::TFarArchive()
    : tempFileName_(platform::TempFolder() + "kelvo-" + platform::UnpredictableName() + ".tmp"),
      extractor_(std::make_unique<TFarExtractor>(*this))
{
}

// The preview file goes with the object: a window that opens another
// archive replaces its archive object, and would otherwise leave it behind.
TFarArchive::~TFarArchive()
{
    RemoveDataFiles();
    DeleteTempFile();
}

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

bool TFarArchive::Open(const std::string& fileName, bool readOnly)
{
    lastError_.clear();
    extractor_->Forget();
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

bool TFarArchive::Reload()
{
    lastError_.clear();
    TFarArchive fresh;
    const bool hadHandle = Handle.IsOpen();
    Handle.Close();
    if (!fresh.Open(FileName)) {
        lastError_ = fresh.LastError();
        // The second object may hold the file, shared with nobody.
        fresh.Close();
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

std::vector<std::string> TFarArchive::HeaderLines() const
{
    const auto signedText = [](std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); };
    std::vector<std::string> lines = {
        "FAR Header: " + Signature,
        "Version: " + signedText(Version),
        "Directory offset: " + signedText(ManifestOffset),
        "Number of Entries: " + std::to_string(EntryCount),
    };
    // 1a and 1b store the same version number.
    if (Format == ff1b)
        lines.push_back("Format: 1b (16-bit name lengths)");
    return lines;
}

bool TFarArchive::IsFarFileName(std::string_view name)
{
    const std::string_view ext = platform::Extension(name);
    return ext.size() == 4 && (ext[1] | 0x20) == 'f' && (ext[2] | 0x20) == 'a' && (ext[3] | 0x20) == 'r';
}

std::int64_t TFarArchive::FileSize() const { return Handle.IsOpen() ? Handle.Size() : -1; }

void TFarArchive::Close()
{
    RemoveDataFiles();
    extractor_->Forget();
    Handle.Close();
    readOnly_ = false;
    Entries.clear();
    Entries.shrink_to_fit();
    nameBlocks_.clear();
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

} // namespace kelvo
