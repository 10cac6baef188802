// libFuzzer target for extraction: any bytes as an archive, every entry
// extracted into a folder that already holds a user's file and a link to a
// file outside it. Whatever the archive says, the file outside never
// changes, nothing appears outside the folder, no partial or temporary file
// stays, the user's file is either kept or wholly replaced by one entry's
// data, and no more bytes are written than the archive holds.
#include "archive/far_archive.h"
#include "platform/file.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

using kelvo::fuzz::Check;

namespace {

namespace fs = std::filesystem;
using kelvo::TFarArchive;
using kelvo::TFarEntry;

const std::string kOutside = "outside, never to change";
const std::string kUserFile = "the user's own file";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The name of a file written beside its final name: "~kv", 12 hex digits, ".tmp".
bool IsTemporaryName(const std::string& name)
{
    return name.size() == 19 && name.rfind("~kv", 0) == 0 && name.substr(15) == ".tmp" &&
           name.find_first_not_of("0123456789abcdef", 3) == 15;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fs::path folder = fs::path(kelvo::platform::TempFolder()) /
                            ("kelvo-fuzz-extract-" + std::to_string(kelvo::platform::ProcessId()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    const fs::path out = folder / "out";
    fs::create_directories(out / "Objects");
    WriteAll(folder / "outside.txt", kOutside);
    WriteAll(out / "readme.txt", kUserFile);
    // Names the sample archives and game archives use, as links out.
    for (const char* name : {"Chair.bmp", "Objects.iff", "Objects/Chair.iff", "a"})
        fs::create_symlink(folder / "outside.txt", out / name, ignored);
    WriteAll(folder / "in.far", std::string(reinterpret_cast<const char*>(data), size));

    TFarArchive archive;
    if (archive.Open((folder / "in.far").string())) {
        std::set<std::string> entryData;
        std::set<std::string> entryNames; // last parts, which may look like a temporary file's
        for (std::size_t i = 0; i < archive.Entries.size() && i < 64; ++i) {
            const TFarEntry& entry = archive.Entries[i];
            archive.ExtractEntry(entry, out.string());
            const std::string_view text = entry.Text();
            entryNames.insert(std::string(text.substr(text.find_last_of("\\/") + 1)));
            if (entry.RawSize <= size && entry.FileOffset <= size - entry.RawSize)
                entryData.insert(std::string(reinterpret_cast<const char*>(data) + entry.FileOffset, entry.RawSize));
        }
        archive.Close();

        std::uintmax_t written = 0;
        for (const auto& item : fs::recursive_directory_iterator(out)) {
            const std::string name = item.path().filename().string();
            Check(!IsTemporaryName(name) || entryNames.count(name), "a temporary file stayed");
            if (item.is_regular_file() && !item.is_symlink() && item.path() != out / "readme.txt")
                written += item.file_size();
        }
        Check(written <= size, "more bytes written than the archive holds");
        const std::string user = ReadAll(out / "readme.txt");
        Check(user == kUserFile || entryData.count(user), "the user's file was damaged");
    }
    Check(ReadAll(folder / "outside.txt") == kOutside, "a link was written through");
    for (const auto& item : fs::directory_iterator(folder)) {
        const std::string name = item.path().filename().string();
        Check(name == "in.far" || name == "out" || name == "outside.txt", "extraction wrote outside its folder");
    }
    fs::remove_all(folder, ignored);
    return 0;
}
