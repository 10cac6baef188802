#include "components/shell/about_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace kelvo::about;

TEST(OsInfoText, EachPlatformHasItsForm)
{
    const std::pair<OsVersion, const char*> cases[] = {
        {{2, 4, 0, 1381, "Service Pack 6"}, "Windows NT 4.0 (Build 1381: Service Pack 6)"},
        {{2, 4, 0, 1381, ""}, "Windows NT 4.0 (Build 1381)"},
        // The 95 family keeps the version in the build number's high word.
        {{1, 4, 10, 0x040A08AE, " A "}, "Windows 95 4.10 (Build 2222:  A )"},
        {{1, 4, 0, 0x04000000 | 950, ""}, "Windows 95 4.0 (Build 950)"},
        {{3, 5, 1, 2600, "Service Pack 3"}, "Windows 5.1"},
        {{2, 10, 0, 0xFFFFFFFF, ""}, "Windows NT 10.0 (Build -1)"},
    };
    for (const auto& [version, expected] : cases)
        EXPECT_EQ(OsInfoText(version), expected);
}

TEST(FormatKilobytes, WholeKilobytesGroupedByThreeWithTheGivenSeparator)
{
    EXPECT_EQ(FormatKilobytes(65011712, ","), "63,488 KB");
    EXPECT_EQ(FormatKilobytes(65011712 + 1023, "."), "63.488 KB");
    EXPECT_EQ(FormatKilobytes(1023, ","), "0 KB");
    EXPECT_EQ(FormatKilobytes(999 * 1024, ","), "999 KB");
    EXPECT_EQ(FormatKilobytes(1000 * 1024, "\xA0"), "1\xA0" "000 KB");
    // Beyond what GlobalMemoryStatus can tell a 32-bit program: 64 GiB.
    EXPECT_EQ(FormatKilobytes(64ull << 30, ","), "67,108,864 KB");
    EXPECT_EQ(FormatKilobytes(1234567ull * 1024, ""), "1234567 KB");
}

TEST(BrowserCommandLine, TheAddressTakesThePlaceholdersPlace)
{
    const std::string url = "http://kelvo.example/index.html?a=1&b=2";
    const std::pair<const char*, const char*> cases[] = {
        // The quoted placeholder goes first; the blank before it stays.
        {R"("C:\Program Files\IE\iexplore.exe" "%1")",
         R"("C:\Program Files\IE\iexplore.exe"  "http://kelvo.example/index.html?a=1&b=2")"},
        {R"(C:\NETSCAPE.EXE -url %1 "%1")", R"(C:\NETSCAPE.EXE -url %1  "http://kelvo.example/index.html?a=1&b=2")"},
        {R"(C:\browse.exe %1 -x)", R"(C:\browse.exe  "http://kelvo.example/index.html?a=1&b=2")"},
        // No placeholder: the address follows the whole line.
        {R"("C:\b.exe" -nohome)", R"("C:\b.exe" -nohome "http://kelvo.example/index.html?a=1&b=2")"},
        // A placeholder inside a quoted argument: the address completes it.
        {R"("C:\b.exe" "-url=%1")", R"("C:\b.exe" "-url=http://kelvo.example/index.html?a=1&b=2")"},
    };
    for (const auto& [command, expected] : cases)
        EXPECT_EQ(BrowserCommandLine(command, url), std::optional<std::string>(expected)) << command;
}

TEST(BrowserCommandLine, AnAddressNeverAddsArgumentsOrPicksTheProgram)
{
    const char* browser = R"("C:\b.exe" "%1")";
    // Quotes, blanks and controls are encoded; trailing backslashes doubled
    // so the closing quote stays a quote.
    EXPECT_EQ(BrowserCommandLine(browser, "http://x/\" -profile c:\\evil"),
              R"("C:\b.exe"  "http://x/%22%20-profile%20c:\evil")");
    EXPECT_EQ(BrowserCommandLine(browser, "a\tb\nc\x7F"), R"("C:\b.exe"  "a%09b%0Ac%7F")");
    EXPECT_EQ(BrowserCommandLine(browser, "http://x/a\\\\"), R"("C:\b.exe"  "http://x/a\\\\")");
    EXPECT_EQ(BrowserCommandLine(browser, ""), R"("C:\b.exe"  "")");
    // An address that would read as an option, and templates with no
    // program of their own before the placeholder, start nothing.
    EXPECT_EQ(BrowserCommandLine(browser, "-new-instance"), std::nullopt);
    EXPECT_EQ(BrowserCommandLine(browser, "/nohome"), std::nullopt);
    for (const char* command : {"\"%1\" %*", "%1", "  %1", "", "\"C:\\b.exe%1\"", "\"C:\\b.exe %1"})
        EXPECT_EQ(BrowserCommandLine(command, "calc.exe"), std::nullopt) << command;
}
