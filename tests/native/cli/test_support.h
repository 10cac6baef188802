// Helpers shared by the kelvo-far tests: a scratch folder that is the
// current folder while a test runs, and hand-made archives (built with the
// archive tests' helpers).
#pragma once

#include "tests/native/archive/archive_test_support.h"

#include <unistd.h>

namespace kelvo::test {

// A fresh folder, made the current folder for the object's lifetime and
// removed with everything in it afterwards.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    const std::filesystem::path previous_ = std::filesystem::current_path();
    const std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                        ("kelvo-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
};

// Writes a file, creating the folders on its way.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    WriteBytes(path, bytes);
}

// An archive with the given data area (from byte 16) and manifest records.
inline std::string CraftArchive(const std::string& data, const std::vector<ManifestRecord>& records)
{
    return BuildRaw("FAR!byAZ", 1, data, static_cast<std::uint32_t>(records.size()), records);
}

} // namespace kelvo::test
