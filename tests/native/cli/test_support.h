// Helpers shared by the kelvo-far tests: a scratch folder that is the
// current folder while a test runs, whole-file reads and writes, and
// hand-made archives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace kelvo::test {

// A fresh folder, made the current folder for the object's lifetime and
// removed with everything in it afterwards.
class ScratchFolder {
public:
    ScratchFolder()
        : previous_(std::filesystem::current_path()),
          path_(std::filesystem::temp_directory_path() /
                ("kelvo-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++)))
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
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void PutLE32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

struct CraftedEntry {
    std::uint32_t rawSize;
    std::uint32_t compressedSize;
    std::uint32_t offset;
    std::string name;
};

// An archive with the given data area (from byte 16) and manifest records,
// placed anywhere the records say.
inline std::string CraftArchive(const std::string& data, const std::vector<CraftedEntry>& entries,
                                const std::string& signature = "FAR!byAZ", std::uint32_t version = 1)
{
    std::string bytes = signature;
    PutLE32(bytes, version);
    PutLE32(bytes, static_cast<std::uint32_t>(16 + data.size()));
    bytes += data;
    PutLE32(bytes, static_cast<std::uint32_t>(entries.size()));
    for (const CraftedEntry& entry : entries) {
        PutLE32(bytes, entry.rawSize);
        PutLE32(bytes, entry.compressedSize);
        PutLE32(bytes, entry.offset);
        PutLE32(bytes, static_cast<std::uint32_t>(entry.name.size()));
        bytes += entry.name;
    }
    return bytes;
}

} // namespace kelvo::test
