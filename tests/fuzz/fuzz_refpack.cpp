// libFuzzer target for RefPack: streams decompress to their stated size or fail with a reason; data compresses into a stream that
// decompresses to it.
#include "archive/refpack.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <vector>

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace refpack = kelvo::refpack;
    std::vector<unsigned char> out;
    std::string reason;
    std::uint32_t stated = 0;
    if (refpack::Decompress(data, size, out, reason))
        Check(refpack::StatedSize(data, size, stated, reason) && out.size() == stated, "output size differs from the stated size");
    else
        Check(!reason.empty(), "failure without a reason");
    const std::vector<unsigned char> stream = refpack::Compress(data, size);
    Check(stream.size() <= size + (size + 111) / 112 + 1 + 5, "compressed stream larger than its bound");
    Check(refpack::Decompress(stream.data(), stream.size(), out, reason) && out.size() == size &&
              (size == 0 || std::equal(out.begin(), out.end(), data)), "round trip changed the data");
    return 0;
}
