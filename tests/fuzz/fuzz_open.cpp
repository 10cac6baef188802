// libFuzzer target for TFarArchive::Open: any bytes as an archive, then names, previews, extraction and a save that reads back as the same
// entries.
#include "archive/far_archive.h"
#include "tests/fuzz/fuzz_check.h"

#include <optional>

using namespace kelvo::fuzz;
using kelvo::TFarArchive;
using kelvo::TFarEntry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kEntriesCopied = 8; // enough to reach every kind of entry
    const WorkFolder work("kelvo-fuzz-");
    const std::filesystem::path& folder = work.path, input = folder / "in.far", saved = folder / "saved.far", out = folder / "out";
    WriteAll(input, {reinterpret_cast<const char*>(data), size});

    TFarArchive archive;
    if (!archive.Open(input.string()))
        return 0;
    Check(archive.Entries.size() == static_cast<std::size_t>(std::max(archive.EntryCount, 0)), "entry list and count differ");
    std::vector<std::optional<std::string>> previews; // each copied entry's data; none when its preview failed
    std::vector<std::string> names;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i) {
        const TFarEntry& entry = archive.Entries[i];
        Check(entry.Name.size() == entry.NameLength && entry.Text().size() <= entry.Name.size(), "name length");
        names.push_back(entry.Name);
        if (i >= kEntriesCopied)
            continue;
        const bool extracted = archive.ExtractToTemp(static_cast<int>(i));
        previews.push_back(extracted ? std::optional(ReadAll(archive.TempFileName())) : std::nullopt);
        Check(extracted ? previews.back()->size() == entry.RawSize : !std::filesystem::exists(archive.TempFileName()),
              "preview size, or a failed preview left its file");
        Check(!archive.ExtractEntry(entry, out.string()) || TFarArchive::IsSafeEntryName(entry.Text()), "unsafe name extracted");
    }
    archive.DeleteTempFile();
    for (const auto& item : std::filesystem::directory_iterator(folder))
        Check(item.path().filename() == "in.far" || item.path().filename() == "out", "extraction wrote outside its folder");
    std::filesystem::remove_all(out);
    if (!archive.Save(saved.string())) {
        // A failed save leaves nothing behind and the object as it was.
        Check(archive.Entries.size() == names.size() && archive.FileSize() >= 0, "failed save changed the object");
        for (const auto& item : std::filesystem::directory_iterator(folder))
            Check(item.path().filename() == "in.far", "failed save left a file");
        return 0;
    }
    Check(archive.Version == (archive.Format == kelvo::ff3 ? 3u : 1u) && archive.Signature == "FAR!byAZ", "header after save");
    archive.Close();
    TFarArchive reread;
    Check(reread.Open(saved.string()), "saved archive does not open");
    Check(reread.EntryCount == static_cast<std::int32_t>(names.size()) && reread.Entries.size() == names.size(), "saved entry count");
    for (std::size_t i = 0; i < names.size(); ++i) {
        Check(reread.Entries[i].Name == names[i], "saved name");
        // Entries that extracted before extract the same data (a damaged one is saved still damaged).
        if (i < previews.size() && previews[i])
            Check(reread.ExtractToTemp(static_cast<int>(i)) && ReadAll(reread.TempFileName()) == *previews[i], "saved data");
    }
    Check(reread.ManifestOffset + 4 <= std::filesystem::file_size(saved), "saved manifest offset");
    reread.DeleteTempFile();
    return 0;
}
