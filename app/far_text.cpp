#include "app/far_text.h"

namespace kelvo {

std::vector<std::string> HeaderLines(const TFarArchive& archive)
{
    return {
        "FAR Header: " + archive.Signature,
        "Version: " + std::to_string(static_cast<std::int32_t>(archive.Version)),
        "Directory offset: " + std::to_string(static_cast<std::int32_t>(archive.ManifestOffset)),
        "Number of Entries: " + std::to_string(archive.EntryCount),
    };
}

std::string_view AfterLastSeparator(std::string_view name)
{
    std::size_t cut = name.find_last_of("\\:");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

std::string ListText(const TFarEntry& entry, bool viewPaths)
{
    return std::string(viewPaths ? entry.Text() : AfterLastSeparator(entry.Text()));
}

std::string LoadingText(const TFarEntry& entry) { return "Loading " + std::string(entry.Text()); }

std::string LoadedText(std::size_t count) { return std::to_string(count) + " files loaded."; }

int ProgressPercent(std::size_t index, std::size_t count)
{
    return count == 0 ? 0 : static_cast<int>(static_cast<unsigned long long>(index) * 100 / count);
}

int MessagePanelWidth(int outerWidth) { return outerWidth * 8 / 10; }

bool ProgressPace::Due(Clock::time_point now)
{
    if (started_ && now - last_ < interval_)
        return false;
    started_ = true;
    last_ = now;
    return true;
}

} // namespace kelvo
