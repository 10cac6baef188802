// libFuzzer target for the preview's bitmap header reader: any bytes as the
// start of a .bmp file give one of the known pixel formats, decided by the
// bytes the preview reads and by nothing after them.
#include "app/far_text.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int depth = kelvo::BitmapPixelDepth(bytes);
    Check(depth == 0 || depth == 1 || depth == 4 || depth == 8 || depth == 15 || depth == 16 || depth == 24 ||
              depth == 32,
          "unknown pixel format");
    Check(kelvo::BitmapPixelDepth(bytes.substr(0, kelvo::kBitmapFormatBytes)) == depth,
          "the format depends on bytes the preview does not read");
    Check(kelvo::PixelDepthLine(depth).starts_with("Pixel Depth/Colors: "), "pixel depth line");
    return 0;
}
