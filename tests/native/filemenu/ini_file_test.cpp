// The INI file object: what it reads from hand-edited files, and that writing
// changes only what it is told to. Its file is read and written by the
// recent-files list's tests.
#include "components/filemenu/ini_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvo {
namespace {

using Keys = std::vector<std::string>;

TEST(IniFile, ReadsKeysAndValuesAsTheSystemDoes)
{
    TIniFile Ini("unused.ini");
    Ini.SetText("; comment\n[Other]\nFile0=x\r\n[ recentfiles ]\r\n  File1 = \"C:\\b c.far\" \n"
                "; a comment is no key\n\nFile0='C:\\a.far'\nbare line\n[RecentFiles]\nFile9=second section\n");
    EXPECT_EQ(Ini.ReadSection("RecentFiles"), (Keys{"File1", "File0", "bare line"}));
    EXPECT_EQ(Ini.ReadString("RECENTFILES", "file1", "-"), "C:\\b c.far");
    EXPECT_EQ(Ini.ReadString("RecentFiles", "File0", "-"), "C:\\a.far");
    EXPECT_EQ(Ini.ReadString("RecentFiles", "bare line", "-"), "");
    EXPECT_EQ(Ini.ReadString("RecentFiles", "File2", "-"), "-");
    EXPECT_EQ(Ini.ReadString("Missing", "File0", "-"), "-");
    EXPECT_EQ(Ini.ReadSection("Missing"), Keys{});
}

TEST(IniFile, WritingKeepsTheRestOfTheFile)
{
    TIniFile Ini("unused.ini");
    Ini.SetText("[RecentFiles]\nFile0=old\n\n[Options]\nA=1\n[RecentFiles]\nFile7=old too\n");
    Ini.EraseSection("RecentFiles");
    EXPECT_EQ(Ini.Text(), "[Options]\r\nA=1\r\n");
    Ini.WriteString("RecentFiles", "File0", "C:\\a.far");
    Ini.WriteString("RecentFiles", "File1", "C:\\b.far");
    Ini.WriteString("Options", "B", "2");
    Ini.WriteString("Options", "a", "3");
    EXPECT_EQ(Ini.Text(), "[Options]\r\na=3\r\nB=2\r\n\r\n[RecentFiles]\r\nFile0=C:\\a.far\r\nFile1=C:\\b.far\r\n");
    EXPECT_EQ(Ini.ReadString("Options", "A", "-"), "3");

    // A key added to a section that a blank line parts from the next one goes before the blank line.
    Ini.SetText("[S]\nK=1\n\n[T]\n");
    Ini.WriteString("S", "L", "2");
    EXPECT_EQ(Ini.Text(), "[S]\r\nK=1\r\nL=2\r\n\r\n[T]\r\n");
}

} // namespace
} // namespace kelvo
