#include "archive/far_archive.h"
#include "archive/far_extractor.h"
#include "platform/path.h"

#include <algorithm>

namespace kelvo {

using platform::File;

namespace {

void PutLE32(std::string& out, std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                           static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
    out.append(bytes, 4);
}

} // namespace

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
    platform::FlushFolder(std::string(platform::FolderPart(destination)));

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
    extractor_->Forget();
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

} // namespace kelvo
