// libFuzzer target for TFarArchive::Open: any bytes as an archive file, then
// everything reading allows: names, previews, extraction and a save that must
// read back as the same entries.
#include "archive/far_archive.h"
#include "platform/file.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

using kelvo::fuzz::Check;

namespace {

using kelvo::TFarArchive;
using kelvo::TFarEntry;

// Previews and extractions per input: enough to reach every kind of entry.
constexpr std::size_t kEntriesCopied = 8;

// A folder of this process's own, made for one input and removed after it
// (libFuzzer's time limit ends the process without running exit handlers).
class WorkFolder {
public:
    WorkFolder()
        : path_(std::filesystem::path(kelvo::platform::TempFolder()) /
                ("kelvo-fuzz-" + std::to_string(kelvo::platform::ProcessId())))
    {
        std::filesystem::create_directories(path_);
    }
    ~WorkFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const WorkFolder work;
    const std::filesystem::path& folder = work.path();
    const std::filesystem::path input = folder / "in.far";
    const std::filesystem::path saved = folder / "saved.far";
    const std::filesystem::path out = folder / "out";
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    TFarArchive archive;
    if (!archive.Open(input.string()))
        return 0;
    Check(archive.Entries.size() == static_cast<std::size_t>(std::max(archive.EntryCount, 0)),
          "entry list and count differ");

    // The data of each copied entry; none when its preview failed.
    std::vector<std::optional<std::string>> previews;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i) {
        const TFarEntry& entry = archive.Entries[i];
        Check(entry.Name.size() == entry.NameLength, "name length");
        Check(entry.Text().size() <= entry.Name.size(), "name text");
        if (i >= kEntriesCopied)
            continue;
        if (archive.ExtractToTemp(static_cast<int>(i))) {
            previews.push_back(ReadAll(archive.TempFileName()));
            Check(previews.back()->size() == entry.RawSize, "preview size");
        } else {
            previews.emplace_back();
            Check(!std::filesystem::exists(archive.TempFileName()), "failed preview left its file");
        }
        const bool extracted = archive.ExtractEntry(entry, out.string());
        Check(!extracted || TFarArchive::IsSafeEntryName(entry.Text()), "unsafe name extracted");
    }
    archive.DeleteTempFile();
    // Extraction stays inside its folder.
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const std::string name = item.path().filename().string();
        Check(name == "in.far" || name == "out", "extraction wrote outside its folder");
    }
    std::filesystem::remove_all(out);

    std::vector<std::string> names;
    for (const TFarEntry& entry : archive.Entries)
        names.push_back(entry.Name);
    if (archive.Save(saved.string())) {
        Check(archive.Version == (archive.Format == kelvo::ff3 ? 3u : 1u) && archive.Signature == "FAR!byAZ",
              "header after save");
        archive.Close();
        TFarArchive reread;
        Check(reread.Open(saved.string()), "saved archive does not open");
        Check(reread.EntryCount == static_cast<std::int32_t>(names.size()), "saved entry count");
        Check(reread.Entries.size() == names.size(), "saved entries");
        for (std::size_t i = 0; i < names.size(); ++i) {
            Check(reread.Entries[i].Name == names[i], "saved name");
            if (i >= previews.size() || !previews[i])
                continue;
            // Every entry that extracted before the save extracts from the
            // saved archive, with the data it had. (A damaged compressed
            // entry is saved with its bytes as they were, still damaged.)
            Check(reread.ExtractToTemp(static_cast<int>(i)), "saved entry does not extract");
            Check(ReadAll(reread.TempFileName()) == *previews[i], "saved data");
        }
        Check(reread.ManifestOffset + 4 <= std::filesystem::file_size(saved), "saved manifest offset");
        reread.Close();
        reread.DeleteTempFile();
    } else {
        // A failed save leaves nothing behind and the object as it was.
        Check(!std::filesystem::exists(saved), "failed save left a file");
        Check(archive.Entries.size() == names.size() && archive.FileSize() >= 0, "failed save changed the object");
        for (const auto& item : std::filesystem::directory_iterator(folder))
            Check(item.path().filename() == "in.far", "failed save left a temporary file");
    }
    return 0;
}
