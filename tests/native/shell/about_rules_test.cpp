#include "components/shell/about_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

using namespace kelvo::about;

TEST(AboutRules, OsInfoTextAndKilobytes)
{
    const std::pair<OsVersion, const char*> systems[] = {
        {{2, 4, 0, 1381, "Service Pack 6"}, "Windows NT 4.0 (Build 1381: Service Pack 6)"},
        {{2, 4, 0, 1381, ""}, "Windows NT 4.0 (Build 1381)"},
        // The 95 family keeps the version in the build number's high word.
        {{1, 4, 10, 0x040A08AE, " A "}, "Windows 95 4.10 (Build 2222:  A )"},
        {{3, 5, 1, 2600, "Service Pack 3"}, "Windows 5.1"},
        {{2, 10, 0, 0xFFFFFFFF, ""}, "Windows NT 10.0 (Build -1)"},
    };
    for (const auto& [version, expected] : systems)
        EXPECT_EQ(OsInfoText(version), expected);
    // Whole kilobytes, grouped by three, also beyond 4 GiB.
    const std::tuple<unsigned long long, const char*, const char*> sizes[] = {
        {65011712 + 1023, ".", "63.488 KB"}, {1023, ",", "0 KB"}, {999 * 1024, ",", "999 KB"},
        {1000 * 1024, "\xA0", "1\xA0" "000 KB"}, {64ull << 30, ",", "67,108,864 KB"}, {1234567ull * 1024, "", "1234567 KB"},
    };
    for (const auto& [bytes, separator, expected] : sizes)
        EXPECT_EQ(FormatKilobytes(bytes, separator), expected);
}

TEST(AboutRules, BrowserCommandLinePutsInTheAddressAsOneArgumentOrNothing)
{
    const std::string url = "http://kelvo.example/index.html?a=1&b=2", quoted = " \"" + url + "\"";
    const char* browser = R"("C:\b.exe" "%1")";
    const std::tuple<const char*, std::string, std::optional<std::string>> cases[] = {
        // The first placeholder, quoted or not, gives way to the quoted address.
        {R"("C:\Program Files\IE\iexplore.exe" "%1")", url, R"("C:\Program Files\IE\iexplore.exe" )" + quoted},
        {R"(C:\NETSCAPE.EXE -url %1 "%1")", url, R"(C:\NETSCAPE.EXE -url %1 )" + quoted},
        {R"(C:\browse.exe %1 -x)", url, R"(C:\browse.exe )" + quoted},
        {R"("C:\b.exe" -nohome)", url, R"("C:\b.exe" -nohome)" + quoted},
        {R"("C:\b.exe" "-url=%1")", url, R"("C:\b.exe" "-url=)" + url + "\""},
        // Quotes, blanks and controls are encoded; trailing backslashes doubled.
        {browser, "http://x/\" -profile c:\\evil", R"("C:\b.exe"  "http://x/%22%20-profile%20c:\evil")"},
        {browser, "a\tb\nc\x7F", R"("C:\b.exe"  "a%09b%0Ac%7F")"},
        {browser, "http://x/a\\\\", R"("C:\b.exe"  "http://x/a\\\\")"},
        {browser, "", R"("C:\b.exe"  "")"},
        // An address read as an option, or no program before the placeholder: nothing.
        {browser, "-new-instance", std::nullopt}, {browser, "/nohome", std::nullopt},
        {"\"%1\" %*", "calc.exe", std::nullopt}, {"%1", "calc.exe", std::nullopt}, {"  %1", "calc.exe", std::nullopt},
        {"", "calc.exe", std::nullopt}, {"\"C:\\b.exe%1\"", "calc.exe", std::nullopt},
        {"\"C:\\b.exe %1", "calc.exe", std::nullopt},
    };
    for (const auto& [command, address, expected] : cases)
        EXPECT_EQ(BrowserCommandLine(command, address), expected) << command << " " << address;
}
