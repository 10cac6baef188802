#include "archive/far_archive.h"
#include "archive/far_internal.h"
#include "archive/name_case.h"
#include "platform/path.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace kelvo {

using platform::File;

namespace {

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
    const std::string copy = CopyToOwnFile(DiskFileName(fileName), platform::NamePart(fileName));
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
        const std::string folder = platform::MakeTempFolder("kelvo-");
        if (folder.empty()) {
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

bool TFarArchive::ReplaceEntry(TFarEntry& entry, const std::string& fileName)
{
    const std::string copy = CopyToOwnFile(fileName);
    if (copy.empty())
        return false;
    if (ChangeEntry(entry, copy))
        return true;
    platform::RemoveFile(copy);
    return false;
}

bool TFarArchive::ChangeEntry(TFarEntry& entry, const std::string& dataFile)
{
    const std::int64_t size = platform::ReadableFileSize(dataFile);
    if (size < 0)
        return Fail("The file " + dataFile + " cannot be read.", true);
    if (size > 0xFFFFFFFFll)
        return Fail("The file " + dataFile + " is 4 GB or larger, more than an entry can hold.");
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

int TFarArchive::FindEntry(std::string_view name, int except) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (static_cast<int>(i) != except && SameNameIgnoringCase(Entries[i].Text(), name))
            return static_cast<int>(i);
    return -1;
}

void TFarArchive::SetDeleted(TFarEntry& entry, bool deleted) { entry.State = deleted ? esDeleted : entry.BaseState; }

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

} // namespace kelvo
