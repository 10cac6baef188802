// libFuzzer target for the blocks of a drop: byte 0 chooses the reader (dropped files, ANSI or wide name map), byte 1 a name map's file
// count; what a reader takes reads back the same from the block a drag source builds from it.
#include "components/shell/drop_rules.h"
#include "components/shell/source_blocks.h"
#include "tests/fuzz/fuzz_check.h"

#include <span>
#include <vector>

using kelvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::span<const std::uint8_t> block(data + 2, size - 2);
    std::vector<std::string> names;
    if (data[0] % 3 == 0) {
        names = {"already there"};
        const std::size_t taken = kelvo::drop::AppendDroppedFiles(block, names);
        Check(names.size() == taken + 1 && names.front() == "already there", "names appended");
        names.erase(names.begin());
    } else {
        names = kelvo::drop::ReadNameMap(block, data[0] % 3 == 2, data[1]);
        Check(names.empty() || names.size() == data[1], "name map of another length");
    }
    for (const std::string& name : names)
        Check(!name.empty() && name.find('\0') == std::string::npos, "empty name or name with a zero");
    if (names.empty())
        return 0;
    std::vector<std::string> again;
    if (data[0] % 3 == 0)
        kelvo::drop::AppendDroppedFiles(kelvo::drag::DroppedFilesBlock(names), again);
    else
        again = kelvo::drop::ReadNameMap(kelvo::drag::NameMapBlock(names), false, data[1]);
    Check(again == names, "names read back");
    return 0;
}
