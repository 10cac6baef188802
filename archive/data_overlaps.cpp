#include "archive/far_archive.h"
#include "archive/far_manifest.h"

#include <algorithm>

namespace kelvo {

std::uint64_t TFarArchive::ManifestEnd() const
{
    std::uint64_t end = std::uint64_t{ManifestOffset} + 4;
    for (const TFarEntry& entry : Entries) {
        if (!entry.Added())
            end += ManifestRecordSize(Format, entry.Renamed() ? entry.Change->OldName.size() : entry.NameLength);
    }
    return end;
}

std::vector<TDataOverlap> TFarArchive::DataOverlaps() const
{
    const std::uint64_t manifestEnd = ManifestEnd();
    struct Run {
        std::uint64_t begin, end;
        std::size_t position;
    };
    std::vector<Run> runs;
    std::vector<TDataOverlap> overlaps(Entries.size());
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const TFarEntry& entry = Entries[i];
        if (entry.DataOnDisk() || entry.StoredLength() == 0)
            continue;
        const Run run{entry.FileOffset, std::uint64_t{entry.FileOffset} + entry.StoredLength(), i};
        runs.push_back(run);
        overlaps[i].Header = run.begin < 16;
        overlaps[i].Manifest = run.begin < manifestEnd && run.end > ManifestOffset;
    }
    // In order of their start, a run that starts before the furthest end of
    // those before it shares bytes with the run that reaches there.
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.begin != b.begin ? a.begin < b.begin : a.position < b.position; });
    for (std::size_t k = 1, furthest = 0; k < runs.size(); ++k) {
        if (runs[k].begin < runs[furthest].end) {
            TDataOverlap& overlap = overlaps[runs[k].position];
            overlap.Shared = true;
            overlap.Earlier = static_cast<int>(runs[furthest].position);
            overlaps[runs[furthest].position].Shared = true;
        }
        if (runs[k].end > runs[furthest].end)
            furthest = k;
    }
    return overlaps;
}

} // namespace kelvo
