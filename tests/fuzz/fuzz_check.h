#pragma once
// What the fuzz targets share: their one way to fail (the broken rule on standard error, then abort, which libFuzzer reports with the
// input) and files in a folder of the process's own.
#include "platform/file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kelvo::fuzz {

inline void Check(bool condition, const char* what)
{
    if (!condition)
        std::fprintf(stderr, "fuzz: %s\n", what), std::abort();
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

// A folder for one input, emptied when made (a run ended by libFuzzer's time limit leaves it) and removed when it goes.
struct WorkFolder {
    explicit WorkFolder(const std::string& name)
        : path(std::filesystem::path(platform::TempFolder()) / (name + std::to_string(platform::ProcessId())))
    {
        std::filesystem::remove_all(path, ignored);
        std::filesystem::create_directories(path);
    }
    ~WorkFolder() { std::filesystem::remove_all(path, ignored); }
    const std::filesystem::path path;
    std::error_code ignored;
};

} // namespace kelvo::fuzz
