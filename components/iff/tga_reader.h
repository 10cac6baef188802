// The reader of Targa (.tga) images: colour-mapped, true-colour and grey;
// 8, 15/16, 24 and 32 bits a pixel; uncompressed and run-length encoded;
// rows stored bottom-up or top-down, left-to-right or right-to-left.
#pragma once

#include "components/iff/picture.h"

#include <string>
#include <string_view>

namespace kelvo::iff {

// Decodes a whole .tga file into a picture (rows from the top). Pixels
// without alpha in the file are opaque. False with a reason ("Damaged TGA
// image: ...", "Unsupported TGA image: ...") for a file it cannot show,
// leaving the picture empty; the reader never reads outside file and
// refuses pictures above maxPixelBytes.
bool DecodeTga(std::string_view file, Picture& picture, std::string& reason,
               std::uint64_t maxPixelBytes = kMaxPictureBytes);

} // namespace kelvo::iff
