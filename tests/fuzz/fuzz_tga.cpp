// libFuzzer target for the Targa reader: a picture read has its header's size and writes out as a bitmap; a refused file gets a reason and
// no picture.
#include "components/iff/tga_reader.h"
#include "tests/fuzz/fuzz_check.h"

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelvo::iff;
    Picture picture;
    std::string reason;
    if (!DecodeTga({reinterpret_cast<const char*>(data), size}, picture, reason, 4u << 20)) { // below the preview's limit: quick runs
        Check(!reason.empty() && picture.Pixels.empty(), "refused without a reason");
        return 0;
    }
    Check(size >= 18 && reason.empty(), "picture from a short file");
    const unsigned width = data[12] | data[13] << 8, height = data[14] | data[15] << 8;
    Check(picture.Width == static_cast<int>(width) && picture.Height == static_cast<int>(height) &&
              picture.Pixels.size() == std::size_t{width} * height, "picture of the header's size");
    Check(BmpFile(picture).size() == 122 + picture.Pixels.size() * 4, "bitmap size");
    return 0;
}
