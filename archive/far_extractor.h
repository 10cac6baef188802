// TFarExtractor: the extraction of entries for one archive object, with
// what it learns on the way and keeps until the archive is opened, saved or
// closed again: the identity of every folder it made or found, which
// entries' bytes overlap, a window of the archive file read ahead, and,
// during an extraction run, the files the run wrote and the folders it made.
#pragma once

#include "archive/far_archive.h"

#include <set>
#include <unordered_map>

namespace kelvo {

class TFarExtractor {
public:
    explicit TFarExtractor(TFarArchive& archive) : archive_(archive) {}

    // See TFarArchive::ExtractEntry and TFarArchive::ExtractTo.
    bool ExtractEntry(const TFarEntry& entry, const std::string& folder);
    bool ExtractTo(const TFarEntry& entry, const std::string& outputName);
    // Forgets all it learnt, for an archive read or written anew.
    void Forget();
    // Starts and ends an extraction run (see TExtractionRun).
    void BeginRun();
    void EndRun();

private:
    // Makes (or finds) the folders on the way to targetName and checks those
    // found before against the identities remembered for them; false, with
    // the reason recorded, for one that changed or cannot be made.
    bool ReachFolders(const std::string& targetName);
    // True when the entry's data in the archive shares bytes with another
    // entry's, the header or the manifest.
    bool SharesData(const TFarEntry& entry);
    // The data of a small entry of the archive from a window of the file
    // read ahead in one call, so neighbouring entries cost no further read;
    // null for a large entry or data past the end of the file.
    const unsigned char* ReadAheadData(const TFarEntry& entry);
    bool Fail(const std::string& reason, bool withSystemReason = false)
    {
        return archive_.Fail(reason, withSystemReason);
    }

    TFarArchive& archive_;
    // The folders extraction made or found, each with its identity then.
    std::unordered_map<std::string, platform::FileIdentity> folders_;
    // The current extraction run: whether one is going on, the files it
    // wrote and how many folders it made.
    bool inRun_ = false;
    std::set<platform::FileIdentity> runOutputs_;
    std::size_t runFolders_ = 0;
    std::vector<bool> sharedData_; // by position; empty until an extraction needs it
    std::vector<unsigned char> readAhead_;
    std::int64_t readAheadStart_ = -1; // file position of readAhead_[0]; -1 when it holds nothing
    std::size_t readAheadLength_ = 0;
};

} // namespace kelvo
