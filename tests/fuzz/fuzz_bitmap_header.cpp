// libFuzzer target for the preview's bitmap header reader: a known pixel format, decided by the bytes the preview reads alone.
#include "app/far_text.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int depth = kelvo::BitmapPixelDepth(bytes);
    const int known[] = {0, 1, 4, 8, 15, 16, 24, 32};
    Check(std::count(std::begin(known), std::end(known), depth) == 1, "unknown pixel format");
    Check(kelvo::BitmapPixelDepth(bytes.substr(0, kelvo::kBitmapFormatBytes)) == depth, "the format depends on bytes the preview does not read");
    Check(kelvo::PixelDepthLine(depth).starts_with("Pixel Depth/Colors: "), "pixel depth line");
    return 0;
}
