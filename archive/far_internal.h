// What the source files of the archive object share: what separates the
// folders of a name and where an entry's bytes start. Not part of its interface.
#pragma once

#include "archive/far_archive.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvo {

// The folder separators of entry names and of the paths extraction makes
// from them (a colon is no separator here: no safe name holds one).
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where an entry's data starts in the file TFarArchive::OpenSource gives for it.
inline std::int64_t SourcePosition(const TFarEntry& entry) { return entry.DataOnDisk() ? 0 : entry.FileOffset; }

} // namespace kelvo
