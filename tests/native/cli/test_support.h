// Helpers of the kelvo-far tests: a scratch current folder, kelvo-far in-process, hand-made archives.
#pragma once

#include "cli/far_cli.h"
#include "tests/native/archive/archive_test_support.h"

#include <sstream>

namespace kelvo::test {

// A fresh folder, the current folder for the object's lifetime.
class ScratchFolder : public TempDir {
public:
    ScratchFolder() { std::filesystem::current_path(path()); }
    ~ScratchFolder() { std::error_code ignored; std::filesystem::current_path(previous_, ignored); }

private:
    const std::filesystem::path previous_ = std::filesystem::current_path();
};

// Writes a file, creating the folders on its way.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    WriteBytes(path, bytes);
}

// What a command gave: its exit code and both output streams.
struct Output {
    int code;
    std::string out, err;
};

// Runs kelvo-far in this process.
inline Output Far(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = cli::RunKelvoFar(args, out, err);
    return {code, out.str(), err.str()};
}

// An archive with the given data area (from byte 16) and manifest records.
inline std::string CraftArchive(const std::string& data, const std::vector<ManifestRecord>& records)
{
    return BuildRaw("FAR!byAZ", 1, data, static_cast<std::uint32_t>(records.size()), records);
}

} // namespace kelvo::test
