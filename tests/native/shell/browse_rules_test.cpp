#include "components/shell/browse_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

using namespace kelvo;
using namespace kelvo::browse;

namespace {

const TextMeasure sevenPerLetter = [](std::string_view text) { return 7 * static_cast<int>(text.size()); };

} // namespace

TEST(FitPath, LeadingDirectoriesGiveWayAndTheDriveStaysLongest)
{
    // 29 letters, 203 pixels.
    const std::string path = "C:\\Program Files\\Common\\Data\\";
    const std::pair<int, const char*> steps[] = {
        {203, "C:\\Program Files\\Common\\Data\\"},
        {202, "C:\\...\\Common\\Data\\"}, {133, "C:\\...\\Common\\Data\\"},
        {132, "C:\\...\\Data\\"},         {84, "C:\\...\\Data\\"},
        {83, "C:\\...\\"},                {49, "C:\\...\\"},
        {48, "...\\"},                    {28, "...\\"},
        {27, ""},
    };
    for (const auto& [width, expected] : steps)
        EXPECT_EQ(FitPath(path, width, sevenPerLetter), expected) << width;
}

TEST(FitPath, TheLastPartAlwaysStaysAndNoDriveRelativeFormShows)
{
    // Dots are narrow in this font: 2 pixels, other letters 7.
    const TextMeasure narrowDots = [](std::string_view text) {
        int width = 0;
        for (char c : text)
            width += c == '.' ? 2 : 7;
        return width;
    };
    // Path, width, measure, result: the name after the last backslash or
    // colon stays even when nothing fits; paths without a drive lose
    // directories the same way; a folder right below the root never shows
    // as "C:Windows"; cutting ".ab" leaves "cd" in view.
    const std::tuple<const char*, int, const TextMeasure&, const char*> cases[] = {
        {"C:\\Windows\\System32", 118, sevenPerLetter, "C:\\...\\System32"},
        {"C:\\Windows\\System32", 90, sevenPerLetter, "...\\System32"},
        {"C:\\Windows\\System32", 0, sevenPerLetter, "System32"},
        {"C:Data", 0, sevenPerLetter, "Data"},
        {"Temp\\Sub\\Deep\\", 63, sevenPerLetter, "...\\Deep\\"},
        {"Temp\\Sub\\Deep\\", 62, sevenPerLetter, "...\\"},
        {"\\\\server\\share\\dir\\", 120, sevenPerLetter, "\\...\\share\\dir\\"},
        {"\\\\server\\share\\dir\\", 40, sevenPerLetter, "\\...\\"},
        {"", 0, sevenPerLetter, ""},
        {"C:\\.ab\\cd\\ef\\", 80, narrowDots, "C:\\...\\cd\\ef\\"},
        {"C:\\Windows", 65, narrowDots, "...\\Windows"},
    };
    for (const auto& [path, width, measure, expected] : cases)
        EXPECT_EQ(FitPath(path, width, measure), expected) << path << " " << width;
}

TEST(FitPath, EndsForEveryShortTextAndKeepsOnlyTheLastPart)
{
    // Every text of up to 7 characters over backslash, colon, dot and a letter:
    // with nothing fitting, the loop ends with the last part alone; with room
    // for everything the text is unchanged.
    const char alphabet[] = {'\\', ':', '.', 'a'};
    const TextMeasure tooWide = [](std::string_view) { return INT_MAX; };
    for (int length = 0; length <= 7; ++length) {
        int count = 1;
        for (int i = 0; i < length; ++i)
            count *= 4;
        for (int n = 0; n < count; ++n) {
            std::string text;
            for (int i = 0, rest = n; i < length; ++i, rest /= 4)
                text += alphabet[rest % 4];
            const std::size_t split = text.find_last_of("\\:");
            const std::string last = split == std::string::npos ? text : text.substr(split + 1);
            ASSERT_EQ(FitPath(text, 0, tooWide), last) << text;
            ASSERT_EQ(FitPath(text, 1000, sevenPerLetter), text) << text;
        }
    }
}

TEST(FitPlainText, TheEndGivesWayToThreeDots)
{
    const std::pair<int, const char*> steps[] = {
        {42, "abcdef"}, {41, "ab..."}, {35, "ab..."}, {34, "a..."}, {27, "..."}, {0, "..."},
    };
    for (const auto& [width, expected] : steps)
        EXPECT_EQ(FitPlainText("abcdef", width, sevenPerLetter), expected) << width;
    EXPECT_EQ(FitPlainText("", 0, sevenPerLetter), "");
    // A failed measurement counts as width 0: the text is taken as fitting.
    EXPECT_EQ(FitPlainText("abcdef", 1, [](std::string_view) { return 0; }), "abcdef");
}

TEST(SelectionMessagePath, DrivesGetTheirBackslashOthersLoseIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:", "C:\\"},          {"c:", "c:\\"},    {"C:\\", "C:\\"},   {"C:x", "C:x"},
        {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp", "C:\\Temp"}, {"\\", "\\"}, {"", ""},
        {"Temp\\", "Temp"},
    };
    for (const auto& [selection, sent] : cases)
        EXPECT_EQ(SelectionMessagePath(selection), sent) << selection;
}

TEST(BrowseInfoFlags, OneFlagPerOptionAndTheStatusLineWhenNeeded)
{
    const std::tuple<TBrowseFlags, const char*, bool, unsigned> cases[] = {
        {{}, "", false, 0x0},
        {{}, "statustext", false, 0x4},
        {{}, "", true, 0x4},
        {{bfDomainOnly, bfAncestors}, "", false, 0xA},
        {{bfComputers}, "", false, 0x1000},
        {{bfIncludeFiles}, "x", false, 0x4004},
        {{bfEditBox}, "", false, 0x30},
        {{bfDirectoriesOnly, bfDomainOnly, bfAncestors, bfComputers, bfPrinters, bfIncludeFiles, bfEditBox}, "", true,
         0x703F},
    };
    for (const auto& [options, status, follow, flags] : cases)
        EXPECT_EQ(BrowseInfoFlags(options, status, follow), flags) << std::hex << flags;
}

TEST(RootFolderCsidl, CommonFoldersHaveOwnNumbersOnlyOnNt)
{
    // Root, number on NT, number elsewhere.
    const std::tuple<TRootID, int, int> cases[] = {
        {idDesktop, 0, 0},
        {idDesktopDirectory, 16, 16},
        {idCommonStartMenu, 22, 11},
        {idCommonPrograms, 23, 2},
        {idCommonStartup, 24, 7},
        {idCommonDesktopDirectory, 25, 16},
        {idDesktopExpanded, 0xFEFE, 0xFEFE},
        {static_cast<TRootID>(200), 0, 0},
    };
    for (const auto& [root, nt, other] : cases) {
        EXPECT_EQ(RootFolderCsidl(root, true), nt) << int(root);
        EXPECT_EQ(RootFolderCsidl(root, false), other) << int(root);
    }
}

TEST(DriveRoots, DecidedFromTheDriveMask)
{
    const std::uint32_t cAndZ = (1u << 2) | (1u << 25);
    // Name, drive root, present in the mask.
    const std::tuple<const char*, bool, bool> cases[] = {
        {"C:\\", true, true}, {"c:\\", true, true}, {"Z:\\", true, true}, {"D:\\", true, false},
        {"1:\\", true, false}, {"[:\\", true, false}, {"C:", false, true}, {"C:\\Temp", false, true},
    };
    for (const auto& [name, root, present] : cases) {
        EXPECT_EQ(IsDriveRoot(name), root) << name;
        EXPECT_EQ(DriveInMask(name, cAndZ), present) << name;
    }
    EXPECT_FALSE(DriveInMask("", cAndZ));
}

TEST(DirectorySearchName, NoTrailingBackslashAndNoWildcards)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp", "C:\\Temp"}, {"\\", ""}, {"", ""},
        {"C:\\W*", ""},            {"C:\\Temp?\\", ""},
    };
    for (const auto& [name, search] : cases)
        EXPECT_EQ(DirectorySearchName(name), search) << name;
}
