#include "components/shell/drop_rules.h"
#include "components/shell/source_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

using namespace kelvo;
using namespace kelvo::drop;
using namespace kelvo::drag;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

namespace {

Bytes operator+(Bytes left, const Bytes& right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// UTF-16 names, each zero-terminated, then an empty one.
Bytes WideNames(const std::vector<std::u16string>& names)
{
    Bytes bytes;
    for (const std::u16string& name : names) {
        for (char16_t c : name + u'\0')
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    }
    return bytes + Bytes{0, 0};
}

// A dropped-files block: the 20-byte header, then the names at offset.
Bytes DroppedFiles(std::uint32_t offset, bool wide, const Bytes& names)
{
    Bytes block;
    for (std::uint32_t field : {offset, 30u, 40u, 0u, wide ? 1u : 0u}) {
        for (int i = 0; i < 4; ++i)
            block.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
    }
    block.resize(std::max<std::size_t>(block.size(), offset), 0xEE);
    return block + names;
}

Strings FilesOf(const Bytes& block)
{
    Strings files;
    AppendDroppedFiles(block, files);
    return files;
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::uint32_t Uint32At(const Bytes& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Latin-1 names, one of them with the euro sign of Windows-1252.
const Strings kSims = {"C:\\Sims\\a.far", "C:\\Sims\\Gr\xF6\xDF" "e \x80.iff", "D:\\b"};

} // namespace

TEST(DropEffect, ShiftAndCtrlChooseAmongTheAllowedEffects)
{
    const TShiftState none, shift{ssShift}, ctrl{ssCtrl}, both{ssShift, ssCtrl}, alt{ssAlt, ssLeft};
    const TDragTypes all{dtCopy, dtMove, dtLink};
    constexpr std::uint32_t kAll = kEffectCopy | kEffectMove | kEffectLink;
    // drag types, offered, keys, effect
    const std::tuple<TDragTypes, std::uint32_t, TShiftState, std::uint32_t> cases[] = {
        {all, kAll, none, kEffectCopy},
        {all, kAll, alt, kEffectCopy},
        {all, kAll, shift, kEffectMove},
        {all, kAll, both, kEffectLink},
        {all, kAll, ctrl, kEffectCopy},
        {all, kEffectMove | kEffectLink, ctrl, kEffectMove},
        {all, kEffectLink, none, kEffectLink},
        // The wanted effect not allowed: the first allowed one.
        {all, kEffectCopy | kEffectLink, shift, kEffectCopy},
        {all, kEffectCopy | kEffectMove, both, kEffectCopy},
        {{dtMove, dtLink}, kAll, none, kEffectMove},
        // A source that offers only move, to a target that only copies.
        {{dtCopy}, kEffectMove, shift, kEffectNone},
        {{}, kAll, none, kEffectNone},
    };
    for (const auto& [types, offered, keys, effect] : cases) {
        SCOPED_TRACE(testing::Message() << "types " << int(types.Bits()) << " offered " << offered << " keys "
                                        << int(keys.Bits()));
        EXPECT_EQ(BuiltInDropEffect(keys, 50, 50, AllowedEffects(types, offered), {}), effect);
    }
    // The scroll flag the source offers passes through.
    EXPECT_EQ(AllowedEffects({dtMove, dtLink}, kAll | kEffectScroll), kEffectMove | kEffectLink | kEffectScroll);
}

TEST(DropEffect, ThePointerNearAnEdgeAddsTheScrollFlagAndScrollsTowardsIt)
{
    // A 200 x 100 client area with an 11-pixel margin.
    const ScrollZone both{{sdHorizontal, sdVertical}, 11, 200, 100}, across{{sdHorizontal}, 11, 200, 100},
        down{{sdVertical}, 11, 200, 100}, none{{}, 11, 200, 100};
    const std::tuple<const ScrollZone&, int, int, bool> cases[] = {
        {both, 10, 50, true},  {both, 11, 50, false}, {both, 189, 50, false}, {both, 190, 50, true},
        {both, 50, 10, true},  {both, 50, 11, false}, {both, 50, 89, false},  {both, 50, 90, true},
        {both, -5, 50, true},  {both, 50, 150, true}, {across, 5, 50, true},  {across, 50, 5, false},
        {down, 5, 50, false},  {down, 50, 95, true},  {none, 0, 0, false},    {none, 199, 99, false},
    };
    for (const auto& [zone, x, y, scrolls] : cases) {
        SCOPED_TRACE(testing::Message() << "directions " << int(zone.directions.Bits()) << " at " << x << "," << y);
        EXPECT_EQ(BuiltInDropEffect({}, x, y, kEffectCopy, zone), kEffectCopy | (scrolls ? kEffectScroll : 0));
        // Even no effect carries the flag.
        EXPECT_EQ(BuiltInDropEffect({}, x, y, kEffectNone, zone), scrolls ? kEffectScroll : 0);
    }
    const std::tuple<int, int, ScrollStep> steps[] = {
        {100, 50, {0, 0}}, {100, 10, {-1, 0}}, {100, 90, {1, 0}}, {100, 89, {0, 0}},
        {10, 50, {0, -1}}, {190, 50, {0, 1}},  {189, 50, {0, 0}}, {5, 95, {1, -1}},
    };
    for (const auto& [x, y, step] : steps)
        EXPECT_EQ(ScrollStepAt(x, y, 11, 200, 100), step) << x << "," << y;
}

TEST(DropEffect, KeyStateFlagsBecomeTheShiftState)
{
    const std::tuple<std::uint32_t, TShiftState> cases[] = {
        {0, {}},
        {kKeyShift, {ssShift}},
        {kKeyControl, {ssCtrl}},
        {kKeyAlt, {ssAlt}},
        {kKeyLeftButton, {ssLeft}},
        {kKeyRightButton, {ssRight}},
        {kKeyMiddleButton, {ssMiddle}},
        {0x40 | kKeyShift, {ssShift}},
    };
    for (const auto& [keys, shift] : cases)
        EXPECT_EQ(ShiftStateFromKeys(keys).Bits(), shift.Bits()) << keys;
}

TEST(DroppedFiles, AnsiAndWideBlocksGiveTheSameNamesInOrder)
{
    const Bytes ansi = drag::NameMapBlock(kSims), wide = drag::WideNameMapBlock(kSims);
    EXPECT_EQ(FilesOf(DroppedFiles(20, false, ansi)), kSims);
    EXPECT_EQ(FilesOf(DroppedFiles(20, true, wide)), kSims);
    // Names further on, behind a longer header.
    EXPECT_EQ(FilesOf(DroppedFiles(26, true, wide)), kSims);
    // The names are appended; nothing before them is lost.
    Strings files{"kept"};
    EXPECT_EQ(AppendDroppedFiles(DroppedFiles(20, false, drag::NameMapBlock({"x", "y"})), files), 2u);
    EXPECT_EQ(files, (Strings{"kept", "x", "y"}));

    // No look-alikes: a macron A and a full-width backslash are each "?", as
    // is each half of an emoji's surrogate pair and a lone surrogate. The
    // five undefined Windows-1252 bytes stand for the control characters of
    // their number.
    const Bytes outside =
        WideNames({u"C:\\\u0100\uFF3C..\\x", u"\U0001F600.txt", u"a\xD800" "b", u"\u0081\u009D"});
    EXPECT_EQ(FilesOf(DroppedFiles(20, true, outside)), (Strings{"C:\\??..\\x", "??.txt", "a?b", "\x81\x9D"}));
}

TEST(DroppedFiles, MalformedBlocksAreNeverReadPastTheirEnd)
{
    // Every block is exactly as long as its bytes, so the sanitizer sees any overread.
    Bytes names = drag::NameMapBlock({"C:\\a", "C:\\b"});
    names.pop_back(); // no list end
    Bytes shortHeader = DroppedFiles(20, false, {});
    shortHeader.pop_back();
    const std::tuple<const char*, Bytes, Strings> cases[] = {
        {"header cut short", shortHeader, {}},
        {"no list end", DroppedFiles(20, false, names), {"C:\\a", "C:\\b"}},
        {"last name unterminated", DroppedFiles(20, false, names + Bytes{'C', ':'}), {"C:\\a", "C:\\b"}},
        {"only an unterminated name", DroppedFiles(20, false, Bytes{'C', ':', '\\'}), {}},
        {"no names", DroppedFiles(20, false, {}), {}},
        {"wide, cut inside a character", DroppedFiles(20, true, Bytes{'C', 0, 0, 0, 'C', 0, ':'}), {"C"}},
        {"wide, unterminated", DroppedFiles(20, true, Bytes{'C', 0, ':', 0}), {}},
        {"names after the empty one", DroppedFiles(20, false, drag::NameMapBlock({"a"}) + Bytes{'b', 0}), {"a"}},
    };
    for (const auto& [what, block, expected] : cases)
        EXPECT_EQ(FilesOf(block), expected) << what;

    // Offsets at and beyond the end, up to the largest: nothing is read.
    for (std::uint32_t offset : {24u, 25u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        Bytes block = DroppedFiles(20, false, {'a', 0, 0, 0});
        for (int i = 0; i < 4; ++i)
            block[i] = static_cast<std::uint8_t>(offset >> (8 * i));
        EXPECT_EQ(FilesOf(block), Strings{}) << offset;
    }
}

TEST(NameMap, NamesUpToTheFirstEmptyOneAndOnlyWhenTheyMatchTheFiles)
{
    const Bytes ansi = drag::NameMapBlock(kSims), wide = drag::WideNameMapBlock(kSims);
    EXPECT_EQ(ReadNameMap(ansi, false, 3), kSims);
    EXPECT_EQ(ReadNameMap(wide, true, 3), kSims);
    // A map with fewer or more names than there are files is discarded.
    for (std::size_t files : {0u, 2u, 4u}) {
        EXPECT_EQ(ReadNameMap(ansi, false, files), Strings{}) << files;
        EXPECT_EQ(ReadNameMap(wide, true, files), Strings{}) << files;
    }
    // The map ends at its first empty name, or with the block.
    EXPECT_EQ(ReadNameMap(Bytes{'a', 0, 0, 'b', 0}, false, 1), Strings{"a"});
    EXPECT_EQ(ReadNameMap(Bytes{'a', 0, 'b'}, false, 1), Strings{"a"});
    EXPECT_EQ(ReadNameMap(Bytes{'a', 0, 0}, true, 1), Strings{});
}

// The blocks a source gives, byte for byte; the readers above read them back.
TEST(SourceBlocks, DroppedFilesAndNameMapsListEveryNameThenAnEmptyOne)
{
    const std::string header = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(drag::DroppedFilesBlock({"C:\\A\\x.txt", "y"}), BytesOf(header + std::string("C:\\A\\x.txt\0y\0\0", 14)));
    EXPECT_EQ(drag::DroppedFilesBlock({}), BytesOf(header + std::string(1, '\0')));
    const Strings mapped = {"a.far", "\x80.iff"};
    EXPECT_EQ(drag::NameMapBlock(mapped), BytesOf(std::string("a.far\0\x80.iff\0\0", 13)));
    // Wide: the euro sign of Windows-1252 becomes U+20AC.
    EXPECT_EQ(drag::WideNameMapBlock(mapped),
              BytesOf(std::string("a\0.\0f\0a\0r\0\0\0\xAC\x20.\0i\0f\0f\0\0\0\0\0", 26)));
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
    EXPECT_EQ(split->names, (Strings{"x.txt", "y.txt"}));
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
