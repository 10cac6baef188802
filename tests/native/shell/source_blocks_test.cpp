#include "components/shell/source_blocks.h"
#include "tests/test_support.h"

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;
using namespace kelvo::drag;

namespace {

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::uint32_t Uint32At(const Bytes& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

const std::vector<std::string> kTwoFiles = {"C:\\A\\x.txt", "C:\\A\\y.txt"};

} // namespace

TEST(SourceBlocks, DroppedFilesAndNameMapsListEveryNameThenAnEmptyOne)
{
    const std::string header = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Bytes files = DroppedFilesBlock(kTwoFiles);
    EXPECT_EQ(files.size(), 43u);
    EXPECT_EQ(files, BytesOf(header + std::string("C:\\A\\x.txt\0C:\\A\\y.txt\0\0", 23)));
    // A block of them reads back as the same names.
    std::vector<std::string> read;
    EXPECT_EQ(drop::AppendDroppedFiles(files, read), 2u);
    EXPECT_EQ(read, kTwoFiles);

    const std::vector<std::string> mapped = {"a.far", "\x80.iff"};
    EXPECT_EQ(NameMapBlock(mapped), BytesOf(std::string("a.far\0\x80.iff\0\0", 13)));
    // Wide: 2 bytes plus twice (length + 1) per name; the euro sign of
    // Windows-1252 becomes U+20AC.
    const Bytes wide = WideNameMapBlock(mapped);
    EXPECT_EQ(wide.size(), 2u + 2 * 6 + 2 * 6);
    EXPECT_EQ(wide, BytesOf(std::string("a\0.\0f\0a\0r\0\0\0\xAC\x20.\0i\0f\0f\0\0\0\0\0", 26)));
    EXPECT_EQ(drop::ReadNameMap(wide, true, 2), mapped);
    EXPECT_EQ(DroppedFilesBlock({}).size(), 21u);
}

TEST(SourceBlocks, TheFileGroupDescriptorHoldsOneNamedFile)
{
    const Bytes block = FileGroupDescriptorBlock("Text Scrap File.txt", kLinkUiFlag);
    ASSERT_EQ(block.size(), kFileGroupDescriptorSize);
    Bytes expected(336, 0);
    expected[0] = 1;
    expected[5] = 0x80; // the flags, 0x8000, after the count
    const std::string name = "Text Scrap File.txt";
    std::copy(name.begin(), name.end(), expected.begin() + 76);
    EXPECT_EQ(block, expected);
    // A name too long for its field is cut and still ends with a zero.
    const Bytes longName = FileGroupDescriptorBlock(std::string(300, 'n'), 0);
    EXPECT_EQ(longName.size(), 336u);
    EXPECT_EQ(longName[76 + 258], 'n');
    EXPECT_EQ(longName[76 + 259], 0);
}

TEST(SourceBlocks, TheIdListArrayPlacesTheFolderAndItemListsAfterItsOffsets)
{
    // Lists as the shell makes them: items led by their 16-bit size, a 16-bit zero at the end.
    const Bytes folder = {4, 0, 'C', ':', 5, 0, 'A', 'b', 'c', 0, 0};
    const Bytes x = {3, 0, 'x', 0, 0}, y = {4, 0, 'y', 'y', 0, 0};
    EXPECT_EQ(ItemIdListSize(folder.data()), folder.size());
    EXPECT_EQ(ItemIdListSize(x.data()), x.size());
    const Bytes block = IdListArrayBlock(folder, {x, y});
    ASSERT_EQ(block.size(), 16 + folder.size() + x.size() + y.size());
    EXPECT_EQ(Uint32At(block, 0), 2u);
    EXPECT_EQ(Uint32At(block, 4), 16u);
    EXPECT_EQ(Uint32At(block, 8), 16u + 11);
    EXPECT_EQ(Uint32At(block, 12), 16u + 11 + 5);
    EXPECT_EQ(Bytes(block.begin() + 16, block.begin() + 27), folder);
    EXPECT_EQ(Bytes(block.begin() + 27, block.begin() + 32), x);
    EXPECT_EQ(Bytes(block.begin() + 32, block.end()), y);
    EXPECT_EQ(EffectBlock(0x80000002u), (Bytes{2, 0, 0, 0x80}));
}

TEST(SourceBlocks, FilesSplitIntoTheirOneFolder)
{
    const auto split = SplitIntoFolder({"C:\\A\\x.txt", "c:\\a\\y.txt"});
    ASSERT_TRUE(split);
    EXPECT_EQ(split->folder, "C:\\A");
    EXPECT_EQ(split->names, (std::vector<std::string>{"x.txt", "y.txt"}));
    EXPECT_EQ(SplitIntoFolder({"C:\\x.txt"})->folder, "C:\\");
    EXPECT_FALSE(SplitIntoFolder({"C:\\A\\x.txt", "C:\\B\\y.txt"}));
    EXPECT_FALSE(SplitIntoFolder({"C:\\A\\x.txt", "C:\\A\\B\\y.txt"}));
    EXPECT_FALSE(SplitIntoFolder({"x.txt"}));
}

TEST(DragOutcome, TheLoopsResultAndTheFinalEffectGiveTheOutcome)
{
    constexpr std::uint32_t kAll = 7;
    // loop result, final effect, allowed, outcome
    const std::tuple<std::int32_t, std::uint32_t, std::uint32_t, TDragResult> cases[] = {
        {kResultDrop, 1, kAll, drDropCopy},      {kResultDrop, 3, kAll, drDropCopy},
        {kResultDrop, 2, kAll, drDropMove},      {kResultDrop, 4 | 0x80000000u, kAll, drDropLink},
        {kResultDrop, 0, kAll, drCancel},        {kResultDrop, 2, 1, drCancel},
        {kResultCancel, 1, kAll, drCancel},      {kResultOutOfMemory, 0, kAll, drOutMemory},
        {0, 1, kAll, drUnknown},                 {static_cast<std::int32_t>(0x80004005u), 0, kAll, drUnknown},
    };
    for (const auto& [result, effect, allowed, outcome] : cases)
        EXPECT_EQ(DragResultOf(result, effect, allowed), outcome) << std::hex << result << " " << effect;
    EXPECT_EQ(EffectsOf({dtCopy, dtLink}), 5u);
    EXPECT_EQ(DropTypeOf(6), dtMove);
    EXPECT_FALSE(DropTypeOf(0x80000000u));
}
