// Archives that can be read but not written, and the names Open keeps for
// its entries.
#include "tests/native/archive/archive_test_support.h"

namespace kelvo::test {
namespace {

using platform::File;
using ReadOnlyTest = ArchiveTest;

TEST_F(ReadOnlyTest, AnArchiveAnotherProgramReadsOpensForReadingAndRefusesSaveOverIt)
{
    const std::string bytes = BuildArchive({{"Objects\\Chair.iff", "chair"}, {"a.txt", "text"}});
    WriteBytes(dir / "in.far", bytes);
    File reader = File::Open(dir / "in.far", File::Mode::Read);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_EQ(PreviewAll(archive), (std::vector<std::string>{"chair", "text"}));
    // Under any spelling of its name, before a byte is written.
    std::filesystem::create_directory(dir.path() / "out");
    archive.SetDeleted(archive.Entries[1], true);
    for (const std::string& target : {dir / "in.far", dir / "out/../in.far"}) {
        EXPECT_FALSE(archive.Save(target));
        EXPECT_EQ(archive.LastError(), "The file " + target + " is read-only.");
    }
    EXPECT_EQ(ReadBytes(dir / "in.far"), bytes);
    EXPECT_EQ(dir.Contents(), (std::set<std::string>{"in.far", "out"}));
    // Save As a new file works, and that one is held for writing.
    ASSERT_TRUE(archive.Save(dir / "copy.far"));
    EXPECT_FALSE(archive.ReadOnly());
    EXPECT_EQ(ReadBytes(dir / "copy.far"), BuildArchive({{"Objects\\Chair.iff", "chair"}}));
    archive.Close();
    reader.Close();

    // Opened read-only, it still denies writes to others.
    ASSERT_TRUE(archive.Open(dir / "in.far", true));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_FALSE(File::Open(dir / "in.far", File::Mode::ReadWriteLocked).IsOpen());
    EXPECT_TRUE(File::Open(dir / "in.far", File::Mode::Read).IsOpen());
    archive.Close();
    EXPECT_FALSE(archive.ReadOnly());
    // A file without write permission, whoever opens it.
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_read);
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_TRUE(archive.ReadOnly());
    EXPECT_FALSE(archive.Save(dir / "in.far"));
    archive.Close();
    std::filesystem::permissions(dir.path() / "in.far", std::filesystem::perms::owner_all);
    // A locked file: no way in at all.
    File locked = File::Open(dir / "in.far", File::Mode::ReadWriteLocked);
    ASSERT_TRUE(locked.IsOpen());
    EXPECT_FALSE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.LastError().rfind("The file cannot be opened for reading.", 0), 0u);
}

TEST_F(ReadOnlyTest, NamesReadShareOneBlockAndAnEntryCopyHasItsOwn)
{
    const std::string zero("Zero\0tail", 9);
    ASSERT_TRUE(OpenBytes(BuildArchive({{zero, "z"}, {"", ""}, {"Caf\xe9", "c"}})));
    EXPECT_EQ(archive.Entries[0].Name, zero);
    EXPECT_EQ(archive.Entries[0].Text(), "Zero");
    EXPECT_TRUE(archive.Entries[1].Name.empty());
    EXPECT_EQ(archive.Entries[2].Name.data(), archive.Entries[0].Name.data() + 9); // back to back
    TFarEntry renamed = archive.Entries[2];
    renamed.Name = std::string("Other");
    EXPECT_EQ(archive.Entries[2].Name, "Caf\xe9");
    archive.Entries[2] = renamed;
    archive.Entries[2].NameLength = 5;
    ASSERT_TRUE(archive.Save(dir / "in.far"));
    archive.Close();
    ASSERT_TRUE(archive.Open(dir / "in.far"));
    EXPECT_EQ(archive.Entries[2].Name, "Other");
}

} // namespace
} // namespace kelvo::test
