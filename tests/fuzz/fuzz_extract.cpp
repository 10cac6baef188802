// libFuzzer target for extraction into a folder holding a user's file and links out: nothing outside changes, no temporary file stays, the
// user's file is kept or wholly replaced by one entry's data, no more bytes are written than read.
#include "archive/far_archive.h"
#include "tests/fuzz/fuzz_check.h"

#include <set>

using namespace kelvo::fuzz;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string outside = "outside, never to change", userFile = "the user's own file";
    const WorkFolder work("kelvo-fuzz-extract-");
    const fs::path& folder = work.path, out = folder / "out";
    std::error_code ignored;
    fs::create_directories(out / "Objects");
    WriteAll(folder / "outside.txt", outside);
    WriteAll(out / "readme.txt", userFile);
    // Names the sample archives and game archives use, as links out.
    for (const char* name : {"Chair.bmp", "Objects.iff", "Objects/Chair.iff", "a"})
        fs::create_symlink(folder / "outside.txt", out / name, ignored);
    WriteAll(folder / "in.far", {reinterpret_cast<const char*>(data), size});

    kelvo::TFarArchive archive;
    if (archive.Open((folder / "in.far").string())) {
        std::set<std::string> entryData, entryNames; // names: last parts, which may look like a temporary file's
        for (std::size_t i = 0; i < archive.Entries.size() && i < 64; ++i) {
            const kelvo::TFarEntry& entry = archive.Entries[i];
            archive.ExtractEntry(entry, out.string());
            const std::string_view text = entry.Text();
            entryNames.insert(std::string(text.substr(text.find_last_of("\\/") + 1)));
            if (entry.RawSize <= size && entry.FileOffset <= size - entry.RawSize)
                entryData.insert(std::string(reinterpret_cast<const char*>(data) + entry.FileOffset, entry.RawSize));
        }
        archive.Close();
        std::uintmax_t written = 0;
        for (const auto& item : fs::recursive_directory_iterator(out)) {
            // A file written beside its final name: "~kv", 12 hex digits, ".tmp".
            const std::string name = item.path().filename().string();
            const bool temporary = name.size() == 19 && name.starts_with("~kv") && name.ends_with(".tmp") &&
                                   name.find_first_not_of("0123456789abcdef", 3) == 15;
            Check(!temporary || entryNames.count(name), "a temporary file stayed");
            if (item.is_regular_file() && !item.is_symlink() && item.path() != out / "readme.txt")
                written += item.file_size();
        }
        Check(written <= size, "more bytes written than the archive holds");
        const std::string user = ReadAll(out / "readme.txt");
        Check(user == userFile || entryData.count(user), "the user's file was damaged");
    }
    Check(ReadAll(folder / "outside.txt") == outside, "a link was written through");
    for (const auto& item : fs::directory_iterator(folder)) {
        const std::string name = item.path().filename().string();
        Check(name == "in.far" || name == "out" || name == "outside.txt", "extraction wrote outside its folder");
    }
    return 0;
}
