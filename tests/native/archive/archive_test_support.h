// Shared pieces of the archive tests: hand-built archive bytes, a private folder and an archive object.
#pragma once

#include "archive/far_archive.h"
#include "platform/file.h"
#include "tests/far_writer.h"
#include "tests/test_support.h"

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace kelvo::test {

struct ManifestRecord {
    std::uint32_t rawSize = 0, compressedSize = 0, offset = 0;
    std::string name;
};

// Header, the given data area, then the manifest right after the data.
inline std::string BuildRaw(const std::string& signature, std::uint32_t version, const std::string& data,
                            std::uint32_t count, const std::vector<ManifestRecord>& records)
{
    std::string out = signature;
    PutLE(out, version, 4);
    PutLE(out, static_cast<std::uint32_t>(16 + data.size()), 4);
    out += data;
    PutLE(out, count, 4);
    for (const ManifestRecord& r : records) {
        for (std::uint32_t field : {r.rawSize, r.compressedSize, r.offset, static_cast<std::uint32_t>(r.name.size())})
            PutLE(out, field, 4);
        out += r.name;
    }
    return out;
}

using EntrySpec = VersionedEntry;

// A packed archive as this program writes it (version 1a): data from byte 16 in order.
inline std::string BuildArchive(const std::vector<EntrySpec>& entries) { return VersionedArchive("1a", entries); }

// A fresh folder under the user's temporary folder, removed with the test.
class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        path_ /= "kelvo-test-" + std::to_string(platform::ProcessId()) + "-" + std::to_string(++counter);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // The names of the folder's items, recursively; links stay links.
    std::set<std::string> Contents() const
    {
        std::set<std::string> names;
        for (const auto& item : std::filesystem::recursive_directory_iterator(path_))
            names.insert(item.path().lexically_relative(path_).generic_string());
        return names;
    }

private:
    std::filesystem::path path_ = platform::TempFolder();
};

// The data of every entry as ExtractToTemp gives it.
inline std::vector<std::string> PreviewAll(TFarArchive& archive)
{
    std::vector<std::string> result;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i) {
        EXPECT_TRUE(archive.ExtractToTemp(static_cast<int>(i))) << "entry " << i;
        result.push_back(ReadBytes(archive.TempFileName()));
    }
    archive.DeleteTempFile();
    return result;
}

// A private folder and an archive object.
class ArchiveTest : public ::testing::Test {
protected:
    // Writes the bytes to in.far and opens them with the (closed) object.
    bool OpenBytes(const std::string& bytes)
    {
        archive.Close();
        WriteBytes(dir / "in.far", bytes);
        return archive.Open(dir / "in.far");
    }

    TempDir dir;
    TFarArchive archive;
};

} // namespace kelvo::test
