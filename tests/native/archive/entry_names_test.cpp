// The one rule of which entry names are extracted as themselves, as
// extraction, renaming and kelvo-far's verify see it; and the archive's
// methods that change entries without new bytes.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using EntryNamesTest = ArchiveTest;

// A name of the given number of folders ("d\\d\\...\\f").
std::string Deep(int folders)
{
    std::string name;
    for (int i = 0; i < folders; ++i)
        name += "d\\";
    return name + "f";
}

struct NameCase {
    std::string name;
    std::string problem; // NameProblem's phrase; empty for a name extracted as itself
};

const std::vector<NameCase>& NameCases()
{
    static const std::vector<NameCase> cases = {
        {"", "name of no file"},
        {".", "name of no file"},
        {std::string("a\0b", 3), "name holds a zero byte"},
        {"\\abs.txt", "name would leave the chosen folder"},
        {"/abs.txt", "name would leave the chosen folder"},
        {"C:\\x.txt", "name would leave the chosen folder"},
        {"C:x.txt", "name would leave the chosen folder"},
        {"a:stream", "name would leave the chosen folder"},
        {"..", "name would leave the chosen folder"},
        {"a/../../up.txt", "name would leave the chosen folder"},
        {"a\\..", "name would leave the chosen folder"},
        {"...\\up.txt", "name would leave the chosen folder"},
        {".. \\up.txt", "name would leave the chosen folder"},
        // Devices, as a whole name or a folder, in any case, with an
        // extension, trailing dots or spaces, superscript digits.
        {"CON", "Windows device name"},
        {"con.txt", "Windows device name"},
        {"Objects\\Prn", "Windows device name"},
        {"aux.", "Windows device name"},
        {"nul .txt\\x", "Windows device name"},
        {"com9.iff", "Windows device name"},
        {"lpt9\\a", "Windows device name"},
        {"conout$.log", "Windows device name"},
        {"LPT\xb2.txt", "Windows device name"},
        {Deep(65), "name deeper than 64 folders"},
        {"a\\" + std::string(256, 'p') + "\\b", "name part longer than 255 bytes"},
        {"ends\\", "name ends in a backslash"},
        {"Objects\\\\a.iff", "name has an empty part"},
        {"a\\.\\b", "name has a \".\" part (Windows drops it)"},
        {"a.txt.", "name part ends in a dot or space (Windows drops it)"},
        {"Objects \\a.iff", "name part ends in a dot or space (Windows drops it)"},
        {"a<b", "name holds a character Windows forbids in file names"},
        {"q?\\x", "name holds a character Windows forbids in file names"},
        {"tab\there", "name holds a character Windows forbids in file names"},
        // Extracted as themselves.
        {"a\\b\\c.txt", ""},
        {"a/b.txt", ""},
        {"..a", ""},
        {"a..b\\c", ""},
        {"x\\.hidden", ""},
        {"CONSOLE.txt", ""},
        {"COM10", ""},
        {"LPT0.txt", ""},
        {"Objects\\con_table.iff", ""},
        {"\xC4rger\\\x8A\xFF.txt", ""},
        {std::string(255, 'p'), ""},
        {Deep(64), ""},
    };
    return cases;
}

TEST_F(EntryNamesTest, OneRuleDecidesExtractionAndRenaming)
{
    std::vector<EntrySpec> entries;
    for (const NameCase& c : NameCases()) {
        EXPECT_EQ(TFarArchive::NameProblem(c.name), c.problem) << c.name;
        entries.push_back({c.name, "data"});
    }
    ASSERT_TRUE(OpenBytes(BuildArchive(entries)));
    std::filesystem::create_directories(dir.path() / "Out");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TFarEntry& entry = archive.Entries[i];
        // The zero byte cuts the name extraction takes.
        if (entry.Text().size() < entry.Name.size())
            continue;
        const bool safe = NameCases()[i].problem.empty();
        EXPECT_EQ(archive.ExtractEntry(entry, dir / "Out"), safe) << entry.Name;
        if (!safe)
            EXPECT_NE(archive.LastError().find(NameCases()[i].problem), std::string::npos) << archive.LastError();
    }
    // Nothing of a refused name was written: the tree holds the safe names only.
    std::set<std::string> written;
    for (const auto& item : std::filesystem::recursive_directory_iterator(dir.path() / "Out"))
        if (item.is_regular_file())
            written.insert(item.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"c.txt", "b.txt", "..a", "c", ".hidden", "CONSOLE.txt", "COM10",
                                              "LPT0.txt", "con_table.iff", "\x8A\xFF.txt", std::string(255, 'p'), "f"}));

    // A rename to a refused name changes nothing and says why.
    for (const NameCase& c : NameCases()) {
        ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}})));
        TFarEntry& entry = archive.Entries[0];
        EXPECT_EQ(archive.RenameEntry(entry, c.name), c.problem.empty()) << c.name;
        if (!c.problem.empty()) {
            EXPECT_EQ(entry.Name, "a.txt");
            EXPECT_FALSE(entry.Change);
            if (!c.name.empty())
                EXPECT_NE(archive.LastError().find(c.problem), std::string::npos) << archive.LastError();
        }
    }
    EXPECT_EQ(TFarArchive::RenameRefusal(std::string(2048, 'x')), "The name is longer than 2047 bytes.");
}

TEST_F(EntryNamesTest, HasSameDataTellsSameDifferentAndUnreadable)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "abcd"}, {"b", "wxyz"}})));
    WriteBytes(dir / "same", "abcd");
    WriteBytes(dir / "other", "abce");
    WriteBytes(dir / "longer", "abcde");
    EXPECT_EQ(archive.HasSameData(archive.Entries[0], dir / "same"), TDataMatch::Same);
    EXPECT_EQ(archive.HasSameData(archive.Entries[0], dir / "other"), TDataMatch::Different);
    EXPECT_EQ(archive.HasSameData(archive.Entries[0], dir / "longer"), TDataMatch::Different);
    EXPECT_EQ(archive.HasSameData(archive.Entries[0], dir / "missing"), TDataMatch::Unreadable);
    EXPECT_NE(archive.LastError().find("missing cannot be read"), std::string::npos) << archive.LastError();
    // The entry's own bytes gone (an added file deleted) cannot be compared either.
    WriteBytes(dir / "added", "abcd");
    ASSERT_TRUE(archive.AddFile(dir / "added"));
    std::filesystem::remove(dir / "added");
    EXPECT_EQ(archive.HasSameData(archive.Entries[2], dir / "same"), TDataMatch::Unreadable);
    EXPECT_NE(archive.LastError().find("cannot be read"), std::string::npos);
}

TEST_F(EntryNamesTest, DeletionMarksAndReloadGoThroughTheArchive)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "aaaa"}, {"b", "bb"}})));
    WriteBytes(dir / "new", "new");
    ASSERT_TRUE(archive.AddFile(dir / "new"));
    EXPECT_FALSE(archive.AddFile(dir / "missing"));
    EXPECT_NE(archive.LastError().find("cannot be read"), std::string::npos);
    EXPECT_FALSE(archive.AddFile(std::string(2048, 'x')));
    EXPECT_NE(archive.LastError().find("longer than 2047"), std::string::npos);
    archive.SetDeleted(archive.Entries[0], true);
    archive.SetDeleted(archive.Entries[2], true);
    EXPECT_EQ(archive.Entries[0].State, esDeleted);
    archive.SetDeleted(archive.Entries[2], false);
    EXPECT_EQ(archive.Entries[2].State, esNew);
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(archive.FileSize(), static_cast<std::int64_t>(ReadBytes(dir / "in.far").size()));

    // Reload reads the file the object itself holds, dropping the changes made since.
    ASSERT_TRUE(archive.RenameEntry(archive.Entries[0], "renamed"));
    archive.SetDeleted(archive.Entries[1], true);
    ASSERT_TRUE(archive.Reload());
    ASSERT_EQ(archive.Entries.size(), 2u);
    EXPECT_EQ(std::tie(archive.Entries[0].Name, archive.Entries[0].State), std::make_tuple(TEntryName("b"), esOriginal));
    EXPECT_EQ(archive.Entries[1].Name, dir / "new");
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"bb", "new"}));
    ASSERT_TRUE(archive.Save(dir / "in.far"));

    // A file that no longer reads keeps the object as it was, still saveable.
    const std::string saved = ReadBytes(dir / "in.far");
    WriteBytes(dir / "in.far", "FAR!byAZ");
    EXPECT_FALSE(archive.Reload());
    EXPECT_FALSE(archive.LastError().empty());
    EXPECT_EQ(archive.Entries.size(), 2u);
    EXPECT_EQ(archive.FileSize(), 8);
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
