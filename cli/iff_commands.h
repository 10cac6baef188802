// kelvo-far's look inside IFF entries: the chunk list and the string tables
// of one entry, read straight from the archive file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kelvo::cli {

// chunks ARCHIVE NAME: one tab-separated line per chunk: type, ID, flags,
// body size, label.
int ChunksCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// strings ARCHIVE NAME: one tab-separated line per string of every string
// chunk: type, chunk ID, index, language (empty where the format has none),
// string, comment.
int StringsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kelvo::cli
