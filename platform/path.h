// Taking a path apart. Paths are Windows-style strings (see file.h): the
// backslash, the slash (which Windows takes too, and which is POSIX's own)
// and a drive's colon all end a folder part. Entry names of an archive use
// the same separators, so the same rules serve both.
#pragma once

#include <string_view>

namespace kelvo::platform {

inline constexpr std::string_view kPathSeparators = "\\/:";

inline bool IsPathSeparator(char c) { return kPathSeparators.find(c) != std::string_view::npos; }

// The name after the last separator: "Back.bmp" of "C:\Mods\Back.bmp"; the
// whole path when it has no separator.
inline std::string_view NamePart(std::string_view path)
{
    const std::size_t cut = path.find_last_of(kPathSeparators);
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// Everything up to and including the last separator: "C:\Mods\" of
// "C:\Mods\Back.bmp"; empty when the path has no separator.
inline std::string_view FolderPart(std::string_view path)
{
    const std::size_t cut = path.find_last_of(kPathSeparators);
    return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut + 1);
}

// The name part's extension with its dot: ".bmp" of "C:\Mods\Back.bmp";
// empty when the name part has no dot (a dot in a folder name does not count).
inline std::string_view Extension(std::string_view path)
{
    const std::string_view name = NamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

} // namespace kelvo::platform
