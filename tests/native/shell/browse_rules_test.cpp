#include "components/shell/browse_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <tuple>

using namespace kelvo;
using namespace kelvo::browse;

namespace {

const TextMeasure sevenPerLetter = [](std::string_view text) { return 7 * static_cast<int>(text.size()); };
// Dots are narrow in this font: 2 pixels, other letters 7.
const TextMeasure narrowDots = [](std::string_view text) { return 7 * int(text.size()) - 5 * int(std::ranges::count(text, '.')); };

} // namespace

TEST(FitPath, LeadingDirectoriesGiveWayTheDriveStaysLongestAndTheLastPartAlways)
{
    const std::string program = "C:\\Program Files\\Common\\Data\\"; // 203 pixels
    const std::tuple<std::string, int, const TextMeasure&, const char*> cases[] = {{program, 203, sevenPerLetter, program.c_str()},
        {program, 202, sevenPerLetter, "C:\\...\\Common\\Data\\"}, {program, 133, sevenPerLetter, "C:\\...\\Common\\Data\\"},
        {program, 132, sevenPerLetter, "C:\\...\\Data\\"}, {program, 84, sevenPerLetter, "C:\\...\\Data\\"},
        {program, 83, sevenPerLetter, "C:\\...\\"}, {program, 49, sevenPerLetter, "C:\\...\\"},
        {program, 48, sevenPerLetter, "...\\"}, {program, 28, sevenPerLetter, "...\\"}, {program, 27, sevenPerLetter, ""},
        {"C:\\Windows\\System32", 90, sevenPerLetter, "...\\System32"}, {"C:Data", 0, sevenPerLetter, "Data"},
        {"C:\\Windows\\System32", 0, sevenPerLetter, "System32"}, {"", 0, sevenPerLetter, ""},
        {"Temp\\Sub\\Deep\\", 63, sevenPerLetter, "...\\Deep\\"}, {"Temp\\Sub\\Deep\\", 62, sevenPerLetter, "...\\"},
        {"\\\\server\\share\\dir\\", 120, sevenPerLetter, "\\...\\share\\dir\\"}, {"\\\\server\\share\\dir\\", 40, sevenPerLetter, "\\...\\"},
        {"C:\\.ab\\cd\\ef\\", 80, narrowDots, "C:\\...\\cd\\ef\\"}, // cutting ".ab" leaves "cd" in view
        {"C:\\Windows", 65, narrowDots, "...\\Windows"},            // never "C:Windows"
    };
    for (const auto& [path, width, measure, expected] : cases)
        EXPECT_EQ(FitPath(path, width, measure), expected) << path << " " << width;

    // Every text of up to 7 of "\\:.a": with no room its last part alone, with room unchanged.
    const TextMeasure tooWide = [](std::string_view) { return INT_MAX; };
    for (int length = 0, count = 1; length <= 7; ++length, count *= 4) {
        for (int n = 0; n < count; ++n) {
            std::string text;
            for (int i = 0, rest = n; i < length; ++i, rest /= 4)
                text += "\\:.a"[rest % 4];
            const std::size_t split = text.find_last_of("\\:");
            ASSERT_EQ(FitPath(text, 0, tooWide), split == std::string::npos ? text : text.substr(split + 1)) << text;
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
    EXPECT_EQ(FitPlainText("abcdef", 1, [](std::string_view) { return 0; }), "abcdef"); // failed measure: fits
}

TEST(BrowseRules, PathFormsAndDriveRoots)
{
    // Name, form sent as the selection, name searched for, drive root, drive in a mask of C and Z.
    const std::tuple<const char*, const char*, const char*, bool, bool> cases[] = {
        {"C:", "C:\\", "C:", false, true},        {"c:\\", "c:\\", "c:", true, true},
        {"Z:\\", "Z:\\", "Z:", true, true},       {"D:\\", "D:\\", "D:", true, false},
        {"[:\\", "[:\\", "[:", true, false},      {"C:x", "C:x", "C:x", false, true},
        {"C:\\Temp\\", "C:\\Temp", "C:\\Temp", false, true}, {"C:\\Temp", "C:\\Temp", "C:\\Temp", false, true},
        {"\\", "\\", "", false, false},           {"", "", "", false, false},
        {"Temp\\", "Temp", "Temp", false, false}, {"C:\\W*", "C:\\W*", "", false, true},
        {"C:\\Temp?\\", "C:\\Temp?", "", false, true},
    };
    const std::uint32_t cAndZ = (1u << 2) | (1u << 25);
    for (const auto& [name, sent, search, root, present] : cases)
        EXPECT_EQ(std::tuple(SelectionMessagePath(name), DirectorySearchName(name), IsDriveRoot(name), DriveInMask(name, cAndZ)),
                  std::tuple(sent, search, root, present)) << name;
}

TEST(BrowseRules, FlagsAndRootFolders)
{
    const std::tuple<TBrowseFlags, const char*, bool, unsigned> flags[] = {{{}, "", false, 0x0}, {{}, "statustext", false, 0x4},
        {{}, "", true, 0x4}, {{bfDomainOnly, bfAncestors}, "", false, 0xA}, {{bfComputers}, "", false, 0x1000},
        {{bfIncludeFiles}, "x", false, 0x4004}, {{bfEditBox}, "", false, 0x30},
        {{bfDirectoriesOnly, bfDomainOnly, bfAncestors, bfComputers, bfPrinters, bfIncludeFiles, bfEditBox}, "", true, 0x703F}};
    for (const auto& [options, status, follow, expected] : flags)
        EXPECT_EQ(BrowseInfoFlags(options, status, follow), expected) << std::hex << expected;
    // Root, number on NT, number elsewhere.
    const std::tuple<TRootID, int, int> roots[] = {{idDesktop, 0, 0}, {idDesktopDirectory, 16, 16}, {idCommonStartMenu, 22, 11},
        {idCommonPrograms, 23, 2}, {idCommonStartup, 24, 7}, {idCommonDesktopDirectory, 25, 16},
        {idDesktopExpanded, 0xFEFE, 0xFEFE}, {static_cast<TRootID>(200), 0, 0}};
    for (const auto& [root, nt, other] : roots)
        EXPECT_EQ(std::pair(RootFolderCsidl(root, true), RootFolderCsidl(root, false)), std::pair(nt, other)) << int(root);
}
