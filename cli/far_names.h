// Entry names and the file system's names. FAR names are Windows-1252 bytes.
// On Windows kelvo-far works in the ANSI code page, like the editor, and
// names pass unchanged; elsewhere the system's names are UTF-8, so names are
// converted at the edge: listed and extracted as UTF-8, added from UTF-8.
// The conversion is one-to-one on all 256 bytes (the five bytes the code page
// leaves unassigned stand for the C1 controls of the same value), so an
// archive extracted and made again from the tree has the same names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvo::cli {

// The system's name for an entry name (or a path made of entry names).
std::string SystemName(std::string_view entryName);
// The entry name for a system name; nothing when it has no Windows-1252
// form (or, as UTF-8, is malformed).
std::optional<std::string> EntryName(std::string_view systemName);
// A system name as printed: on one line, with tabs, line breaks and the
// other control characters (C1 controls included) written as escapes (\t,
// \n, \r, \xHH), so no name can move the cursor or pose as another line.
// Backslashes stay, as they separate the parts of a name.
std::string PrintableName(std::string_view systemName);

} // namespace kelvo::cli
