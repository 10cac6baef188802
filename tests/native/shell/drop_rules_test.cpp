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
using Strings = std::vector<std::string>;
using namespace std::string_literals;

namespace {

Bytes operator+(Bytes left, const Bytes& right) { return left.insert(left.end(), right.begin(), right.end()), left; }

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes WideNames(const std::u16string& names)
{
    Bytes bytes;
    for (char16_t c : names + u"\0\0"s)
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    return bytes;
}

Bytes Header(std::uint32_t offset, bool wide)
{
    Bytes block;
    for (std::uint32_t field : {offset, 30u, 40u, 0u, wide ? 1u : 0u})
        for (int i = 0; i < 4; ++i)
            block.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
    return block;
}

Bytes DroppedFiles(std::uint32_t offset, bool wide, const Bytes& names) { return Header(offset, wide) + Bytes(offset - 20, 0xEE) + names; }

Strings FilesOf(const Bytes& block)
{
    Strings files{"kept"}; // names are appended
    const std::size_t count = AppendDroppedFiles(block, files);
    EXPECT_EQ(count + 1, files.size());
    return Strings(files.begin() + 1, files.end());
}

// Latin-1 names, one of them with the euro sign of Windows-1252.
const Strings kSims = {"C:\\Sims\\a.far", "C:\\Sims\\Gr\xF6\xDF" "e \x80.iff", "D:\\b"};

} // namespace

TEST(DropEffect, KeysAllowedEffectsAndTheScrollMarginChooseTheEffect)
{
    const TShiftState none, shift{ssShift}, ctrl{ssCtrl}, both{ssShift, ssCtrl}, alt{ssAlt, ssLeft};
    const TDragTypes all{dtCopy, dtMove, dtLink};
    constexpr std::uint32_t kAll = kEffectCopy | kEffectMove | kEffectLink;
    // drag types, offered, keys, effect (the wanted effect not allowed: the first allowed one)
    const std::tuple<TDragTypes, std::uint32_t, TShiftState, std::uint32_t> cases[] = {{all, kAll, none, kEffectCopy},
        {all, kAll, alt, kEffectCopy}, {all, kAll, shift, kEffectMove}, {all, kAll, both, kEffectLink}, {all, kAll, ctrl, kEffectCopy},
        {all, kEffectMove | kEffectLink, ctrl, kEffectMove}, {all, kEffectLink, none, kEffectLink}, {{}, kAll, none, kEffectNone},
        {all, kEffectCopy | kEffectLink, shift, kEffectCopy}, {all, kEffectCopy | kEffectMove, both, kEffectCopy},
        {{dtMove, dtLink}, kAll, none, kEffectMove}, {{dtCopy}, kEffectMove, shift, kEffectNone}};
    for (const auto& [types, offered, keys, effect] : cases)
        EXPECT_EQ(BuiltInDropEffect(keys, 50, 50, AllowedEffects(types, offered), {}), effect)
            << int(types.Bits()) << " " << offered << " " << int(keys.Bits());
    EXPECT_EQ(AllowedEffects({dtMove, dtLink}, kAll | kEffectScroll), kEffectMove | kEffectLink | kEffectScroll);

    // A 200 x 100 client area with an 11-pixel margin: near an edge the scroll flag joins, even no effect.
    const ScrollZone xy{{sdHorizontal, sdVertical}, 11, 200, 100}, x{{sdHorizontal}, 11, 200, 100},
        y{{sdVertical}, 11, 200, 100}, no{{}, 11, 200, 100};
    const std::tuple<const ScrollZone&, int, int, bool> points[] = {
        {xy, 10, 50, true}, {xy, 11, 50, false}, {xy, 189, 50, false}, {xy, 190, 50, true}, {xy, 50, 10, true},
        {xy, 50, 11, false}, {xy, 50, 89, false}, {xy, 50, 90, true}, {xy, -5, 50, true}, {xy, 50, 150, true},
        {x, 5, 50, true}, {x, 50, 5, false}, {y, 5, 50, false}, {y, 50, 95, true}, {no, 0, 0, false},
    };
    for (const auto& [zone, px, py, scrolls] : points) {
        SCOPED_TRACE(testing::Message() << int(zone.directions.Bits()) << " at " << px << "," << py);
        EXPECT_EQ(BuiltInDropEffect({}, px, py, kEffectCopy, zone), kEffectCopy | (scrolls ? kEffectScroll : 0));
        EXPECT_EQ(BuiltInDropEffect({}, px, py, kEffectNone, zone), scrolls ? kEffectScroll : 0);
    }
    const std::tuple<int, int, ScrollStep> steps[] = {{100, 50, {0, 0}}, {100, 10, {-1, 0}}, {100, 90, {1, 0}},
        {100, 89, {0, 0}}, {10, 50, {0, -1}}, {190, 50, {0, 1}}, {189, 50, {0, 0}}, {5, 95, {1, -1}}};
    for (const auto& [px, py, step] : steps)
        EXPECT_EQ(ScrollStepAt(px, py, 11, 200, 100), step) << px << "," << py;

    const std::tuple<std::uint32_t, TShiftState> keys[] = {{0, {}}, {kKeyShift, {ssShift}}, {kKeyControl, {ssCtrl}},
        {kKeyAlt, {ssAlt}}, {kKeyLeftButton, {ssLeft}}, {kKeyRightButton, {ssRight}}, {kKeyMiddleButton, {ssMiddle}},
        {0x40 | kKeyShift, {ssShift}}};
    for (const auto& [flags, state] : keys)
        EXPECT_EQ(ShiftStateFromKeys(flags).Bits(), state.Bits()) << flags;
}

TEST(DroppedFiles, NamesInOrderAndNeverReadPastTheBlocksEnd)
{
    // Every block is exactly as long as its bytes, so the sanitizer sees any overread.
    const Bytes open = NameMapBlock({"C:\\a", "C:\\b"}), unended(open.begin(), open.end() - 1); // no list end
    const std::tuple<const char*, Bytes, Strings> cases[] = {
        {"ANSI", DroppedFiles(20, false, NameMapBlock(kSims)), kSims},
        {"wide", DroppedFiles(20, true, WideNameMapBlock(kSims)), kSims},
        {"behind a longer header", DroppedFiles(26, true, WideNameMapBlock(kSims)), kSims},
        // Look-alikes and surrogates are "?"; undefined Windows-1252 bytes stand for the controls of their number.
        {"outside the code page",
         DroppedFiles(20, true, WideNames(u"C:\\\u0100\uFF3C..\\x\0\U0001F600.txt\0a\xD800" "b\0\u0081\u009D"s)),
         {"C:\\??..\\x", "??.txt", "a?b", "\x81\x9D"}},
        {"header cut short", Bytes{20, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}},
        {"last name unterminated", DroppedFiles(20, false, unended + Bytes{'C', ':'}), {"C:\\a", "C:\\b"}},
        {"wide, cut inside a character", DroppedFiles(20, true, Bytes{'C', 0, 0, 0, 'C', 0, ':'}), {"C"}},
        {"names after the empty one", DroppedFiles(20, false, NameMapBlock({"a"}) + Bytes{'b', 0}), {"a"}},
        {"offset beyond", Header(25, false) + Bytes{'a', 0, 0, 0}, {}},
        {"offset largest", Header(0xFFFFFFFFu, false) + Bytes{'a', 0, 0, 0}, {}},
    };
    for (const auto& [what, block, expected] : cases)
        EXPECT_EQ(FilesOf(block), expected) << what;
}

TEST(NameMap, NamesUpToTheFirstEmptyOneAndOnlyWhenTheyMatchTheFiles)
{
    // Block, wide, file count, names: a map not matching the files is discarded.
    const Bytes ansi = NameMapBlock(kSims), wide = WideNameMapBlock(kSims);
    const std::tuple<Bytes, bool, std::size_t, Strings> cases[] = {{ansi, false, 3, kSims}, {wide, true, 3, kSims},
        {ansi, false, 2, {}}, {ansi, false, 4, {}}, {wide, true, 0, {}}, {wide, true, 4, {}},
        {{'a', 0, 0, 'b', 0}, false, 1, {"a"}}, {{'a', 0, 'b'}, false, 1, {"a"}}, {{'a', 0, 0}, true, 1, {}}};
    for (const auto& [block, wide, files, expected] : cases)
        EXPECT_EQ(ReadNameMap(block, wide, files), expected) << wide << " " << files;
}

TEST(SourceBlocks, EachBlockInThePlatformsLayout)
{
    const std::string header = std::string(1, 20) + std::string(19, '\0');
    EXPECT_EQ(DroppedFilesBlock({"C:\\A\\x.txt", "y"}), BytesOf(header + std::string("C:\\A\\x.txt\0y\0\0", 14)));
    EXPECT_EQ(DroppedFilesBlock({}), BytesOf(header + std::string(1, '\0')));
    const Strings mapped = {"a.far", "\x80.iff"};
    EXPECT_EQ(NameMapBlock(mapped), BytesOf(std::string("a.far\0\x80.iff\0\0", 13)));
    EXPECT_EQ(WideNameMapBlock(mapped), BytesOf(std::string("a\0.\0f\0a\0r\0\0\0\xAC\x20.\0i\0f\0f\0\0\0\0\0", 26)));
    EXPECT_EQ(EffectBlock(0x80000002u), (Bytes{2, 0, 0, 0x80}));
    // The file-group descriptor: the count, the flags, the name at 76, cut to fit with its zero.
    EXPECT_EQ(FileGroupDescriptorBlock("Text Scrap File.txt", kLinkUiFlag), BytesOf("\1\0\0\0\0\x80"s + std::string(70, '\0') +
              "Text Scrap File.txt" + std::string(kFileGroupDescriptorSize - 76 - 19, '\0')));
    EXPECT_EQ(FileGroupDescriptorBlock(std::string(300, 'n'), 0), BytesOf("\1"s + std::string(75, '\0') + std::string(259, 'n') + '\0'));
    const Bytes folder = {4, 0, 'C', ':', 5, 0, 'A', 'b', 'c', 0, 0}, x = {3, 0, 'x', 0, 0}, y = {4, 0, 'y', 'y', 0, 0};
    EXPECT_EQ(std::pair(ItemIdListSize(folder.data()), ItemIdListSize(x.data())), std::pair(folder.size(), x.size()));
    EXPECT_EQ(IdListArrayBlock(folder, {x, y}), Bytes({2, 0, 0, 0, 16, 0, 0, 0, 27, 0, 0, 0, 32, 0, 0, 0}) + folder + x + y);
}

TEST(SourceBlocks, FilesSplitIntoTheirOneFolder)
{
    const auto split = SplitIntoFolder({"C:\\A\\x.txt", "c:\\a\\y.txt"});
    ASSERT_TRUE(split);
    EXPECT_EQ(std::tie(split->folder, split->names), std::tuple("C:\\A", Strings{"x.txt", "y.txt"}));
    EXPECT_EQ(SplitIntoFolder({"C:\\x.txt"})->folder, "C:\\");
    for (const Strings& files : {Strings{"C:\\A\\x.txt", "C:\\B\\y.txt"}, {"C:\\A\\x.txt", "C:\\A\\B\\y.txt"}, {"x.txt"}})
        EXPECT_FALSE(SplitIntoFolder(files)) << files.back();
}

TEST(DragOutcome, TheLoopsResultAndTheFinalEffectGiveTheOutcome)
{
    const std::tuple<std::int32_t, std::uint32_t, std::uint32_t, TDragResult> cases[] = {{kResultDrop, 3, 7, drDropCopy},
        {kResultDrop, 2, 7, drDropMove}, {kResultDrop, 4 | 0x80000000u, 7, drDropLink}, {kResultDrop, 0, 7, drCancel},
        {kResultDrop, 2, 1, drCancel}, {kResultCancel, 1, 7, drCancel}, {kResultOutOfMemory, 0, 7, drOutMemory},
        {static_cast<std::int32_t>(0x80004005u), 0, 7, drUnknown}};
    for (const auto& [result, effect, allowed, outcome] : cases)
        EXPECT_EQ(DragResultOf(result, effect, allowed), outcome) << std::hex << result << " " << effect;
    EXPECT_EQ(std::tuple(EffectsOf({dtCopy, dtLink}), DropTypeOf(6), DropTypeOf(0x80000000u)), std::tuple(5u, dtMove, std::nullopt));
}
