#include "archive/far_extractor.h"
#include "archive/far_internal.h"
#include "platform/path.h"

#include <algorithm>
#include <optional>

namespace kelvo {

using platform::File;

bool TFarExtractor::ExtractEntry(const TFarEntry& entry, const std::string& folder)
{
    if (entry.State == esDeleted)
        return true;
    // Added entries are named by their full disk path, until a rename gives
    // them a name of their own: they land in the folder under their file
    // name alone.
    std::string_view name = entry.Added() && !entry.Renamed() ? platform::NamePart(entry.Text()) : entry.Text();
    const std::string refusal = TFarArchive::ExtractRefusal(name);
    if (!refusal.empty())
        return Fail(refusal);
    // Entries that share their bytes would let a small archive fill the disk.
    if (SharesData(entry))
        return Fail("The data of entry " + std::string(name) +
                    " overlaps another entry's data, the header or the list of entries.");
    const std::string targetName = folder + "\\" + std::string(name);
    if (!ReachFolders(targetName))
        return false;
    return ExtractTo(entry, targetName);
}

bool TFarExtractor::ExtractTo(const TFarEntry& entry, const std::string& outputName)
{
    File diskFile;
    File* source = archive_.OpenSource(entry, entry.RawSize, diskFile);
    if (!source) {
        if (entry.DataOnDisk())
            return Fail("The added file " + std::string(entry.Text()) + " cannot be read, or is shorter than when it was added.");
        return Fail("The archive file is not open.");
    }
    // A compressed entry is written as its content; a damaged one writes nothing.
    std::vector<unsigned char> content;
    if (entry.StoredCompressed() && !archive_.Unpack(entry, content))
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
        if (replaced && replaced == archive_.Handle.Identity())
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

bool TFarExtractor::ReachFolders(const std::string& targetName)
{
    // A folder checked once is taken again only while it is the same folder:
    // one swapped for a link since would lead the output elsewhere.
    const std::string targetFolder(platform::FolderPart(targetName));
    if (auto known = folders_.find(targetFolder); known != folders_.end()) {
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
        const auto known = folders_.find(folderName);
        if (identity && known != folders_.end()) {
            if (*identity != known->second)
                return Fail("The folder " + folderName + " was replaced during the extraction.");
            continue;
        }
        if (!identity) {
            if (inRun_ && runFolders_ >= TFarArchive::kMaxRunFolders)
                return Fail("The extraction would make more than " + std::to_string(TFarArchive::kMaxRunFolders) + " folders.");
            if (platform::MakeDirectory(folderName))
                ++runFolders_;
            else
                makeFailure = platform::LastErrorText();
            identity = platform::IdentityOf(folderName, true);
        }
        if (identity && platform::DirectoryExists(folderName))
            folders_.insert_or_assign(folderName, *identity);
    }
    if (!platform::DirectoryExists(targetFolder))
        return Fail("The folder " + targetFolder + " cannot be made." + (makeFailure.empty() ? "" : " " + makeFailure));
    return true;
}

bool TFarExtractor::SharesData(const TFarEntry& entry)
{
    if (entry.DataOnDisk() || entry.StoredLength() == 0)
        return false;
    const std::vector<TFarEntry>& entries = archive_.Entries;
    if (sharedData_.size() != entries.size()) {
        sharedData_.assign(entries.size(), false);
        const std::vector<TDataOverlap> overlaps = archive_.DataOverlaps();
        for (std::size_t i = 0; i < overlaps.size(); ++i)
            sharedData_[i] = overlaps[i].Header || overlaps[i].Manifest || overlaps[i].Shared;
    }
    // An entry read from the file is looked up by its place, which is its
    // Index (also for a copy, as kelvo-far extracts under converted names);
    // any other is measured against the whole list.
    if (entry.Index >= 0 && static_cast<std::size_t>(entry.Index) < entries.size()) {
        const TFarEntry& listed = entries[static_cast<std::size_t>(entry.Index)];
        if (listed.FileOffset == entry.FileOffset && listed.RawSize == entry.RawSize)
            return sharedData_[static_cast<std::size_t>(entry.Index)];
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TFarEntry& e = entries[i];
        if (sharedData_[i] && !e.DataOnDisk() && e.FileOffset < std::uint64_t{entry.FileOffset} + entry.StoredLength() &&
            entry.FileOffset < std::uint64_t{e.FileOffset} + e.StoredLength())
            return true;
    }
    return false;
}

const unsigned char* TFarExtractor::ReadAheadData(const TFarEntry& entry)
{
    constexpr std::size_t kWindow = 1 << 20;
    constexpr std::uint32_t kLargest = 64 << 10;
    if (entry.DataOnDisk() || entry.RawSize == 0 || entry.RawSize > kLargest || !archive_.Handle.IsOpen())
        return nullptr;
    const std::int64_t begin = entry.FileOffset;
    const std::int64_t end = begin + entry.RawSize;
    if (readAheadStart_ < 0 || begin < readAheadStart_ ||
        end > readAheadStart_ + static_cast<std::int64_t>(readAheadLength_)) {
        readAhead_.resize(kWindow);
        const std::int64_t read = archive_.Handle.ReadAt(readAhead_.data(), kWindow, begin);
        readAheadStart_ = read > 0 ? begin : -1;
        readAheadLength_ = read > 0 ? static_cast<std::size_t>(read) : 0;
        if (end > begin + std::max<std::int64_t>(read, 0))
            return nullptr;
    }
    return readAhead_.data() + (begin - readAheadStart_);
}

void TFarExtractor::Forget()
{
    folders_.clear();
    sharedData_.clear();
    readAhead_.clear();
    readAhead_.shrink_to_fit();
    readAheadStart_ = -1;
    readAheadLength_ = 0;
}

void TFarExtractor::BeginRun()
{
    inRun_ = true;
    runOutputs_.clear();
    runFolders_ = 0;
}

void TFarExtractor::EndRun()
{
    inRun_ = false;
    runOutputs_.clear();
}

bool TFarArchive::ExtractEntry(const TFarEntry& entry, const std::string& folder)
{
    return extractor_->ExtractEntry(entry, folder);
}

bool TFarArchive::ExtractTo(const TFarEntry& entry, const std::string& outputName)
{
    return extractor_->ExtractTo(entry, outputName);
}

bool TFarArchive::ExtractToTemp(int position)
{
    if (position < 0 || static_cast<std::size_t>(position) >= Entries.size())
        return Fail("There is no entry at position " + std::to_string(position) + ".");
    if (ExtractTo(Entries[static_cast<std::size_t>(position)], tempFileName_))
        return true;
    // No earlier preview's bytes may pass for this entry's.
    platform::RemoveFile(tempFileName_);
    return false;
}

void TFarArchive::DeleteTempFile() const { platform::RemoveFile(tempFileName_); }

bool TFarArchive::CreatePath(const std::string& path)
{
    const std::string folder(platform::FolderPart(path));
    if (folder.empty() || platform::DirectoryExists(folder))
        return true;
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i - 1]))
            platform::MakeDirectory(path.substr(0, i));
    }
    return platform::DirectoryExists(folder);
}

TExtractionRun::TExtractionRun(TFarArchive& archive) : archive_(archive) { archive_.extractor_->BeginRun(); }

TExtractionRun::~TExtractionRun() { archive_.extractor_->EndRun(); }

} // namespace kelvo
