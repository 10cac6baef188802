#pragma once
// What the fuzz targets share: their one way to fail (a line naming the
// broken rule on standard error, then abort, which libFuzzer reports with
// the input), and files in a folder of the process's own.
#include "platform/file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelvo::fuzz {

inline void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

inline std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteAll(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder of this process's own for one input, emptied when made and
// removed when it goes (libFuzzer's time limit ends the process without
// running exit handlers, so an earlier run's folder may still be there).
class WorkFolder {
public:
    explicit WorkFolder(const std::string& name)
        : path_(std::filesystem::path(platform::TempFolder()) / (name + std::to_string(platform::ProcessId())))
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
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

} // namespace kelvo::fuzz
