// What the source files of the archive object share: how paths are taken
// apart and where an entry's bytes start. Not part of its interface.
#pragma once

#include "archive/far_archive.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

// The part of a path after its last slash, backslash or colon.
inline std::string_view LastNamePart(std::string_view path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// The folder part of a path: everything up to its last slash, backslash or colon.
inline std::string FolderPart(const std::string& path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where an entry's data starts in the file TFarArchive::OpenSource gives for it.
inline std::int64_t SourcePosition(const TFarEntry& entry) { return entry.DataOnDisk() ? 0 : entry.FileOffset; }

} // namespace kelvo
