// kelvo-far's look inside IFF entries: the chunk list, the string tables
// and the sprite frames of one entry, read straight from the archive file.
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
// sprite ARCHIVE NAME CHUNK-ID FOLDER: every frame of the SPR2 chunk with
// that ID (else the SPR# chunk) as a 32-bit .bmp file with alpha named
// <chunk id>_<frame>.bmp in the folder, made when missing; a line for each
// frame that cannot be written.
int SpriteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kelvo::cli
