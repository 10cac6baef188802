// libFuzzer target for the readers of the blocks other programs hand over in
// a drop: the dropped-files block and the file name maps. The first input
// byte chooses the reader (and for a name map whether it is wide), the
// second the length of the file list a name map belongs to; the rest is the
// block. What a reader takes is read back the same from the block the drag
// source would build from it.
#include "components/shell/drop_rules.h"
#include "components/shell/source_blocks.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

using kelvo::fuzz::Check;

namespace {

void CheckNames(const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        Check(!name.empty() && name.find('\0') == std::string::npos, "empty name or name with a zero");
}

void DroppedFiles(std::span<const std::uint8_t> block)
{
    std::vector<std::string> files = {"already there"};
    const std::size_t taken = kelvo::drop::AppendDroppedFiles(block, files);
    Check(files.size() == taken + 1 && files.front() == "already there", "names appended");
    files.erase(files.begin());
    CheckNames(files);
    if (files.empty())
        return;
    // The ANSI block of the same names reads back as they are.
    std::vector<std::string> again;
    kelvo::drop::AppendDroppedFiles(kelvo::drag::DroppedFilesBlock(files), again);
    Check(again == files, "dropped files read back");
}

void NameMap(std::span<const std::uint8_t> block, bool wide, std::size_t fileCount)
{
    const std::vector<std::string> names = kelvo::drop::ReadNameMap(block, wide, fileCount);
    Check(names.empty() || names.size() == fileCount, "name map of another length");
    CheckNames(names);
    if (names.empty())
        return;
    Check(kelvo::drop::ReadNameMap(kelvo::drag::NameMapBlock(names), false, fileCount) == names, "name map read back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::span<const std::uint8_t> block(data + 2, size - 2);
    switch (data[0] % 3) {
    case 0: DroppedFiles(block); break;
    case 1: NameMap(block, false, data[1]); break;
    case 2: NameMap(block, true, data[1]); break;
    }
    return 0;
}
