// Entries given new bytes: where their data comes from, how deletion marks
// and reverts treat them, and who removes their data files.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using ChangeTest = ArchiveTest;

TEST_F(ChangeTest, ChangedEntriesAreSavedFromTheirDataFileUnderTheirNameInOrder)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a.txt", "aaaa"}, {"Objects\\b.iff", "bb"}, {"c", "c"}})));
    WriteBytes(dir / "b.new", "new b, longer");
    WriteBytes(dir / "empty.new", "");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[1], dir / "b.new"));
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[2], dir / "empty.new"));
    const TFarEntry& b = archive.Entries[1];
    EXPECT_EQ(std::tie(b.State, b.BaseState, b.RawSize, b.CompressedSize, b.Name),
              std::make_tuple(esChanged, esChanged, 13u, 13u, std::string("Objects\\b.iff")));
    EXPECT_TRUE(archive.HasSameData(b, dir / "b.new"));
    EXPECT_FALSE(archive.HasSameData(archive.Entries[0], dir / "b.new"));
    EXPECT_FALSE(archive.HasSameData(archive.Entries[0], dir / "missing"));

    // Previews and extraction read the new bytes; the entry keeps its name.
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"aaaa", "new b, longer", ""}));
    ASSERT_TRUE(archive.ExtractEntry(b, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/Objects/b.iff"), "new b, longer");

    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive({{"a.txt", "aaaa"}, {"Objects\\b.iff", "new b, longer"}, {"c", ""}}));
    // Reopened, they are ordinary entries; the old object's data files go with it.
    archive.Close();
    EXPECT_FALSE(std::filesystem::exists(dir / "b.new"));
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.new"));
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.Entries[1].State, esOriginal);
    EXPECT_FALSE(archive.Entries[1].Change);
}

TEST_F(ChangeTest, MarksRevertsAndLaterChangesKeepTheRightBytes)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "original a"}, {"b", "original b"}})));
    WriteBytes(dir / "added.txt", "added");
    archive.AddFile(dir / "added.txt");
    WriteBytes(dir / "1.new", "first");
    WriteBytes(dir / "2.new", "second change");
    WriteBytes(dir / "3.new", "added, changed");
    TFarEntry& a = archive.Entries[0];
    ASSERT_TRUE(archive.ChangeEntry(a, dir / "1.new"));
    // A later change replaces the earlier data file.
    ASSERT_TRUE(archive.ChangeEntry(a, dir / "2.new"));
    EXPECT_FALSE(std::filesystem::exists(dir / "1.new"));
    EXPECT_EQ(a.RawSize, 13u);

    // Unmarking gives esChanged back.
    a.State = esDeleted;
    a.State = a.BaseState;
    EXPECT_EQ(a.State, esChanged);

    // Reverting gives the archive's bytes, state and sizes back and removes the file.
    ASSERT_TRUE(archive.RevertEntry(a));
    EXPECT_EQ(std::tie(a.State, a.BaseState, a.RawSize, a.CompressedSize), std::make_tuple(esOriginal, esOriginal, 10u, 10u));
    EXPECT_FALSE(std::filesystem::exists(dir / "2.new"));
    EXPECT_FALSE(archive.RevertEntry(a));
    EXPECT_EQ(PreviewAll(archive)[0], "original a");

    // An added entry, changed, is extracted under its file name; reverted, it is new again.
    TFarEntry& added = archive.Entries[2];
    ASSERT_TRUE(archive.ChangeEntry(added, dir / "3.new"));
    ASSERT_TRUE(archive.ExtractEntry(added, dir / "out"));
    EXPECT_EQ(ReadBytes(dir / "out/added.txt"), "added, changed");
    ASSERT_TRUE(archive.RevertEntry(added));
    EXPECT_EQ(std::tie(added.State, added.BaseState, added.RawSize), std::make_tuple(esNew, esNew, 5u));

    // A file that cannot be read changes nothing; a changed state without a
    // data file reads nothing, never the file its name names.
    EXPECT_FALSE(archive.ChangeEntry(archive.Entries[1], dir / "missing"));
    EXPECT_EQ(archive.Entries[1].State, esOriginal);
    added.State = esChanged;
    EXPECT_FALSE(archive.ExtractToTemp(2));
}

TEST_F(ChangeTest, FailedSaveKeepsTheChangedDataAndMarkedChangesGoOnSave)
{
    ASSERT_TRUE(OpenBytes(BuildArchive({{"a", "aa"}, {"b", "bb"}})));
    WriteBytes(dir / "a.new", "new a");
    WriteBytes(dir / "b.new", "new b");
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[0], dir / "a.new"));
    ASSERT_TRUE(archive.ChangeEntry(archive.Entries[1], dir / "b.new"));
    EXPECT_FALSE(archive.Save(dir / "missing/out.far"));
    EXPECT_EQ(archive.Entries[0].State, esChanged);
    EXPECT_EQ(ReadBytes(dir / "a.new"), "new a");

    // A data file gone missing fails the save, and says which entry.
    std::filesystem::rename(dir / "a.new", dir / "a.away");
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    EXPECT_NE(archive.LastError().find("changed bytes of a"), std::string::npos) << archive.LastError();
    std::filesystem::rename(dir / "a.away", dir / "a.new");

    // A changed entry marked for deletion is left out and its file removed.
    archive.Entries[1].State = esDeleted;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.new"));
    EXPECT_EQ(ReadBytes(dir / "in.far"), BuildArchive({{"a", "new a"}}));
}

} // namespace
} // namespace kelvo::test
