// The one rule of which names extract as themselves (extraction and renaming); changes without new bytes.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using EntryNamesTest = ArchiveTest;

// A name of the given number of folders ("d\\d\\...\\f").
std::string Deep(int folders) { return folders ? "d\\" + Deep(folders - 1) : "f"; }

// Each name and NameProblem's phrase for it; empty for a name extracted as itself.
const std::vector<std::pair<std::string, std::string>>& NameCases()
{
    const std::string none = "name of no file", leaves = "name would leave the chosen folder",
                      device = "Windows device name", dot = "name part ends in a dot or space (Windows drops it)",
                      forbidden = "name holds a character Windows forbids in file names";
    static const std::vector<std::pair<std::string, std::string>> cases = {
        {"", none}, {".", none}, {std::string("a\0b", 3), "name holds a zero byte"},
        {"\\abs.txt", leaves}, {"/abs.txt", leaves}, {"C:\\x.txt", leaves}, {"C:x.txt", leaves}, {"a:stream", leaves},
        {"..", leaves}, {"a/../../up.txt", leaves}, {"a\\..", leaves}, {"...\\up.txt", leaves}, {".. \\up.txt", leaves},
        // Devices, as a whole name or a folder, in any case, with an extension, trailing dots or spaces, superscripts.
        {"CON", device}, {"con.txt", device}, {"Objects\\Prn", device}, {"aux.", device}, {"nul .txt\\x", device},
        {"com9.iff", device}, {"lpt9\\a", device}, {"conout$.log", device}, {"LPT\xb2.txt", device},
        {Deep(65), "name deeper than 64 folders"}, {"a\\" + std::string(256, 'p') + "\\b", "name part longer than 255 bytes"},
        {"ends\\", "name ends in a backslash"}, {"Objects\\\\a.iff", "name has an empty part"},
        {"a\\.\\b", "name has a \".\" part (Windows drops it)"}, {"a.txt.", dot}, {"Objects \\a.iff", dot},
        {"a<b", forbidden}, {"q?\\x", forbidden}, {"tab\there", forbidden},
        {"a\\b\\c.txt", ""}, {"a/b.txt", ""}, {"..a", ""}, {"a..b\\c", ""}, {"x\\.hidden", ""}, {"CONSOLE.txt", ""},
        {"COM10", ""}, {"LPT0.txt", ""}, {"Objects\\con_table.iff", ""}, {"\xC4rger\\\x8A\xFF.txt", ""},
        {std::string(255, 'p'), ""}, {Deep(64), ""},
    };
    return cases;
}

TEST_F(EntryNamesTest, OneRuleDecidesExtractionAndRenaming)
{
    std::vector<EntrySpec> entries;
    for (const auto& [name, problem] : NameCases()) {
        EXPECT_EQ(TFarArchive::NameProblem(name), problem) << name;
        entries.push_back({name, "data"});
    }
    ASSERT_TRUE(OpenBytes(BuildArchive(entries)));
    std::filesystem::create_directories(dir.path() / "Out");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TFarEntry& entry = archive.Entries[i];
        if (entry.Text().size() < entry.Name.size()) // the zero byte cuts the name extraction takes
            continue;
        const std::string& problem = NameCases()[i].second;
        EXPECT_EQ(archive.ExtractEntry(entry, dir / "Out"), problem.empty()) << entry.Name;
        EXPECT_NE(archive.LastError().find(problem), std::string::npos) << archive.LastError();
    }
    // Nothing of a refused name was written: the tree holds the safe names only.
    std::set<std::string> written;
    for (const auto& item : std::filesystem::recursive_directory_iterator(dir.path() / "Out"))
        if (item.is_regular_file())
            written.insert(item.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"c.txt", "b.txt", "..a", "c", ".hidden", "CONSOLE.txt", "COM10",
                                              "LPT0.txt", "con_table.iff", "\x8A\xFF.txt", std::string(255, 'p'), "f"}));
    // A rename to a refused name changes nothing and says why.
    for (const auto& [name, problem] : NameCases()) {
        ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}})));
        TFarEntry& entry = archive.Entries[0];
        EXPECT_EQ(archive.RenameEntry(entry, name), problem.empty()) << name;
        if (!problem.empty()) {
            EXPECT_TRUE(entry.Name == "a.txt" && !entry.Change) << entry.Name;
            EXPECT_NE(archive.LastError().find(name.empty() ? "" : problem), std::string::npos) << archive.LastError();
        }
    }
    EXPECT_EQ(TFarArchive::RenameRefusal(std::string(2048, 'x')), "The name is longer than 2047 bytes.");
}

TEST_F(EntryNamesTest, HasSameDataTellsSameDifferentAndUnreadable)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "abcd"}, {"b", "wxyz"}})));
    WriteBytes(dir / "added", "abcd");
    ASSERT_TRUE(archive.AddFile(dir / "added"));
    std::filesystem::remove(dir / "added"); // the entry's own bytes gone cannot be compared either
    const std::tuple<const char*, const char*, int, TDataMatch> cases[] = {
        {"same", "abcd", 0, TDataMatch::Same}, {"other", "abce", 0, TDataMatch::Different},
        {"longer", "abcde", 0, TDataMatch::Different}, {"missing", nullptr, 0, TDataMatch::Unreadable},
        {"same", "abcd", 2, TDataMatch::Unreadable}};
    for (const auto& [name, bytes, entry, match] : cases) {
        if (bytes)
            WriteBytes(dir / name, bytes);
        EXPECT_EQ(archive.HasSameData(archive.Entries[entry], dir / name), match) << name << entry;
        EXPECT_TRUE(match != TDataMatch::Unreadable || archive.LastError().find("cannot be read") != std::string::npos);
    }
}

TEST_F(EntryNamesTest, MarksAndReloadGoThroughTheArchive)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "aaaa"}, {"b", "bb"}})));
    WriteBytes(dir / "new", "new");
    ASSERT_TRUE(archive.AddFile(dir / "new"));
    EXPECT_FALSE(archive.AddFile(std::string(2048, 'x')));
    EXPECT_NE(archive.LastError().find("longer than 2047"), std::string::npos);
    archive.SetDeleted(archive.Entries[0], true);
    archive.SetDeleted(archive.Entries[2], true);
    archive.SetDeleted(archive.Entries[2], false); // a mark removed restores the state it replaced
    EXPECT_EQ(std::tie(archive.Entries[0].State, archive.Entries[2].State), std::make_tuple(esDeleted, esNew));
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(archive.FileSize(), static_cast<std::int64_t>(ReadBytes(dir / "in.far").size()));
    // Reload reads the file the object itself holds, dropping the changes made since.
    ASSERT_TRUE(archive.RenameEntry(archive.Entries[0], "renamed"));
    archive.SetDeleted(archive.Entries[1], true);
    ASSERT_TRUE(archive.Reload());
    EXPECT_EQ(std::tie(archive.Entries[0].Name, archive.Entries[0].State), std::make_tuple(TEntryName("b"), esOriginal));
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"bb", "new"}));
    // A file that no longer reads keeps the object as it was.
    WriteBytes(dir / "in.far", "FAR!byAZ");
    EXPECT_FALSE(archive.Reload());
    EXPECT_FALSE(archive.LastError().empty());
    EXPECT_EQ(std::make_tuple(archive.Entries[1].Name, archive.FileSize()), std::make_tuple(TEntryName(dir / "new"), std::int64_t{8}));
}

TEST(FarFileNameTest, ByTheExtensionAfterTheLastSeparator)
{
    for (const char* name : {"x.FAR", "x.far", "x.Far", "C:\\a.b\\x.fAr", ".far", "a:.far"})
        EXPECT_TRUE(TFarArchive::IsFarFileName(name)) << name;
    for (const char* name : {"x.fa", "x.farx", "x.far.txt", "C:\\a.far\\x", "C:\\dir.far\\", "far", "x.far "})
        EXPECT_FALSE(TFarArchive::IsFarFileName(name)) << name;
}

} // namespace
} // namespace kelvo::test
